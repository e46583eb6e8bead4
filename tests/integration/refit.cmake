# Monitors that come and go while the saver runs, with and without a window manager.
tivaro_x11_test(integration.refit test_refit.py XVFB_ARGS --size 2048x768)
