# The saver under weston: weston on its Wayland backend (two outputs, one at scale 2) nested
# in a private headless sway, which gives it a seat that wtype and our virtual pointer drive.
add_test(NAME desktop.weston
         COMMAND ${TIVARO_WAYLAND_TESTS}/run_under_sway.sh --scale 1
                 ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/desktops/test_weston.py)
set_tests_properties(desktop.weston PROPERTIES
  ENVIRONMENT "TIVARO_BIN=$<TARGET_FILE:tivaro>;TIVARO_VIRTUAL_POINTER=$<TARGET_FILE:tivaro_virtual_pointer>;PYTHONDONTWRITEBYTECODE=1"
  TIMEOUT 240 LABELS "desktop;integration" RUN_SERIAL TRUE)
