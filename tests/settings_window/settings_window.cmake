# tivaro-settings, the real window, with a private session bus and the accessibility bus,
# driven through AT-SPI: as a native Wayland window under headless sway, and as an X client
# under Xvfb (the same test, --x11). Skipped (77) where GTK 4 is missing, so that the window
# was not built, or where the system Python has no pyatspi.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
# pyatspi is a Debian package of the system's Python, not of one a user put first on PATH.
find_program(TIVARO_SYSTEM_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT TIVARO_SYSTEM_PYTHON3)
  set(TIVARO_SYSTEM_PYTHON3 ${Python3_EXECUTABLE})
endif()
set(tivaro_settings_test_env
    "TIVARO_BIN=$<TARGET_FILE:tivaro>;TIVARO_IDLE_BIN=$<TARGET_FILE:tivaro-idle>;PYTHONDONTWRITEBYTECODE=1")
if(TARGET tivaro-settings)
  list(APPEND tivaro_settings_test_env "TIVARO_SETTINGS_BIN=$<TARGET_FILE:tivaro-settings>")
endif()
add_test(NAME settings_window.sway
         COMMAND ${PROJECT_SOURCE_DIR}/tests/wayland/run_under_sway.sh --one-output
                 dbus-run-session -- ${TIVARO_SYSTEM_PYTHON3}
                 ${PROJECT_SOURCE_DIR}/tests/settings_window/test_settings_window.py)
add_test(NAME settings_window.x11
         COMMAND ${PROJECT_SOURCE_DIR}/tests/integration/run_under_xvfb.sh
                 dbus-run-session -- ${TIVARO_SYSTEM_PYTHON3}
                 ${PROJECT_SOURCE_DIR}/tests/settings_window/test_settings_window.py --x11)
set_tests_properties(settings_window.sway settings_window.x11 PROPERTIES
  ENVIRONMENT "${tivaro_settings_test_env}"
  TIMEOUT 180 LABELS integration RUN_SERIAL TRUE SKIP_RETURN_CODE 77)
