# cpack -G DEB: a Debian package of what `cmake --install` puts in place,
# with what Debian's rules ask of a package besides: a maintainer (set
# -DQUORAIL_MAINTAINER="Name <e-mail>"), a description, the copyright and
# changelog in share/doc/quorail, and manual pages. Changelog and manual
# pages are compressed with gzip -9n (no time stamp), as lintian wants them.
# dpkg-shlibdeps (dpkg-dev) names the libraries' packages; the window
# system's plugins are loaded at run time, so their package is named here.
set(QUORAIL_MAINTAINER "Quorail developers <quorail@example.org>"
    CACHE STRING "Maintainer of the Debian package: Name <e-mail>")

set(QUORAIL_DEB_DIR ${PROJECT_BINARY_DIR}/debian)
configure_file(${PROJECT_SOURCE_DIR}/data/debian/copyright ${QUORAIL_DEB_DIR}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/debian/changelog ${QUORAIL_DEB_DIR}/changelog @ONLY)
set(QUORAIL_MAN_PAGES quorail quorail-locopictures)
if(TARGET quorail-sim)
  list(APPEND QUORAIL_MAN_PAGES quorail-sim)
endif()
foreach(page IN LISTS QUORAIL_MAN_PAGES)
  configure_file(${PROJECT_SOURCE_DIR}/data/man/${page}.1 ${QUORAIL_DEB_DIR}/${page}.1 @ONLY)
endforeach()

find_program(GZIP_PROGRAM gzip)
if(GZIP_PROGRAM)
  foreach(file IN ITEMS changelog LISTS QUORAIL_MAN_PAGES)
    set(in ${QUORAIL_DEB_DIR}/${file})
    if(NOT file STREQUAL "changelog")
      set(in ${in}.1)
    endif()
    execute_process(COMMAND ${GZIP_PROGRAM} -9n -c ${in} OUTPUT_FILE ${in}.gz
                    COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  install(FILES ${QUORAIL_DEB_DIR}/copyright ${QUORAIL_DEB_DIR}/changelog.gz
          DESTINATION share/doc/quorail)
  list(TRANSFORM QUORAIL_MAN_PAGES APPEND .1.gz)
  list(TRANSFORM QUORAIL_MAN_PAGES PREPEND ${QUORAIL_DEB_DIR}/)
  install(FILES ${QUORAIL_MAN_PAGES} DESTINATION share/man/man1)
endif()

set(CPACK_PACKAGE_NAME quorail)
set(CPACK_PACKAGE_VENDOR Quorail)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Model railway control through a LocoNet command station")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quorail controls a digital model railway through one LocoNet command
station on a serial or USB serial port. From one window you switch track
power, drive two locos on throttle panels, switch turnouts and signals,
watch and send occupancy reports, run routes, program DCC decoders and
LocoNet modules, change the command station's settings and follow
train-identification reports and throttle devices on the bus.

A LocoNet monitor shows the traffic in plain words; the connection can be
shared with other programs (LbServer) and with phone and tablet throttle
apps (WiThrottle). A built-in virtual command station with a small demo
layout lets you try every window without hardware (quorail --simulator).
The program's windows and help are in German.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUORAIL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
include(CPack)
