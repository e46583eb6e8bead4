# The saver where things go wrong: odd command lines, a vanishing server, no GLX.
tivaro_x11_test(integration.saver_adverse test_saver_adverse.py)
tivaro_x11_test(integration.saver_without_glx test_saver_adverse.py XVFB_ARGS --no-glx)
set_property(TEST integration.saver_without_glx APPEND PROPERTY ENVIRONMENT "TIVARO_NO_GLX=1")
