# The program on a real Wayland compositor: a private headless sway per test (run_under_sway.sh),
# with grim for pictures, wtype for keys and a virtual pointer of our own for the pointer.
include(${PROJECT_SOURCE_DIR}/cmake/WaylandProtocols.cmake)

set(TIVARO_WAYLAND_TESTS ${CMAKE_CURRENT_SOURCE_DIR}/wayland)
add_executable(tivaro_virtual_pointer ${TIVARO_WAYLAND_TESTS}/virtual_pointer.c)
tivaro_wayland_protocols(tivaro_virtual_pointer
  ${TIVARO_WAYLAND_TESTS}/protocols/wlr-virtual-pointer-unstable-v1.xml
  ${WAYLAND_PROTOCOLS_DIR}/unstable/xdg-output/xdg-output-unstable-v1.xml)
target_link_libraries(tivaro_virtual_pointer PRIVATE PkgConfig::WAYLAND_CLIENT_ONLY
                                                     tivaro_warnings)

# Labelled integration too: they run the real program, and tools/test-sanitizers.sh runs such
# tests with the leak checker's fast unwinder (the full one deadlocks in llvmpipe).
function(tivaro_wayland_test name script)
  cmake_parse_arguments(ARG "" "" "SWAY_ARGS" ${ARGN})
  add_test(NAME ${name}
           COMMAND ${TIVARO_WAYLAND_TESTS}/run_under_sway.sh ${ARG_SWAY_ARGS}
                   ${Python3_EXECUTABLE} ${TIVARO_WAYLAND_TESTS}/${script})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "TIVARO_BIN=$<TARGET_FILE:tivaro>;TIVARO_VIRTUAL_POINTER=$<TARGET_FILE:tivaro_virtual_pointer>;PYTHONDONTWRITEBYTECODE=1"
    TIMEOUT 180 LABELS "wayland;integration" RUN_SERIAL TRUE)
endfunction()

tivaro_wayland_test(wayland.saver test_wayland_saver.py)
tivaro_wayland_test(wayland.modes test_wayland_modes.py)
tivaro_wayland_test(wayland.late_output test_wayland_late_output.py SWAY_ARGS --no-output)

# The wait for the compositor's events, on a connection of the test's own to headless sway.
add_executable(tivaro_wayland_read_tests ${TIVARO_WAYLAND_TESTS}/wayland_read_test.cpp
                                         ${PROJECT_SOURCE_DIR}/platform/wayland/wayland_read.cpp)
target_include_directories(tivaro_wayland_read_tests PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(tivaro_wayland_read_tests PRIVATE PkgConfig::WAYLAND_CLIENT_ONLY
                      GTest::gtest GTest::gtest_main tivaro_warnings)
add_test(NAME wayland.read
         COMMAND ${TIVARO_WAYLAND_TESTS}/run_under_sway.sh --one-output
                 $<TARGET_FILE:tivaro_wayland_read_tests>)
set_tests_properties(wayland.read PROPERTIES TIMEOUT 120 LABELS "wayland;integration" RUN_SERIAL TRUE)

# Window surfaces that EGL refuses (egl_surface_fault.c, loaded into the program).
add_library(tivaro_egl_surface_fault MODULE ${TIVARO_WAYLAND_TESTS}/egl_surface_fault.c)
target_link_libraries(tivaro_egl_surface_fault PRIVATE ${CMAKE_DL_LIBS} tivaro_warnings)
tivaro_wayland_test(wayland.egl_surface_fault test_wayland_egl_surface_fault.py)
set_property(TEST wayland.egl_surface_fault APPEND PROPERTY ENVIRONMENT
  "TIVARO_EGL_SURFACE_FAULT=$<TARGET_FILE:tivaro_egl_surface_fault>")
