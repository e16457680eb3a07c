# What `cmake --install` puts on a board's root filesystem (DESTDIR for a staging root), one component
# per package: the daemon, the client, the simulated camera.
# Tests, fuzzers and klbench are never installed.
include(GNUInstallDirs)

set(KL_DAEMON_COMPONENT klcontrold)
set(KL_CLIENT_COMPONENT klctl)
set(KL_SIMULATOR_COMPONENT klcamerasim)

install(TARGETS klControlD RUNTIME DESTINATION ${CMAKE_INSTALL_SBINDIR} COMPONENT ${KL_DAEMON_COMPONENT})
install(TARGETS klctl kllogview RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${KL_CLIENT_COMPONENT})
install(TARGETS klCameraSim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${KL_SIMULATOR_COMPONENT})

# Each package's documents in its own share/doc folder; the daemon's take the rest of docs/.
set(KL_DOCS ${PROJECT_SOURCE_DIR}/docs)
install(FILES ${KL_DOCS}/klctl.md DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KL_CLIENT_COMPONENT}
        COMPONENT ${KL_CLIENT_COMPONENT})
install(FILES ${KL_DOCS}/simulator.md DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KL_SIMULATOR_COMPONENT}
        COMPONENT ${KL_SIMULATOR_COMPONENT})
install(DIRECTORY ${KL_DOCS}/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KL_DAEMON_COMPONENT}
        COMPONENT ${KL_DAEMON_COMPONENT} PATTERN klctl.md EXCLUDE PATTERN simulator.md EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KL_DAEMON_COMPONENT}
        COMPONENT ${KL_DAEMON_COMPONENT})
