# The saver on a two-head X server.
tivaro_x11_test(integration.monitors test_monitors.py)
