# Debian packages made by CPack (scripts/package), one per install component of cmake/KlInstall.cmake.
# Run-time libraries come from dpkg-shlibdeps, for whichever architecture the build is for.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${KL_DAEMON_COMPONENT} ${KL_CLIENT_COMPONENT} ${KL_SIMULATOR_COMPONENT})
if(TARGET klcontrolExtension)
  list(APPEND CPACK_COMPONENTS_ALL klcontrolpy)
endif()
set(CPACK_PACKAGE_CONTACT "klControlD developers <klcontrold@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# A rebuilt package of a higher version, for an upgrade (scripts/system-check); the project's by default.
if(NOT KL_PACKAGE_VERSION)
  set(KL_PACKAGE_VERSION ${PROJECT_VERSION})
endif()
set(CPACK_PACKAGE_VERSION ${KL_PACKAGE_VERSION})

# The maintainer scripts of a package with a service of its name: enable and start on install, restart
# on upgrade, stop and disable on removal (packaging/service.*.in, executable, so their copies are too).
function(kl_package_service component)  # component, further control files...
  set(KL_SERVICE ${component})
  foreach(script postinst prerm postrm)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/service.${script}.in deb-control/${component}/${script} @ONLY)
    list(APPEND files ${CMAKE_BINARY_DIR}/deb-control/${component}/${script})
  endforeach()
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_CONTROL_EXTRA ${files} ${ARGN} PARENT_SCOPE)
endfunction()

set(CPACK_DEBIAN_KLCONTROLD_PACKAGE_NAME ${KL_DAEMON_COMPONENT})
set(CPACK_COMPONENT_KLCONTROLD_DESCRIPTION "camera-control daemon of the action camera
 Executes numbered client commands received on a POSIX queue through the camera-control library and
 pushes JSON documents of the camera's changes over TCP port 8081. Started by systemd or an init script.")
# The service stops the daemon in order with the client's stop command.
set(CPACK_DEBIAN_KLCONTROLD_PACKAGE_DEPENDS "${KL_CLIENT_COMPONENT} (= ${KL_PACKAGE_VERSION})")
set(CPACK_DEBIAN_KLCONTROLD_PACKAGE_SUGGESTS ${KL_SIMULATOR_COMPONENT})
file(WRITE ${CMAKE_BINARY_DIR}/deb-control/${KL_DAEMON_COMPONENT}/conffiles
     "${CMAKE_INSTALL_FULL_SYSCONFDIR}/init.d/klcontrold\n")
kl_package_service(${KL_DAEMON_COMPONENT} ${CMAKE_BINARY_DIR}/deb-control/${KL_DAEMON_COMPONENT}/conffiles)

set(CPACK_DEBIAN_KLCTL_PACKAGE_NAME ${KL_CLIENT_COMPONENT})
set(CPACK_COMPONENT_KLCTL_DESCRIPTION "command-line client and log viewer of klControlD
 klctl sends any client command to the daemon, prints the answers and watches pushed documents;
 kllogview shows the lines of a system-logger socket.")

set(CPACK_DEBIAN_KLCAMERASIM_PACKAGE_NAME ${KL_SIMULATOR_COMPONENT})
kl_package_service(${KL_SIMULATOR_COMPONENT})
set(CPACK_COMPONENT_KLCAMERASIM_DESCRIPTION "simulated camera for klControlD
 Answers the daemon's camera requests with a camera model that has state, and injects faults, so that the
 daemon runs without the camera's hardware.")

# The extension is built for this Python 3 version only.
set(CPACK_DEBIAN_KLCONTROLPY_PACKAGE_NAME python3-klcontrol)
set(CPACK_COMPONENT_KLCONTROLPY_DESCRIPTION "Python module of klControlD's clients
 import klcontrol: commands and answers (decoded), pushed documents, suspend and resume, and the simulated
 camera and the daemon started for test scripts.")
set(CPACK_DEBIAN_KLCONTROLPY_PACKAGE_DEPENDS "${KL_PYTHON_DEPENDS}")
set(CPACK_DEBIAN_KLCONTROLPY_PACKAGE_SUGGESTS "${KL_SIMULATOR_COMPONENT}, ${KL_DAEMON_COMPONENT}")

include(CPack)
