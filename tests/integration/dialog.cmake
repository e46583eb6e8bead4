# The credits dialog (tivaro /c) on a private Xvfb: picture, one-instance rule, link, Exit.
tivaro_x11_test(integration.dialog test_dialog.py)
# The same dialog on a desktop at 200 % (Xft.dpi 192), against itself at 96 DPI.
tivaro_x11_test(integration.dialog_scale test_dialog_scale.py)
