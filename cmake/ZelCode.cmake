# House rules for the project's own targets.

# zel_own_code(TARGET): our warnings, as errors. Third-party code (GoogleTest)
# is built without them.
set(ZEL_WARNINGS -Wall -Wextra -Wshadow -Wconversion -Wsign-conversion -Werror)
function(zel_own_code target)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    return()
  endif()
  target_compile_options(${target} PRIVATE ${ZEL_WARNINGS})
endfunction()

# zel_internals(LIBRARY): LIBRARY_internals, through which white-box tests
# reach the library's own headers. Nothing but tests links it.
function(zel_internals library)
  add_library(${library}_internals INTERFACE)
  target_include_directories(${library}_internals INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${library}_internals INTERFACE ${library})
  if(TARGET ${library}_admin)
    target_link_libraries(${library}_internals INTERFACE ${library}_admin)
  endif()
endfunction()

# zel_step_library(NAME SOURCES... USES libraries...): one subsystem of the
# upgrade program. Its folder is its interface; USES names everything it may
# include, so that an include of anything else fails to build.
function(zel_step_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;USES" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_USES})
  zel_own_code(${name})
endfunction()
