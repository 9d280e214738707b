# zel_add_test(NAME SOURCES... [LIBS libs...])
# One test program, registered once with CTest (under Wine each start costs
# seconds, so cases are never registered one by one).
#
# ZEL_TESTS_LEFT_OUT: a pattern of test names a build leaves to another one
# (the sanitizer build leaves the long end-to-end tables to the plain
# build): they are neither built nor run, and CTest lists them as disabled.
set(ZEL_TESTS_LEFT_OUT "" CACHE STRING "test programs this build neither builds nor runs (a pattern)")

function(zel_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  zel_own_code(${name})
  add_test(NAME ${name} COMMAND ${name})
  if(ZEL_TESTS_LEFT_OUT AND name MATCHES "^(${ZEL_TESTS_LEFT_OUT})$")
    set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL TRUE)
    set_tests_properties(${name} PROPERTIES DISABLED TRUE)
  endif()
endfunction()
