# Native build of the portable code: the system's zlib; libpng, libjpeg-turbo, libtiff and
# OpenJPEG from the instrumented prefix that scripts/setup makes (TAVISCO_HOST_CODECS,
# given by scripts/build; without it the system's libraries); and GoogleTest built from
# the Debian source package, so that it carries the same sanitizer flags as the code.

set(TAVISCO_HOST_CODECS "" CACHE PATH
    "Prefix of the codec libraries built with the sanitizers (scripts/host-codecs.sh)")
if(TAVISCO_HOST_CODECS)
  if(NOT EXISTS "${TAVISCO_HOST_CODECS}/.complete")
    message(FATAL_ERROR "The host codec prefix '${TAVISCO_HOST_CODECS}' is missing or "
                        "incomplete. Run scripts/setup (or scripts/test, which calls it) first.")
  endif()
  list(PREPEND CMAKE_PREFIX_PATH "${TAVISCO_HOST_CODECS}")
  # Only the static libraries are there; the system's shared ones must not be taken.
  set(JPEG_NAMES jpeg)
  set(PNG_NAMES png16)
endif()

find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(TIFF REQUIRED)
find_package(OpenJPEG REQUIRED CONFIG)
if(TAVISCO_HOST_CODECS)
  foreach(library JPEG_LIBRARY PNG_LIBRARY TIFF_LIBRARY)
    if(NOT ${library} MATCHES "^${TAVISCO_HOST_CODECS}/")
      message(FATAL_ERROR "${library} (${${library}}) is not from ${TAVISCO_HOST_CODECS}")
    endif()
  endforeach()
  # A static libtiff brings its codecs' libraries with it.
  set_property(TARGET TIFF::TIFF APPEND PROPERTY INTERFACE_LINK_LIBRARIES JPEG::JPEG ZLIB::ZLIB m)
endif()
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
