# A form with nothing but its back colour on a real X server: filled by the server, never
# presented to; the program records its backend calls on their way to the X11 backend.
add_executable(test_plain_form ${CMAKE_CURRENT_LIST_DIR}/test_plain_form.cpp)
target_link_libraries(test_plain_form PRIVATE tivaro_runtime tivaro_test_backend tivaro_backend
                                              tivaro_warnings)

tivaro_x11_test(integration.plain_form test_plain_form.py)
set_property(TEST integration.plain_form APPEND PROPERTY ENVIRONMENT
  "TIVARO_PLAIN_FORM=$<TARGET_FILE:test_plain_form>;TIVARO_TEST_PANE=$<TARGET_FILE:test_pane>")
