# Monitors that come and go while the saver runs, with and without a window manager;
# watch_colour looks for the private window in the moments the window is placed anew.
tivaro_x11_test(integration.refit test_refit.py XVFB_ARGS --size 2048x768)
set_property(TEST integration.refit APPEND PROPERTY ENVIRONMENT
  "TIVARO_WATCH_COLOUR=$<TARGET_FILE:watch_colour>")
