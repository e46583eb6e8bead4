# A key the moment the saver's window exists ends the saver; the ways to run that take no
# input hold no keyboard.
tivaro_x11_test(integration.key_at_start test_key_at_start.py)
set_property(TEST integration.key_at_start APPEND PROPERTY ENVIRONMENT
  "TIVARO_TEST_PANE=$<TARGET_FILE:test_pane>")
