# The program under the other Wayland desktops' own compositors, headless: KDE's KWin, GNOME's
# gnome-shell and weston. Each desktop's tests (the saver and tivaro-idle under it) share one
# compositor start; each file adds the tests of one desktop.
include(${CMAKE_CURRENT_SOURCE_DIR}/desktops/kwin.cmake OPTIONAL)
include(${CMAKE_CURRENT_SOURCE_DIR}/desktops/gnome.cmake OPTIONAL)
include(${CMAKE_CURRENT_SOURCE_DIR}/desktops/weston.cmake OPTIONAL)
