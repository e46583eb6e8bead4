# End to end with the real X screen-saver daemon (Debian's xscreensaver).
add_test(NAME integration.xscreensaver
         COMMAND ${TIVARO_XVFB} --size 1024x768 ${CMAKE_CURRENT_SOURCE_DIR}/integration/test_xscreensaver.sh
                 $<TARGET_FILE:tivaro>)
set_tests_properties(integration.xscreensaver PROPERTIES LABELS integration TIMEOUT 120 RUN_SERIAL TRUE)

add_test(NAME integration.install
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/integration/test_install.sh ${PROJECT_BINARY_DIR}
                 ${PROJECT_VERSION})
set_tests_properties(integration.install PROPERTIES LABELS integration TIMEOUT 60)
