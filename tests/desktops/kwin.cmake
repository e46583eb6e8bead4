# The saver and tivaro-idle under KDE's KWin, headless (one KWin start for both), with
# programs of the test's own: keys and a pointer through KWin's fake input, pictures through
# KWin's ScreenShot2, a window holding an idle inhibitor, and logind's lock on a private
# system bus. Skipped (77) where kwin_wayland is not installed.
include(${PROJECT_SOURCE_DIR}/cmake/WaylandProtocols.cmake)
set(TIVARO_KWIN_TESTS ${CMAKE_CURRENT_SOURCE_DIR}/desktops)
find_package(PlasmaWaylandProtocols REQUIRED)  # KWin's fake input, from its package

add_executable(kwin_input ${TIVARO_KWIN_TESTS}/kwin_input.c)
tivaro_wayland_protocols(kwin_input ${PLASMA_WAYLAND_PROTOCOLS_DIR}/fake-input.xml)
target_link_libraries(kwin_input PRIVATE PkgConfig::WAYLAND_CLIENT_ONLY tivaro_warnings)

pkg_check_modules(TIVARO_KWIN_BUS REQUIRED IMPORTED_TARGET libsystemd)
find_package(Threads REQUIRED)
add_executable(kwin_shot ${TIVARO_KWIN_TESTS}/kwin_shot.cpp)
target_link_libraries(kwin_shot PRIVATE PkgConfig::TIVARO_KWIN_BUS Threads::Threads
                                tivaro_warnings)

add_test(NAME desktop.kwin
         COMMAND ${Python3_EXECUTABLE} ${TIVARO_KWIN_TESTS}/test_kwin.py)
set_tests_properties(desktop.kwin PROPERTIES
  ENVIRONMENT "TIVARO_BIN=$<TARGET_FILE:tivaro>;TIVARO_IDLE_BIN=$<TARGET_FILE:tivaro-idle>;TIVARO_KWIN_INPUT=$<TARGET_FILE:kwin_input>;TIVARO_KWIN_SHOT=$<TARGET_FILE:kwin_shot>;TIVARO_KWIN_LOGIND=$<TARGET_FILE:stand_in_logind>;TIVARO_PLAIN_VIEW=$<TARGET_FILE:plain_view>;TIVARO_BUS_PEER=$<TARGET_FILE:bus_peer>;PYTHONDONTWRITEBYTECODE=1"
  TIMEOUT 240 LABELS "desktop;integration" RUN_SERIAL TRUE SKIP_RETURN_CODE 77)
