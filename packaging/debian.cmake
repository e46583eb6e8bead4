# The Debian package, made with CPack from the same install rules as `cmake --install`:
#   cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr
#   cmake --build build-pkg && (cd build-pkg && cpack -G DEB)
# gives tivaro_<version>~deb<release>_<arch>.deb (tools/package-debian.sh does this with Debian's
# hardening flags). Its dependencies are read by dpkg-shlibdeps from the program and its
# modules (in /usr/lib/<triplet>/tivaro, where Debian keeps private libraries).
include(GNUInstallDirs)

# Debian's documentation: the copyright file (our pictures' origins included), the
# changelog (compressed, as policy wants) and README.Debian: how a user adds Tivaro to the
# daemon's list.
set(TIVARO_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/tivaro)

# A package for each Debian release, built on that release against its libraries. The
# version names the release (1.0.0~deb13), so that after an upgrade of Debian apt takes the
# newer release's build over the older one's; the changelog names its codename.
set(TIVARO_DEBIAN_RELEASE "" CACHE STRING "Debian release the package is for (12, 13); empty: this system's")
set(TIVARO_DEBIAN_CODENAME "" CACHE STRING "That release's codename; empty: this system's")
if(EXISTS /etc/os-release)
  file(STRINGS /etc/os-release tivaro_os_release REGEX "^(ID|VERSION_ID|VERSION_CODENAME)=")
  foreach(line IN LISTS tivaro_os_release)
    string(REGEX REPLACE "^([A-Z_]+)=\"?([^\"]*)\"?$" "\\1;\\2" pair "${line}")
    list(GET pair 0 key)
    list(GET pair 1 value)
    set(tivaro_os_${key} "${value}")
  endforeach()
endif()
if(NOT TIVARO_DEBIAN_RELEASE AND tivaro_os_ID STREQUAL "debian")
  set(TIVARO_DEBIAN_RELEASE "${tivaro_os_VERSION_ID}")
endif()
if(NOT TIVARO_DEBIAN_CODENAME)
  set(TIVARO_DEBIAN_CODENAME "${tivaro_os_VERSION_CODENAME}")
endif()
if(NOT TIVARO_DEBIAN_CODENAME)
  set(TIVARO_DEBIAN_CODENAME unstable)
endif()
set(TIVARO_DEBIAN_VERSION ${PROJECT_VERSION})
if(TIVARO_DEBIAN_RELEASE)
  set(TIVARO_DEBIAN_VERSION ${PROJECT_VERSION}~deb${TIVARO_DEBIAN_RELEASE})
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in
               ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9 -n -c ${PROJECT_BINARY_DIR}/packaging/changelog >
          ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(tivaro_package_docs ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${CMAKE_CURRENT_LIST_DIR}/debian/README.Debian
        DESTINATION ${TIVARO_DOCDIR})
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${TIVARO_DOCDIR})

# What Debian's own packaging strips besides the symbols: the compiler's version notes
# (.comment, .note). Runs after the programs are installed (and stripped, for CPack).
set(TIVARO_NOTED_PROGRAMS "${TIVARO_PROGRAM_DIR}/tivaro;${TIVARO_MODULE_DIR}/tivaro-x11.so;${TIVARO_MODULE_DIR}/tivaro-wayland.so;${TIVARO_MODULE_DIR}/tivaro-text.so;${CMAKE_INSTALL_BINDIR}/tivaro-xscreensaver-add;${CMAKE_INSTALL_BINDIR}/tivaro-idle")
if(TARGET tivaro-settings)
  list(APPEND TIVARO_NOTED_PROGRAMS ${CMAKE_INSTALL_BINDIR}/tivaro-settings)
endif()
install(CODE "set(TIVARO_OBJCOPY \"${CMAKE_OBJCOPY}\")
  set(TIVARO_NOTED_PROGRAMS \"${TIVARO_NOTED_PROGRAMS}\")")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/debian/strip-notes.cmake)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tivaro)
set(CPACK_PACKAGE_VERSION ${TIVARO_DEBIAN_VERSION})
set(CPACK_PACKAGE_CONTACT "Tivaro developers <maintainers@users.noreply.c-seed-25a23765.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)  # whatever CMAKE_INSTALL_PREFIX says
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# IPA Gothic is the dialog's designed font; without it the dialog falls back to DejaVu Sans.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xscreensaver, fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fountain of Earth fragments, an OpenGL screen saver")
# CPack puts the summary first and indents the rest; an empty line becomes " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Three hundred small squares, each showing a photograph of the Earth, spray
out of one point like a fountain, fall under gravity, fade and relaunch.
Every few seconds they all burst out of the centre in new colours and the
camera jumps.

It runs on X11 and on Wayland desktops. Under the X screen-saver daemon
(xscreensaver), run tivaro-xscreensaver-add once as yourself (it changes
nothing else in your ~/.xscreensaver), then choose \"Only One Screen Saver\" and
Tivaro in xscreensaver-settings. On GNOME, KDE Plasma, sway and other desktops
without that daemon, run tivaro-idle --install once as yourself: it starts the
saver whenever your session is idle, except while a video or another program
keeps the screen awake, and ends it when the session locks. tivaro /s
runs the saver and tivaro /c its credits dialog from a shell.")
include(CPack)
