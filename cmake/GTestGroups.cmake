# Registers the cases of one GoogleTest program with CTest in groups: included by CTest
# (through the TEST_INCLUDE_FILES file that tavisco_add_gtest writes), never by a build.
#
# A Windows test program costs most of a second to start under Wine, and a program of the
# display holds the display while it runs: one process per case made the start-ups the
# larger part of the test run. Each group runs in one process with a filter of its cases:
#
#   "Suite.*"        every case of a suite, when the suite has at most MAX_CASES cases;
#   "Suite.*#2"      the second part of a larger suite, its cases listed in the filter.
#
# The cases of a suite in ALONE_SUITES run one per process, under their own names. A name
# that another program has taken already gets the program's name in front
# ("framework_tests:Picture.*").
#
# gtest's output of a group names every case it ran, and a failing case in its FAILED
# lines. A group's time limit is TIMEOUT for its first case and CASE_TIMEOUT for every
# further one.
#
# One case can still be run alone: a CTest regular expression (scripts/test -R, passed on
# in TAVISCO_TEST_REGEX) that names no group but matches cases registers those cases one
# by one under their own names (Suite.Case), and TAVISCO_TEST_CASES=1 registers every case
# alone, as one process per case.
#
# The list of cases is asked of the program (--gtest_list_tests) once per build of it and
# kept beside it in LIST_FILE.

cmake_minimum_required(VERSION 3.25)

set(_TAVISCO_GTEST_GROUPS_SCRIPT "${CMAKE_CURRENT_LIST_FILE}")

function(tavisco_gtest_groups)
  cmake_parse_arguments(ARG ""
    "TARGET;EXECUTABLE;EMULATOR;WORKING_DIR;PREFIX;LIST_FILE;DISCOVERY_TIMEOUT;TIMEOUT;CASE_TIMEOUT;MAX_CASES;TESTS_VAR"
    "PROPERTIES;LOCKS;CASE_LOCKS;ALONE_SUITES" ${ARGN})

  if(NOT EXISTS "${ARG_EXECUTABLE}")
    # As gtest_discover_tests does: a program not built is one failing test.
    add_test(${ARG_TARGET}_NOT_BUILT ${ARG_TARGET}_NOT_BUILT)
    return()
  endif()

  # The cases, one "Suite.Case" a line, asked afresh whenever the program is newer.
  if(NOT EXISTS "${ARG_LIST_FILE}" OR NOT "${ARG_LIST_FILE}" IS_NEWER_THAN "${ARG_EXECUTABLE}" OR
     NOT "${ARG_LIST_FILE}" IS_NEWER_THAN "${_TAVISCO_GTEST_GROUPS_SCRIPT}")
    execute_process(
      COMMAND ${ARG_EMULATOR} "${ARG_EXECUTABLE}" --gtest_list_tests
      WORKING_DIRECTORY "${ARG_WORKING_DIR}"
      TIMEOUT ${ARG_DISCOVERY_TIMEOUT}
      OUTPUT_VARIABLE output
      RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "Listing the tests of ${ARG_EXECUTABLE} failed (${result}):\n${output}")
    endif()
    # Lines: "Suite." (with "  # TypeParam = ..." for typed suites), then "  Case" (with
    # "  # GetParam() = ..." for parameterised cases). Brackets and semicolons of the
    # comments go with the comments.
    string(REGEX REPLACE "#[^\n]*" "" output "${output}")
    string(REPLACE ";" "" output "${output}")
    string(REPLACE "\n" ";" lines "${output}")
    set(cases "")
    set(suite "")
    foreach(line IN LISTS lines)
      string(STRIP "${line}" name)
      if(name STREQUAL "" OR line MATCHES "gtest_main\\.cc|^Running main")
        continue()
      endif()
      if(NOT line MATCHES "^ ")
        string(REGEX REPLACE "\\.$" "" suite "${name}")
      elseif(NOT "${suite}.${name}" MATCHES "(^|[./])DISABLED_")
        # Disabled cases are left out: gtest runs them under no filter.
        string(APPEND cases "${suite}.${name}\n")
      endif()
    endforeach()
    file(WRITE "${ARG_LIST_FILE}" "${cases}")
  endif()

  file(STRINGS "${ARG_LIST_FILE}" cases)
  set(regex "$ENV{TAVISCO_TEST_REGEX}")
  set(alone "$ENV{TAVISCO_TEST_CASES}")

  # The cases by suite, in the program's order.
  set(suites "")
  foreach(case IN LISTS cases)
    string(REGEX REPLACE "\\.[^.]*$" "" suite "${case}")
    string(MAKE_C_IDENTIFIER "${suite}" key)
    if(NOT DEFINED cases_${key})
      list(APPEND suites "${suite}")
      set(cases_${key} "")
    endif()
    list(APPEND cases_${key} "${case}")
  endforeach()

  set(names "")
  foreach(suite IN LISTS suites)
    string(MAKE_C_IDENTIFIER "${suite}" key)
    set(members ${cases_${key}})
    list(LENGTH members count)
    # Parts of at most MAX_CASES cases, of even size.
    math(EXPR parts "(${count} + ${ARG_MAX_CASES} - 1) / ${ARG_MAX_CASES}")
    math(EXPR per_part "(${count} + ${parts} - 1) / ${parts}")
    set(index 0)
    set(part 1)
    while(index LESS count)
      math(EXPR last "${index} + ${per_part} - 1")
      if(last GREATER_EQUAL count)
        math(EXPR last "${count} - 1")
      endif()
      set(group "")
      foreach(i RANGE ${index} ${last})
        list(GET members ${i} case)
        list(APPEND group "${case}")
      endforeach()
      math(EXPR index "${last} + 1")
      if(parts EQUAL 1)
        set(name "${ARG_PREFIX}${suite}.*")
        set(filter "${suite}.*")
      else()
        set(name "${ARG_PREFIX}${suite}.*#${part}")
        string(REPLACE ";" ":" filter "${group}")
      endif()
      math(EXPR part "${part} + 1")
      _tavisco_gtest_unique(name)

      if(NOT alone AND NOT suite IN_LIST ARG_ALONE_SUITES AND
         (regex STREQUAL "" OR name MATCHES "${regex}"))
        list(LENGTH group size)
        _tavisco_gtest_add("${name}" "${filter}" "${group}" ${size})
      else()
        # Alone: the cases the expression selects (all of them without one).
        foreach(case IN LISTS group)
          set(case_name "${ARG_PREFIX}${case}")
          _tavisco_gtest_unique(case_name)
          if(regex STREQUAL "" OR case_name MATCHES "${regex}")
            _tavisco_gtest_add("${case_name}" "${case}" "${case}" 1)
          endif()
        endforeach()
      endif()
    endwhile()
  endforeach()
  set(${ARG_TESTS_VAR} ${names} PARENT_SCOPE)
endfunction()

# The test name in `var`, with the program's name in front if another program has taken it
# (whether or not that program's test is registered in this run).
function(_tavisco_gtest_unique var)
  set(name "${${var}}")
  get_property(taken GLOBAL PROPERTY TAVISCO_GTEST_NAMES)
  if(name IN_LIST taken)
    set(name "${ARG_TARGET}:${name}")
  endif()
  set_property(GLOBAL APPEND PROPERTY TAVISCO_GTEST_NAMES "${name}")
  set(${var} "${name}" PARENT_SCOPE)
endfunction()

# Adds one test `name` running the cases of `filter`: `cases`, a list, `count` of them.
# `options` are the arguments of tavisco_gtest_groups, parsed (ARG_*).
function(_tavisco_gtest_add name filter cases count)
  add_test("${name}" ${ARG_EMULATOR} "${ARG_EXECUTABLE}" "--gtest_filter=${filter}")
  math(EXPR timeout "${ARG_TIMEOUT} + ${ARG_CASE_TIMEOUT} * (${count} - 1)")
  # The locks of the program, and those that single cases need besides ("Suite.Case=a,b").
  set(locks ${ARG_LOCKS})
  foreach(case_lock IN LISTS ARG_CASE_LOCKS)
    string(REGEX REPLACE "=.*" "" lock_case "${case_lock}")
    string(REGEX REPLACE "^[^=]*=" "" lock_names "${case_lock}")
    if(lock_case IN_LIST cases)
      string(REPLACE "," ";" lock_names "${lock_names}")
      list(APPEND locks ${lock_names})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES locks)
  set_tests_properties("${name}" PROPERTIES
    WORKING_DIRECTORY "${ARG_WORKING_DIR}" TIMEOUT ${timeout} ${ARG_PROPERTIES})
  if(locks)
    set_tests_properties("${name}" PROPERTIES RESOURCE_LOCK "${locks}")
  endif()
  if(count EQUAL 1)
    # A case alone is reported as skipped when it skips itself; a group with a skipped case
    # passes or fails by its other cases.
    set_tests_properties("${name}" PROPERTIES SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
  endif()
  set(names ${names} "${name}" PARENT_SCOPE)
endfunction()
