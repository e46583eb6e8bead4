# The X11 backend's own tests on a real X server: its X errors, its events on the root window,
# input held before the cover.
add_executable(tivaro_x11_backend_tests ${CMAKE_CURRENT_LIST_DIR}/x11_backend_test.cpp)
target_link_libraries(tivaro_x11_backend_tests PRIVATE tivaro_backend GTest::gtest
                                                       GTest::gtest_main tivaro_warnings)
add_test(NAME integration.x11_backend
         COMMAND ${TIVARO_XVFB} $<TARGET_FILE:tivaro_x11_backend_tests>)
set_tests_properties(integration.x11_backend PROPERTIES LABELS integration TIMEOUT 60
                                                        RUN_SERIAL TRUE)
