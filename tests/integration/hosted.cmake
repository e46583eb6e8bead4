# The saver in a window of another program (the X screen-saver daemon's conventions).
tivaro_x11_test(integration.hosted test_hosted.py)
set_property(TEST integration.hosted APPEND PROPERTY ENVIRONMENT
  "TIVARO_TEST_PANE=$<TARGET_FILE:test_pane>")
