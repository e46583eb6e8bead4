# Screens of 16 and 8 bits per pixel: the dialog's true colours, and at 8 bits (no OpenGL
# configuration) the saver's clear refusal.
tivaro_x11_test(integration.depth16 test_depths.py XVFB_ARGS --depth 16)
tivaro_x11_test(integration.depth8 test_depths.py XVFB_ARGS --depth 8)
