# Native build of the portable code: the system's zlib, libpng, libjpeg-turbo, libtiff and
# OpenJPEG, and GoogleTest built from the Debian source package, so that it carries the same
# sanitizer flags as the code.

find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(TIFF REQUIRED)
find_package(OpenJPEG REQUIRED CONFIG)
add_library(openjpeg INTERFACE)
target_include_directories(openjpeg INTERFACE ${OPENJPEG_INCLUDE_DIRS})
target_link_libraries(openjpeg INTERFACE openjp2)

if(EXISTS /usr/src/googletest/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
    add_library(GTest::gmock ALIAS gmock)
  endif()
else()
  find_package(GTest REQUIRED)
endif()
