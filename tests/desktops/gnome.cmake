# The saver and tivaro-idle under GNOME's own compositor: a private headless gnome-shell
# (gnome_run.sh) with two virtual monitors, the second at scale 2. Input, pictures and the
# window list go through gnome_bus_client, the shell's own D-Bus interfaces.
add_executable(gnome_bus_client ${CMAKE_CURRENT_SOURCE_DIR}/desktops/gnome_bus_client.cpp)
target_link_libraries(gnome_bus_client PRIVATE PkgConfig::TIVARO_IDLE_TEST_LIBS tivaro_warnings)

set(gnome_env "TIVARO_BIN=$<TARGET_FILE:tivaro>;TIVARO_IDLE_BIN=$<TARGET_FILE:tivaro-idle>;TIVARO_BUS_PEER=$<TARGET_FILE:bus_peer>;TIVARO_GNOME_BUS_CLIENT=$<TARGET_FILE:gnome_bus_client>;PYTHONDONTWRITEBYTECODE=1")
# desktop.gnome: all of it; desktop.gnome.idle: without the saver's pictures and pointer checks.
foreach(part IN ITEMS "" ".idle")
  add_test(NAME desktop.gnome${part}
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/desktops/gnome_run.sh $<TARGET_FILE:gnome_bus_client>
                   ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/desktops/test_gnome.py)
  set_tests_properties(desktop.gnome${part} PROPERTIES TIMEOUT 360 LABELS "desktop;integration"
                       RUN_SERIAL TRUE)
endforeach()
set_tests_properties(desktop.gnome PROPERTIES ENVIRONMENT "${gnome_env}")
set_tests_properties(desktop.gnome.idle PROPERTIES ENVIRONMENT "${gnome_env};TIVARO_GNOME_PART=idle")
# The whole test is off unless asked for (cmake -DTIVARO_GNOME_TEST=ON), on gnome-shell 43 and
# 48 alike. Its pictures come from the shell's screen casts (Mutter's ScreenCast through
# PipeWire) and its pointer is placed on a cast's stream, where the shell's Screenshot of the
# stage came out unlike what the monitors show and the relative motion of a remote-desktop
# session reached no client (a fullscreen GTK 4 window got no pointer event from it either).
# With those, gnome-shell 48 passed it in 8 of 11 runs; the others failed on the pointer alone:
# it stayed shown over the saver and a click did not end it, while a key did. Where the
# shell lays out monitors in device pixels (48's default) it shows any fullscreen window on
# the monitor at scale 2 at twice that monitor's size, somewhere (GTK 4's too), so the test
# does not check the pictures of that monitor, and says so. gnome-shell 43's screen casts are
# untried; its Screenshot pictures were cut to a rectangle the size of the scale-2 monitor at
# the stage's origin.
option(TIVARO_GNOME_TEST "Run the saver's own test under gnome-shell, which has known faults" OFF)
if(NOT TIVARO_GNOME_TEST)
  set_tests_properties(desktop.gnome PROPERTIES DISABLED TRUE)
endif()
