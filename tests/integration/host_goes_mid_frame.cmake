# The host window goes in the middle of a frame, inside the GL library's look at the size of
# what it draws on (host_goes_mid_frame.c, loaded into the saver).
add_library(tivaro_host_goes_mid_frame MODULE ${CMAKE_CURRENT_LIST_DIR}/host_goes_mid_frame.c)
target_link_libraries(tivaro_host_goes_mid_frame PRIVATE ${CMAKE_DL_LIBS} tivaro_warnings)
tivaro_x11_test(integration.host_goes_mid_frame test_host_goes_mid_frame.py)
set_property(TEST integration.host_goes_mid_frame APPEND PROPERTY ENVIRONMENT
  "TIVARO_TEST_PANE=$<TARGET_FILE:test_pane>;TIVARO_HOST_GOES_MID_FRAME=$<TARGET_FILE:tivaro_host_goes_mid_frame>")
