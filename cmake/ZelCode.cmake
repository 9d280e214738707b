# House rules for the project's own targets.

# zel_own_code(TARGET): our warnings. CI makes them errors (ZEL_WERROR=ON, as
# scripts/test.sh builds); a plain build only shows them, so that a warning a
# newer compiler adds never stops a user's build. Third-party code
# (GoogleTest) is built without them.
option(ZEL_WERROR "Treat the project's warnings as errors (CI)" OFF)
set(ZEL_WARNINGS -Wall -Wextra -Wshadow -Wconversion -Wsign-conversion)
if(ZEL_WERROR)
  list(APPEND ZEL_WARNINGS -Werror)
endif()
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

# zel_step_library(NAME SOURCES... USES libraries... [EXPOSES libraries...]):
# one subsystem of the upgrade program. Its folder is its interface; USES
# names everything it may include, so that an include of anything else fails
# to build. EXPOSES names those of them that its own headers include: only
# these reach the libraries that use it, the others stay its own.
function(zel_step_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;USES;EXPOSES" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  foreach(library ${ARG_EXPOSES})
    if(NOT library IN_LIST ARG_USES)
      message(FATAL_ERROR "${name} exposes ${library}, which it does not use")
    endif()
  endforeach()
  foreach(library ${ARG_USES})
    if(library IN_LIST ARG_EXPOSES)
      target_link_libraries(${name} PUBLIC ${library})
    else()
      target_link_libraries(${name} PRIVATE ${library})
    endif()
  endforeach()
  zel_own_code(${name})
endfunction()
