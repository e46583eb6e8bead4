# Sanitizer and fuzzing builds (GCC or Clang on Linux):
#   -DTIVARO_SANITIZE=address,undefined   every target built with those sanitizers; any
#                                         undefined behaviour ends the program
#   -DTIVARO_FUZZ=ON                      (Clang) the libFuzzer targets in fuzz/, with
#                                         AddressSanitizer and UndefinedBehaviorSanitizer
# tools/test-sanitizers.sh and tools/fuzz.sh run them.
set(TIVARO_SANITIZE "" CACHE STRING "Sanitizers to build with (e.g. address,undefined)")
option(TIVARO_FUZZ "Build the libFuzzer targets in fuzz/ (needs Clang)" OFF)

if(TIVARO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TIVARO_FUZZ needs Clang (-DCMAKE_CXX_COMPILER=clang++-14)")
  endif()
  if(TIVARO_SANITIZE STREQUAL "")
    set(TIVARO_SANITIZE address,undefined)
  endif()
  # Every library is instrumented for coverage; only the fuzz targets get libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(NOT TIVARO_SANITIZE STREQUAL "")
  add_compile_options(-fsanitize=${TIVARO_SANITIZE} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${TIVARO_SANITIZE} -fno-sanitize-recover=all)
endif()
