# The saver beside another client's grab of the keyboard.
tivaro_x11_test(integration.grab test_grab.py)
