# Tests of the Windows build, run under Wine (CMAKE_CROSSCOMPILING_EMULATOR) on the X
# server named by DISPLAY; tools/test-windows.sh provides both.

# The backend's own tests: real windows, messages, GDI text and WGL under Wine.
file(GLOB TIVARO_WIN32_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/windows/*_test.cpp)
add_executable(tivaro_win32_tests ${TIVARO_WIN32_TESTS})
target_link_libraries(tivaro_win32_tests PRIVATE tivaro_backend tivaro_text tivaro_image
                                                 tivaro_assets GTest::gtest GTest::gtest_main
                                                 tivaro_warnings)
add_test(NAME wine.backend COMMAND tivaro_win32_tests)
set_tests_properties(wine.backend PROPERTIES LABELS wine TIMEOUT 300 RUN_SERIAL TRUE)

# Looks at Tivaro.scr from inside Windows: a preview pane, window positions, a start with
# no standard handles.
add_executable(wine_probe ${CMAKE_CURRENT_SOURCE_DIR}/windows/wine_probe.cpp)
target_link_options(wine_probe PRIVATE -municode)
target_link_libraries(wine_probe PRIVATE user32 tivaro_warnings)

# Tivaro.scr itself under Wine: one CTest test per group of test_wine.py. They share the
# display and the one-instance rule, so they run one at a time.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
foreach(group Saver TwoMonitors Settings Preview Modes Scale)
  add_test(NAME wine.${group}
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/windows/test_wine.py ${group})
  set_tests_properties(wine.${group} PROPERTIES
    ENVIRONMENT "TIVARO_SCR=$<TARGET_FILE:tivaro>;TIVARO_WINE_PROBE=$<TARGET_FILE:wine_probe>;TIVARO_WINE=${TIVARO_WINE};PYTHONDONTWRITEBYTECODE=1"
    LABELS wine TIMEOUT 180 RUN_SERIAL TRUE)
endforeach()

# The program file's resources, read from the PE file: its manifest and its icon sizes.
add_test(NAME windows.resources
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/windows/test_pe_resources.py
                 $<TARGET_FILE:tivaro>)
set_tests_properties(windows.resources PROPERTIES LABELS wine TIMEOUT 60)
