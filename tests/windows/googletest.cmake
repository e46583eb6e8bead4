# GoogleTest for a cross-compiled build: Debian ships its sources in /usr/src/googletest;
# they are built here with the cross compiler, as GTest::gtest and GTest::gtest_main.
set(TIVARO_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${TIVARO_GOOGLETEST_SOURCE}/CMakeLists.txt)
  find_package(GTest REQUIRED)
  return()
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${TIVARO_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
if(NOT TARGET GTest::gtest)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
