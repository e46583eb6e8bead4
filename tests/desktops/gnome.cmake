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
  set_tests_properties(desktop.gnome${part} PROPERTIES TIMEOUT 240 LABELS "desktop;integration"
                       RUN_SERIAL TRUE)
endforeach()
set_tests_properties(desktop.gnome PROPERTIES ENVIRONMENT "${gnome_env}")
set_tests_properties(desktop.gnome.idle PROPERTIES ENVIRONMENT "${gnome_env};TIVARO_GNOME_PART=idle")
# The whole test is off unless asked for (cmake -DTIVARO_GNOME_TEST=ON): in most runs it fails
# on two things that are the headless shell's, not the saver's. The shell's pictures come out
# cut to a rectangle the size of the scale-2 monitor at the stage's origin while the saver
# runs: its window there lies where it should (the fountain's centre is the monitor's, and it
# is cut at x = 1600), and with that monitor moved to the origin the other monitor comes out
# empty, its desktop too; weston-simple-egl fullscreen gives the same cut pictures. And the
# pointer of a remote-desktop session reaches no client in most runs (weston-simple-egl gets
# no pointer event either), so the checks that the pointer is hidden and that a click ends
# the saver cannot pass.
option(TIVARO_GNOME_TEST "Run the saver's test under gnome-shell, which has known faults" OFF)
if(NOT TIVARO_GNOME_TEST)
  set_tests_properties(desktop.gnome PROPERTIES DISABLED TRUE)
endif()
