# Compiler settings shared by every target of the project.

add_library(project_options INTERFACE)
target_compile_features(project_options INTERFACE cxx_std_17)

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(project_options INTERFACE
    -Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
endif()

if(WIN32)
  # Windows 7 API level, narrow (system code page) Windows API names by default.
  target_compile_definitions(project_options INTERFACE
    _WIN32_WINNT=0x0601 WINVER=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX STRICT)
endif()

# The time limit of one test, in seconds: a test program that does not end fails after this
# time instead of holding its locks for the rest of the run.
set(TAVISCO_TEST_TIMEOUT 120 CACHE STRING "Time limit of one CTest test, in seconds")

if(TAVISCO_SANITIZE)
  set(TAVISCO_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
  add_compile_options(${TAVISCO_SANITIZER_FLAGS})
  add_link_options(-fsanitize=address,undefined)
endif()

# Windows test programs find their run-time files ("res\...") beside the executable,
# as the program does; tavisco_copy_runtime_file copies one there at build time.
function(tavisco_copy_runtime_file target source destination)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:${target}>/$<PATH:GET_PARENT_PATH,${destination}>
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${source} $<TARGET_FILE_DIR:${target}>/${destination}
    VERBATIM)
endfunction()

# One GoogleTest executable, its tests discovered when CTest runs (under Wine for
# Windows builds, through CMAKE_CROSSCOMPILING_EMULATOR).
function(tavisco_add_gtest target)
  cmake_parse_arguments(ARG "" "PREFIX" "SOURCES;LIBS;LOCKS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE project_options ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  if(NOT ARG_PREFIX)
    set(ARG_PREFIX "")
  endif()
  if(WIN32)
    set(label windows)
  else()
    set(label host)
  endif()
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 300
    TEST_PREFIX "${ARG_PREFIX}"
    PROPERTIES TIMEOUT ${TAVISCO_TEST_TIMEOUT} LABELS ${label})
  # LOCKS: shared resources (the camera device category, the display) whose tests must
  # not run at the same time as other tests holding the same lock. They are set once the
  # tests are known: as a discovery property a list of several locks would be spread into
  # property names, and only the first lock would hold.
  if(ARG_LOCKS)
    set(lock_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_locks.cmake")
    file(WRITE "${lock_file}"
      "if(${target}_TESTS)\n"
      "  set_tests_properties(\${${target}_TESTS} PROPERTIES RESOURCE_LOCK \"${ARG_LOCKS}\")\n"
      "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${lock_file}")
  endif()
endfunction()
