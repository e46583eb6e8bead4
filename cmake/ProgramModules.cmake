# On Linux the window-system backends and the fonts are modules (platform/loader/modules.h):
# shared objects with no SONAME, loaded by the program from its own install tree, never
# from the library search path.
#
#   tivaro_module(TARGET FILE_NAME sources...)
#
# makes TARGET the module FILE_NAME.so, beside the program in the build tree and in
# TIVARO_MODULE_DIR (lib/<triplet>/tivaro, Debian's place for private libraries) installed.
# The program resolves the module's references to the rest of Tivaro, so a module links
# only its own libraries (a window system's, or the fonts').
#
#   tivaro_module_objects(TARGET libraries...)
#
# compiles TARGET's sources as position-independent code for a module, with the headers of
# the given Tivaro libraries but without linking them: the program holds their one copy, and
# holds them whole (TIVARO_MODULE_NEEDS), for the modules call what the program may not.
include(GNUInstallDirs)
set(TIVARO_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
set(TIVARO_MODULE_DIR ${CMAKE_INSTALL_LIBDIR}/tivaro)

function(tivaro_module target file_name)
  add_library(${target} MODULE ${ARGN})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${file_name}
                        LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/app)
  target_link_libraries(${target} PRIVATE tivaro_warnings)
  # Read-only, as Debian wants shared objects.
  install(TARGETS ${target} LIBRARY DESTINATION ${TIVARO_MODULE_DIR}
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  set_property(GLOBAL APPEND PROPERTY TIVARO_MODULES ${target})
endfunction()

function(tivaro_module_objects target)
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  if(TARGET ${target}_protocols)
    set_target_properties(${target}_protocols PROPERTIES POSITION_INDEPENDENT_CODE ON)
  endif()
  set_property(GLOBAL APPEND PROPERTY TIVARO_MODULE_NEEDS ${ARGN})
  foreach(library IN LISTS ARGN)
    target_include_directories(${target} PUBLIC
      $<TARGET_PROPERTY:${library},INTERFACE_INCLUDE_DIRECTORIES>)
  endforeach()
endfunction()
