# Sanitizer builds (GCC or Clang on Linux):
#   -DTIVARO_SANITIZE=address,undefined   every target built with those sanitizers; any
#                                         undefined behaviour ends the program
# tools/test-sanitizers.sh runs them.
set(TIVARO_SANITIZE "" CACHE STRING "Sanitizers to build with (e.g. address,undefined)")
if(NOT TIVARO_SANITIZE STREQUAL "")
  add_compile_options(-fsanitize=${TIVARO_SANITIZE} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${TIVARO_SANITIZE} -fno-sanitize-recover=all)
endif()
