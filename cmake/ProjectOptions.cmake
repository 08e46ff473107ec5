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

# How the cases of a Windows test program are grouped into CTest tests (see
# cmake/GTestGroups.cmake): at most TAVISCO_TEST_GROUP_CASES cases run in one process, and a
# group has TAVISCO_TEST_TIMEOUT for its first case and TAVISCO_TEST_CASE_TIMEOUT more for
# every further one.
set(TAVISCO_TEST_GROUP_CASES 16 CACHE STRING "Most cases of a Windows test program run in one process")
set(TAVISCO_TEST_CASE_TIMEOUT 20 CACHE STRING "Time limit a test group gets for each case after its first, in seconds")

# One GoogleTest executable, its tests discovered when CTest runs. The native (host) ones
# are one CTest test per case. The Windows ones run under Wine (CMAKE_CROSSCOMPILING_EMULATOR),
# where a process costs most of a second to start: their cases are registered in groups,
# one process per suite or part of a suite (cmake/GTestGroups.cmake).
# LOCKS: shared resources (the camera device category, the display) whose tests must not run
# at the same time as other tests holding the same lock.
# CASE_LOCKS: "Suite.Case=lock,lock" for single cases that hold more locks than the
# program's; the group of such a case holds them too.
# ALONE_SUITES: suites whose cases still run one per process (cases that depend on a fresh
# process).
function(tavisco_add_gtest target)
  cmake_parse_arguments(ARG "" "PREFIX" "SOURCES;LIBS;LOCKS;CASE_LOCKS;ALONE_SUITES" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE project_options ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  if(NOT ARG_PREFIX)
    set(ARG_PREFIX "")
  endif()
  if(WIN32)
    set(include_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_groups.cmake")
    file(GENERATE OUTPUT "${include_file}" CONTENT
"include([==[${PROJECT_SOURCE_DIR}/cmake/GTestGroups.cmake]==])
tavisco_gtest_groups(
  TARGET [==[${target}]==]
  EXECUTABLE [==[$<TARGET_FILE:${target}>]==]
  EMULATOR [==[${CMAKE_CROSSCOMPILING_EMULATOR}]==]
  WORKING_DIR [==[${CMAKE_CURRENT_BINARY_DIR}]==]
  PREFIX [==[${ARG_PREFIX}]==]
  LIST_FILE [==[${CMAKE_CURRENT_BINARY_DIR}/${target}_cases.txt]==]
  DISCOVERY_TIMEOUT 300
  TIMEOUT ${TAVISCO_TEST_TIMEOUT}
  CASE_TIMEOUT ${TAVISCO_TEST_CASE_TIMEOUT}
  MAX_CASES ${TAVISCO_TEST_GROUP_CASES}
  PROPERTIES LABELS windows
  LOCKS [==[${ARG_LOCKS}]==]
  CASE_LOCKS [==[${ARG_CASE_LOCKS}]==]
  ALONE_SUITES [==[${ARG_ALONE_SUITES}]==]
  TESTS_VAR [==[${target}_TESTS]==])
")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${include_file}")
    return()
  endif()
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 300
    TEST_PREFIX "${ARG_PREFIX}"
    PROPERTIES TIMEOUT ${TAVISCO_TEST_TIMEOUT} LABELS host)
  # The locks are set once the tests are known: as a discovery property a list of several
  # locks would be spread into property names, and only the first lock would hold.
  if(ARG_LOCKS)
    set(lock_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_locks.cmake")
    file(WRITE "${lock_file}"
      "if(${target}_TESTS)\n"
      "  set_tests_properties(\${${target}_TESTS} PROPERTIES RESOURCE_LOCK \"${ARG_LOCKS}\")\n"
      "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${lock_file}")
  endif()
endfunction()
