# What `cmake --install` puts on a board's root filesystem (DESTDIR for a staging root), one component
# per package (cmake/KlPackage.cmake): the daemon, the client, the simulated camera.
# Tests, fuzzers and klbench are never installed.
include(GNUInstallDirs)

set(KL_DAEMON_COMPONENT klcontrold)
set(KL_CLIENT_COMPONENT klctl)
set(KL_SIMULATOR_COMPONENT klcamerasim)

# Filled into the systemd unit and the init script.
set(KL_DAEMON_PATH ${CMAKE_INSTALL_FULL_SBINDIR}/klControlD)
set(KLCTL_PATH ${CMAKE_INSTALL_FULL_BINDIR}/klctl)
set(KL_SIMULATOR_PATH ${CMAKE_INSTALL_FULL_BINDIR}/klCameraSim)

install(TARGETS klControlD RUNTIME DESTINATION ${CMAKE_INSTALL_SBINDIR} COMPONENT ${KL_DAEMON_COMPONENT})
install(TARGETS klctl kllogview RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${KL_CLIENT_COMPONENT})
install(TARGETS klCameraSim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${KL_SIMULATOR_COMPONENT})

# The service: a systemd unit, and an init script for boards without systemd (docs/on-the-camera.md);
# the simulated camera's unit, for machines without the camera.
set(KL_SERVICE_DIR ${PROJECT_SOURCE_DIR}/packaging)
configure_file(${KL_SERVICE_DIR}/klcontrold.service.in klcontrold.service @ONLY)
configure_file(${KL_SERVICE_DIR}/klcamerasim.service.in klcamerasim.service @ONLY)
configure_file(${KL_SERVICE_DIR}/klcontrold.init.in klcontrold.init @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/klcontrold.service DESTINATION lib/systemd/system
        COMPONENT ${KL_DAEMON_COMPONENT})
install(FILES ${CMAKE_BINARY_DIR}/klcamerasim.service DESTINATION lib/systemd/system
        COMPONENT ${KL_SIMULATOR_COMPONENT})
install(PROGRAMS ${CMAKE_BINARY_DIR}/klcontrold.init DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/init.d
        RENAME klcontrold COMPONENT ${KL_DAEMON_COMPONENT})

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

# The installed tree in a temporary root: its files, and its programs run (docs/on-the-camera.md).
add_test(NAME install_check COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-install --build ${CMAKE_BINARY_DIR})
set_tests_properties(install_check PROPERTIES ENVIRONMENT ${KL_TEST_ENVIRONMENT})
