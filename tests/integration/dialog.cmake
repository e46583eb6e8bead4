# The credits dialog (tivaro /c) on a private Xvfb: picture, one-instance rule, link, Exit.
tivaro_x11_test(integration.dialog test_dialog.py)
