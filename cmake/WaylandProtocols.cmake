# Client code for Wayland protocols, generated at build time by wayland-scanner from their XML
# descriptions (the system's wayland-protocols, or our own under platform/wayland/protocols/).
#
#   tivaro_wayland_protocols(TARGET xml...)
#
# adds to TARGET, for each file NAME.xml, the header NAME-client-protocol.h (in the build tree,
# on TARGET's include path as a system header) and the interface code NAME-protocol.c, which
# is compiled apart, with the compiler's default warnings: it is the scanner's, not ours.
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(WAYLAND_CLIENT_ONLY REQUIRED IMPORTED_TARGET wayland-client)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
if(NOT WAYLAND_PROTOCOLS_DIR)
  set(WAYLAND_PROTOCOLS_DIR /usr/share/wayland-protocols)
endif()

function(tivaro_wayland_protocols target)
  set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-protocols)
  file(MAKE_DIRECTORY ${out_dir})
  set(codes)
  foreach(xml IN LISTS ARGN)
    get_filename_component(name ${xml} NAME_WE)
    set(header ${out_dir}/${name}-client-protocol.h)
    set(code ${out_dir}/${name}-protocol.c)
    add_custom_command(OUTPUT ${header}
                       COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${header}
                       DEPENDS ${xml} VERBATIM)
    add_custom_command(OUTPUT ${code}
                       COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${code}
                       DEPENDS ${xml} VERBATIM)
    target_sources(${target} PRIVATE ${header})
    list(APPEND codes ${code})
  endforeach()
  add_library(${target}_protocols OBJECT ${codes})
  target_link_libraries(${target}_protocols PRIVATE PkgConfig::WAYLAND_CLIENT_ONLY)
  target_link_libraries(${target} PRIVATE ${target}_protocols)
  target_include_directories(${target} SYSTEM PUBLIC ${out_dir})
endfunction()
