# Project-wide settings of the Windows builds (included by the top CMakeLists.txt).

# windows.h, which GL/gl.h pulls in, must not define min and max over std::min/max, and
# the W functions are the ones meant.
add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN UNICODE _UNICODE)
# GL/gl.h comes through a wrapper that keeps windows.h's RGB macro out of our code.
include_directories(BEFORE SYSTEM ${PROJECT_SOURCE_DIR}/platform/win32/include)

# Header-only libraries that Debian installs under /usr/include (stb) are used as they
# are; the rest of /usr/include belongs to Linux and stays out of sight of the cross
# compiler.
if(CMAKE_CROSSCOMPILING AND EXISTS /usr/include/stb/stb_image.h)
  set(TIVARO_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
  file(MAKE_DIRECTORY ${TIVARO_HOST_HEADERS})
  file(CREATE_LINK /usr/include/stb ${TIVARO_HOST_HEADERS}/stb SYMBOLIC)
  include_directories(SYSTEM ${TIVARO_HOST_HEADERS})
endif()
