# The cross-built third-party libraries, all static, from the prefix that scripts/setup
# makes ($TAVISCO_DEPS). Every target here is an imported target the code links by name.

if(NOT CMAKE_PREFIX_PATH OR NOT EXISTS "${CMAKE_PREFIX_PATH}/.complete")
  message(FATAL_ERROR
    "The dependency prefix '${CMAKE_PREFIX_PATH}' is missing or incomplete. "
    "Run scripts/setup (or scripts/test, which calls it) first.")
endif()
set(TAVISCO_DEPS_PREFIX "${CMAKE_PREFIX_PATH}")

set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)

set(JPEG_NAMES jpeg)
find_package(JPEG REQUIRED)

find_package(PNG REQUIRED)

find_package(TIFF REQUIRED)
# A static libtiff brings its codecs' libraries with it.
set_property(TARGET TIFF::TIFF APPEND PROPERTY INTERFACE_LINK_LIBRARIES JPEG::JPEG ZLIB::ZLIB)

find_package(OpenJPEG REQUIRED CONFIG)
add_library(openjpeg INTERFACE)
target_include_directories(openjpeg INTERFACE ${OPENJPEG_INCLUDE_DIRS})
target_link_libraries(openjpeg INTERFACE openjp2)
target_compile_definitions(openjpeg INTERFACE OPJ_STATIC)

find_package(SQLite3 REQUIRED)

find_package(OpenCV REQUIRED CONFIG COMPONENTS core imgproc objdetect video)
add_library(opencv INTERFACE)
target_include_directories(opencv INTERFACE ${OpenCV_INCLUDE_DIRS})
target_link_libraries(opencv INTERFACE ${OpenCV_LIBS})

find_package(GTest REQUIRED CONFIG)

set(TAVISCO_HAAR_DIR "${TAVISCO_DEPS_PREFIX}/share/haarcascades")
