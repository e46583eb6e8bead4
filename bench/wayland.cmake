# The bare Wayland program the saver's Wayland frame rate is compared with
# (bench/run_wayland.sh): libwayland-client, wayland-egl and EGL with desktop GL.
find_package(PkgConfig REQUIRED)
pkg_check_modules(TIVARO_REFERENCE_WAYLAND REQUIRED IMPORTED_TARGET wayland-client wayland-egl egl)
include(${PROJECT_SOURCE_DIR}/cmake/WaylandProtocols.cmake)
find_package(OpenGL REQUIRED COMPONENTS OpenGL)

add_executable(tivaro_reference_wayland ${CMAKE_CURRENT_LIST_DIR}/reference_wayland.cpp)
# xdg-shell too: layer-shell's popups are xdg_popups.
tivaro_wayland_protocols(tivaro_reference_wayland
  ${WAYLAND_PROTOCOLS_DIR}/stable/xdg-shell/xdg-shell.xml
  ${PROJECT_SOURCE_DIR}/platform/wayland/protocols/wlr-layer-shell-unstable-v1.xml)
target_link_libraries(tivaro_reference_wayland PRIVATE tivaro_render tivaro_image tivaro_assets
                                                       PkgConfig::TIVARO_REFERENCE_WAYLAND
                                                       OpenGL::GL OpenGL::GLU tivaro_warnings)
