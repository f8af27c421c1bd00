# Fails when a source under src/ includes a header from a folder that the code
# map in ARCHITECTURE.md does not allow it, or lives in a folder the map does
# not list: the map and the includes stay the same thing.
#
#   cmake -DMAP=ARCHITECTURE.md -DSOURCES=src -P cmake/check_folder_includes.cmake
#
# A row of the map reads  | `folder` | holds | may include | never |  and the
# folders it may include are the `quoted` names in its third column;
# "everything" allows any. A folder may always include itself, and a win32/
# folder whatever its portable folder may, and that folder.

cmake_minimum_required(VERSION 3.20)
get_filename_component(SOURCES "${SOURCES}" ABSOLUTE)

file(STRINGS "${MAP}" rows REGEX "^\\| `[a-z0-9/]+` \\|")
set(mapped)
foreach(row IN LISTS rows)
  string(REGEX MATCH "^\\| `([a-z0-9/]+)` \\|[^|]*\\|([^|]*)\\|" _ "${row}")
  set(folder "${CMAKE_MATCH_1}")
  set(allowed_text "${CMAKE_MATCH_2}")
  list(APPEND mapped "${folder}")
  string(REGEX MATCHALL "`[a-z0-9/]+`" allowed "${allowed_text}")
  string(REPLACE "`" "" allowed "${allowed}")
  string(FIND "${allowed_text}" "everything" anything)
  set(allowed_${folder} "${allowed}")
  set(anything_${folder} ${anything})
endforeach()

foreach(folder IN LISTS mapped)
  if(folder MATCHES "^(.+)/win32$" AND CMAKE_MATCH_1 IN_LIST mapped)
    set(portable "${CMAKE_MATCH_1}")
    list(APPEND allowed_${folder} ${portable} ${allowed_${portable}})
  endif()
endforeach()

set(violations)
file(GLOB_RECURSE sources RELATIVE "${SOURCES}" "${SOURCES}/*.h" "${SOURCES}/*.cpp" "${SOURCES}/*.rc")
foreach(source IN LISTS sources)
  get_filename_component(folder "${source}" DIRECTORY)
  if(NOT folder IN_LIST mapped)
    list(APPEND violations "${source}: its folder ${folder} is not in the map")
    continue()
  endif()
  if(NOT anything_${folder} EQUAL -1)
    continue()
  endif()
  file(STRINGS "${SOURCES}/${source}" includes REGEX "^#include \"")
  foreach(line IN LISTS includes)
    string(REGEX MATCH "^#include \"(.+)/[^/]+\"" _ "${line}")
    set(target "${CMAKE_MATCH_1}")
    if(target STREQUAL "" OR target STREQUAL folder OR NOT EXISTS "${SOURCES}/${target}")
      continue()
    endif()
    if(NOT target IN_LIST allowed_${folder})
      list(APPEND violations "${source}: includes ${target}, which ${folder} may not include")
    endif()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Includes that the code map in ARCHITECTURE.md does not allow:\n  ${text}")
endif()
