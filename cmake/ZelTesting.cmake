# zel_add_test(NAME SOURCES... [LIBS libs...])
# One test program, registered once with CTest (under Wine each start costs
# seconds, so cases are never registered one by one).
function(zel_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  zel_own_code(${name})
  add_test(NAME ${name} COMMAND ${name})
endfunction()
