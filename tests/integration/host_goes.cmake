# The host window goes between the saver's look at it and the parenting (host_goes.c, loaded
# into the program, destroys it in that moment).
add_library(tivaro_host_goes MODULE ${CMAKE_CURRENT_LIST_DIR}/host_goes.c)
target_link_libraries(tivaro_host_goes PRIVATE ${CMAKE_DL_LIBS} tivaro_warnings)
tivaro_x11_test(integration.host_goes test_host_goes.py)
set_property(TEST integration.host_goes APPEND PROPERTY ENVIRONMENT
  "TIVARO_TEST_PANE=$<TARGET_FILE:test_pane>;TIVARO_HOST_GOES=$<TARGET_FILE:tivaro_host_goes>")
