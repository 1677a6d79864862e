# SPDX-License-Identifier: GPL-3.0-or-later
# Desktop integration and the Debian package: desktop entry, icons, AppStream
# metadata, manual page, license, and CPack's .deb. Included from the top
# CMakeLists.txt after the program target exists.

# Reverse-DNS id of the desktop entry, icon and metadata.
set(SIGM_APP_ID "io.github.sigmalit.sigmalit")
set(SIGM_HOMEPAGE "https://github.com/sigmalit/sigmalit" CACHE STRING "Project home page")
set(SIGM_BUGTRACKER "${SIGM_HOMEPAGE}/issues" CACHE STRING "Where problems are reported")
set(SIGM_SCREENSHOT_URL "${SIGM_HOMEPAGE}/raw/main/docs/en/screenshot.png" CACHE STRING "Screenshot in the metadata")
# Who answers for the package, "Name <address>": whoever makes it.
# scripts/package.sh finds them as Debian's own tools do (see there). The
# project has no contact address of its own and puts none here, so a package
# made without one fails at cpack rather than carrying an invented address.
set(SIGM_MAINTAINER "" CACHE STRING "Package maintainer, \"Name <address>\"")

target_compile_definitions(sigmalit PRIVATE SIGM_APP_ID="${SIGM_APP_ID}")

set(pkg ${CMAKE_SOURCE_DIR}/packaging)
set(gen ${CMAKE_BINARY_DIR}/packaging)
configure_file(${pkg}/sigmalit.desktop.in ${gen}/${SIGM_APP_ID}.desktop @ONLY)
configure_file(${pkg}/sigmalit.metainfo.xml.in ${gen}/${SIGM_APP_ID}.metainfo.xml @ONLY)
configure_file(${pkg}/sigmalit.1.in ${gen}/sigmalit.1 @ONLY)
configure_file(${pkg}/copyright.in ${gen}/copyright @ONLY)
configure_file(${pkg}/changelog ${gen}/changelog @ONLY)

# Debian wants manual pages and changelogs compressed, without a time stamp.
find_program(SIGM_GZIP gzip REQUIRED)
foreach(f sigmalit.1 changelog)
  add_custom_command(OUTPUT ${gen}/${f}.gz
    COMMAND ${SIGM_GZIP} -9nc ${gen}/${f} > ${gen}/${f}.gz
    DEPENDS ${gen}/${f} VERBATIM)
endforeach()
add_custom_target(sigmalit_docs ALL DEPENDS ${gen}/sigmalit.1.gz ${gen}/changelog.gz)

install(FILES ${gen}/${SIGM_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${gen}/${SIGM_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${pkg}/icons/sigmalit.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${SIGM_APP_ID}.svg)
# The PNG sizes are drawn from the SVG: rsvg-convert -w N -h N sigmalit.svg -o sigmalit-N.png
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${pkg}/icons/sigmalit-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${SIGM_APP_ID}.png)
endforeach()
install(FILES ${gen}/sigmalit.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${gen}/copyright ${gen}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/sigmalit)
# help.htm (and help-en.htm) is what the help window shows, so it stays with the program's data:
# a system may leave /usr/share/doc out, and the program must not depend on it.
install(FILES ${pkg}/sigmalit.lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME sigmalit)
# CPack's strip leaves the compiler's notes in the program; Debian's strip
# takes them out, and so does this when the package is made.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/sigmalit\"
                  COMMAND_ERROR_IS_FATAL ANY)
endif()")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sigmalit)
set(CPACK_PACKAGE_VENDOR "Sigmalit developers")
set(CPACK_PACKAGE_CONTACT "${SIGM_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "storage oscilloscope on the sound card input")
set(CPACK_PACKAGE_HOMEPAGE_URL "${SIGM_HOMEPAGE}")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SIGM_MAINTAINER}")
# CPack puts the summary first and indents these lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Sigmalit turns the sound card input into a two-channel storage
oscilloscope: one or two traces on a 10 x 8 division graticule with
volts/div and time/div selectors, a two-beam and an X-Y / channel
subtraction mode, and a level meter in decibels. Up to one minute of
signal can be recorded and paged through; 16-bit WAV oscillograms can be
opened, saved and printed. The user interface is in Russian.

License: GPL-3.0-or-later.")
# Library dependencies are computed by dpkg-shlibdeps. The display plugins
# the program needs (xcb, and offscreen for the tests and the command line)
# come with libqt6gui6, which the program links; qt6-qpa-plugins holds only
# the VNC one. Qt's Russian texts are a recommendation only.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xvfb")
include(CPack)
