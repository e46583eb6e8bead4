# tivaro --still: the preview's still written as a PNG file with no display at all, and bad
# command lines refused in one line.
add_test(NAME integration.still
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/integration/test_still.py)
set_tests_properties(integration.still PROPERTIES
  ENVIRONMENT "TIVARO_BIN=$<TARGET_FILE:tivaro>;TIVARO_PREVIEW_PICTURE=${PROJECT_SOURCE_DIR}/assets/preview.png;PYTHONDONTWRITEBYTECODE=1"
  TIMEOUT 60 LABELS integration)
