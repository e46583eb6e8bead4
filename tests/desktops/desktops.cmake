# The program under the other Wayland desktops' own compositors, headless: KDE's KWin, GNOME's
# gnome-shell and weston. Each desktop's tests (the saver and tivaro-idle under it) share one
# compositor start; each file adds the tests of one desktop.
include(${CMAKE_CURRENT_SOURCE_DIR}/desktops/kwin.cmake OPTIONAL)
include(${CMAKE_CURRENT_SOURCE_DIR}/desktops/gnome.cmake OPTIONAL)
include(${CMAKE_CURRENT_SOURCE_DIR}/desktops/weston.cmake OPTIONAL)

# cage, a kiosk compositor, gives a fullscreen window the whole layout of its outputs.
add_test(NAME desktop.cage COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/desktops/test_cage.py)
set_tests_properties(desktop.cage PROPERTIES
  ENVIRONMENT "TIVARO_BIN=$<TARGET_FILE:tivaro>;PYTHONDONTWRITEBYTECODE=1"
  TIMEOUT 120 LABELS "desktop;integration" RUN_SERIAL TRUE)
