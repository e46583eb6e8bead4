# tivaro-idle on real displays, with the build's own saver: under headless sway (idle from
# ext-idle-notify-v1 on sway 1.10, org_kde_kwin_idle on sway 1.7) and under Xvfb (MIT-SCREEN-SAVER, or a stand-in for GNOME's idle monitor
# that hangs), each with a private session bus, and programs of the tests' own: one on the
# bus (inhibitions, GNOME's screen shield and idle monitor), one that holds the X server's
# saver off, and a plain Wayland window.
pkg_check_modules(TIVARO_IDLE_TEST_LIBS REQUIRED IMPORTED_TARGET libsystemd x11 xscrnsaver)
set(TIVARO_IDLE_TESTS ${CMAKE_CURRENT_SOURCE_DIR}/idle)
add_executable(bus_peer ${TIVARO_IDLE_TESTS}/bus_peer.cpp)
add_executable(hold_saver_suspend ${TIVARO_IDLE_TESTS}/hold_saver_suspend.cpp)
add_executable(stand_in_logind ${TIVARO_IDLE_TESTS}/stand_in_logind.cpp)
foreach(helper bus_peer hold_saver_suspend stand_in_logind)
  target_link_libraries(${helper} PRIVATE PkgConfig::TIVARO_IDLE_TEST_LIBS tivaro_warnings)
endforeach()

# A plain window for sway to hang an idle inhibitor on, or that holds one itself.
add_executable(plain_view ${TIVARO_IDLE_TESTS}/plain_view.c)
tivaro_wayland_protocols(plain_view ${WAYLAND_PROTOCOLS_DIR}/stable/xdg-shell/xdg-shell.xml
  ${WAYLAND_PROTOCOLS_DIR}/unstable/idle-inhibit/idle-inhibit-unstable-v1.xml)
target_link_libraries(plain_view PRIVATE PkgConfig::WAYLAND_CLIENT_ONLY tivaro_warnings)

add_test(NAME idle.sway
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/wayland/run_under_sway.sh --one-output
                 ${Python3_EXECUTABLE} ${TIVARO_IDLE_TESTS}/test_idle_sway.py)
add_test(NAME idle.x11
         COMMAND ${TIVARO_XVFB} ${Python3_EXECUTABLE} ${TIVARO_IDLE_TESTS}/test_idle_x11.py)
# "On resume, display logon screen" with swaylock as the lock command.
add_test(NAME idle.lock_sway
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/wayland/run_under_sway.sh --one-output
                 ${Python3_EXECUTABLE} ${TIVARO_IDLE_TESTS}/test_idle_lock_sway.py)
# The same on X11, with i3lock, which grabs the keyboard the saver held.
add_test(NAME idle.lock_x11
         COMMAND ${TIVARO_XVFB} ${Python3_EXECUTABLE} ${TIVARO_IDLE_TESTS}/test_idle_lock_x11.py)
# GNOME's idle monitor and shell that hang: a stand-in on the bus that stops answering.
add_test(NAME idle.hung_shell
         COMMAND ${TIVARO_XVFB} ${Python3_EXECUTABLE} ${TIVARO_IDLE_TESTS}/test_idle_hung_shell.py)
# The settings file changed, replaced and damaged while tivaro-idle runs, under Xvfb.
add_test(NAME idle.settings
         COMMAND ${TIVARO_XVFB} ${Python3_EXECUTABLE} ${TIVARO_IDLE_TESTS}/test_idle_settings.py)
set_tests_properties(idle.sway idle.lock_sway idle.lock_x11 idle.x11 idle.hung_shell idle.settings PROPERTIES
  ENVIRONMENT "TIVARO_IDLE_BIN=$<TARGET_FILE:tivaro-idle>;TIVARO_BUS_PEER=$<TARGET_FILE:bus_peer>;TIVARO_HOLD_SUSPEND=$<TARGET_FILE:hold_saver_suspend>;TIVARO_PLAIN_VIEW=$<TARGET_FILE:plain_view>;TIVARO_STAND_IN_LOGIND=$<TARGET_FILE:stand_in_logind>;PYTHONDONTWRITEBYTECODE=1"
  TIMEOUT 180 LABELS "idle;integration" RUN_SERIAL TRUE)

# tivaro-idle's parts that need no display, on their own: the watcher with a stand-in idle
# source, saver and clock; the inhibitions on a private dbus-daemon; the session's lock file;
# the settings file.
add_executable(tivaro_idle_unit_tests ${TIVARO_IDLE_TESTS}/watcher_test.cpp
  ${TIVARO_IDLE_TESTS}/inhibitor_service_test.cpp ${TIVARO_IDLE_TESTS}/session_lock_test.cpp
  ${TIVARO_IDLE_TESTS}/idle_settings_test.cpp)
target_link_libraries(tivaro_idle_unit_tests PRIVATE tivaro_idle_parts GTest::gtest
                                                     GTest::gtest_main tivaro_warnings)
gtest_discover_tests(tivaro_idle_unit_tests TEST_PREFIX idle.unit. DISCOVERY_TIMEOUT 60
                     PROPERTIES LABELS idle)
