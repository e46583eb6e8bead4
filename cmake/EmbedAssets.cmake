# Embeds binary files in the executable as byte arrays, so that nothing is read from disk
# at run time. tivaro_embed_assets(<target> FILES a.jpg ...) generates one source per
# file and a registry that assets::Find("a.jpg") looks names up in.
function(tivaro_embed_assets target)
  cmake_parse_arguments(ARG "" "" "FILES" ${ARGN})
  set(sources)
  set(decls "")
  set(rows "")
  foreach(file IN LISTS ARG_FILES)
    get_filename_component(abs "${file}" ABSOLUTE)
    get_filename_component(name "${file}" NAME)
    string(MAKE_C_IDENTIFIER "asset_${name}" symbol)
    set(out "${CMAKE_CURRENT_BINARY_DIR}/embedded/${symbol}.cpp")
    add_custom_command(
      OUTPUT "${out}"
      COMMAND ${CMAKE_COMMAND} -DINPUT=${abs} -DOUTPUT=${out} -DSYMBOL=${symbol}
              -P ${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake
      DEPENDS "${abs}" ${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake
      COMMENT "Embedding ${name}"
      VERBATIM)
    list(APPEND sources "${out}")
    string(APPEND decls "extern const unsigned char ${symbol}[];\nextern const unsigned long long ${symbol}_size;\n")
    string(APPEND rows "    {\"${name}\", ${symbol}, ${symbol}_size},\n")
  endforeach()
  set(registry "${CMAKE_CURRENT_BINARY_DIR}/embedded/registry.cpp")
  file(CONFIGURE OUTPUT "${registry}" CONTENT
"// Generated list of the embedded assets; do not edit.
#include \"assets/assets.h\"
${decls}
namespace tivaro::assets {
const Entry kEntries[] = {
${rows}    {nullptr, nullptr, 0},
};
}  // namespace tivaro::assets
")
  target_sources(${target} PRIVATE ${sources} "${registry}")
endfunction()
