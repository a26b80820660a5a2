# The Debian package: `cmake --build --preset default --target package` writes
# build/vantaro_<version>_amd64.deb holding what `cmake --install` installs, under /usr.
# The version is the project's (project() in the top-level CMakeLists.txt); the dependencies
# on shared libraries are computed from the executable by dpkg-shlibdeps.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()

# The version dialog shows the version in its text; a release must not say one thing in the
# package and another in the dialog.
file(READ ${CMAKE_SOURCE_DIR}/resources/dialogs/version.dlg version_dialog)
string(FIND "${version_dialog}" "Version ${PROJECT_VERSION}\"" version_at)
if(version_at EQUAL -1)
  message(FATAL_ERROR "resources/dialogs/version.dlg does not show the project's version ${PROJECT_VERSION}")
endif()

set(VANTARO_PACKAGE_MAINTAINER "Vantaro developers <vantaro@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

# What Debian asks of every package besides the program: its copyright notice and a
# changelog, under /usr/share/doc/vantaro.
# Its date is that of the file holding the version, so that configuring again rewrites nothing.
file(TIMESTAMP ${CMAKE_SOURCE_DIR}/CMakeLists.txt package_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/package/changelog @ONLY CONTENT
     "vantaro (${PROJECT_VERSION}) unstable; urgency=medium

  * Release ${PROJECT_VERSION}.

 -- ${VANTARO_PACKAGE_MAINTAINER}  ${package_date}
")
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/package/changelog.gz
                   COMMAND gzip -9 -n -c ${CMAKE_BINARY_DIR}/package/changelog > ${CMAKE_BINARY_DIR}/package/changelog.gz
                   DEPENDS ${CMAKE_BINARY_DIR}/package/changelog
                   COMMENT "Compressing the package's changelog")
add_custom_target(vantaro_package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/package/changelog.gz)
install(FILES ${CMAKE_SOURCE_DIR}/dist/copyright ${CMAKE_BINARY_DIR}/package/changelog.gz
        DESTINATION share/doc/vantaro)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The desktop entry names the saver under the install prefix, which must then be /usr, not
# the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VANTARO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "jet aerobatic display team screensaver in real-time 3D")
# CPack puts the summary above it as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A jet aerobatic display team flies forty named figures over an airfield,
from slow rolls and Cuban eights to delta loops and formation take-offs,
flown by one to six jet trainers trailing smoke, as a spectator with a
long lens sees them from the ground, with a recording per figure.
.
It is a display mode of xscreensaver (vantaro-xscreensaver-add puts it in
the user's list) and of MATE's screensaver. Its own settings (the play
list, sound, volume, smoke) are set in its configuration dialog, which the
desktop's menu offers as Vantaro Settings.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beyond the libraries the executable links: libepoxy opens EGL at run time, and EGL Mesa's
# drivers, which dpkg-shlibdeps cannot see; and the font the dialogs are laid out for, without
# which every Japanese caption is a row of boxes.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libegl1, libgl1-mesa-dri, fonts-ipafont-gothic")
# The host that runs it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xscreensaver")
include(CPack)
