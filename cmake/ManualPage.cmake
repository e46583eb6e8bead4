# A manual page from its template (@PROJECT_VERSION@ and the like filled in), compressed as
# Debian's policy wants and installed in the given folder under the manual pages:
#   tivaro_manual_page(tivaro-idle.1.in man1)
include(GNUInstallDirs)
function(tivaro_manual_page template folder)
  string(REGEX REPLACE "\\.in$" "" page "${template}")
  get_filename_component(name "${page}" NAME)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${page})
  configure_file(${template} ${out} @ONLY)
  add_custom_command(OUTPUT ${out}.gz
                     COMMAND gzip -9 -n -c ${out} > ${out}.gz
                     DEPENDS ${out}
                     VERBATIM)
  add_custom_target(manual_${name} ALL DEPENDS ${out}.gz)
  install(FILES ${out}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/${folder})
endfunction()
