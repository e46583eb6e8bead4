# The push button on a real X server: a small form with one button, driven with xdotool
# and read back with screenshots.
add_executable(test_button_form ${CMAKE_CURRENT_LIST_DIR}/test_button_form.cpp)
target_link_libraries(test_button_form PRIVATE tivaro_core tivaro_backend tivaro_warnings)

tivaro_x11_test(integration.button test_button.py)
set_property(TEST integration.button APPEND PROPERTY ENVIRONMENT
  "TIVARO_BUTTON_FORM=$<TARGET_FILE:test_button_form>;TIVARO_ASSETS=${PROJECT_SOURCE_DIR}/assets")
