# Runs the portable-header check on the fixture and compares what it reports
# with what the fixture holds: every violating file is named, no allowed file
# is, and the clean part of the fixture passes.
#   cmake -DCHECK=<check script> -DFIXTURE=<fixture folder> -P expect_violations.cmake
cmake_minimum_required(VERSION 3.20)

set(violating
  blockmap/painter_like.cpp       # <Windows.h>, mixed case, spaces after '#'
  shell/theme_like.h              # "UxTheme.h" in quotes
  shell/installer_like.cpp        # <msiquery.h>, a msi*.h header
  tracelog/names_like.hpp         # <ddk/ntstatus.h>, in a subfolder
  volumes/enumeration_like.cpp)   # <WinIoCtl.h> behind #ifdef _WIN32
set(allowed
  tracking/poller_like.cpp        # look-alike names and a commented include
  tracking/win32/device_like.cpp  # win32/ folders may include Windows headers
  shell/win32/registry_like.h
  sim/notes.txt)                  # not a source file

set(failures)

execute_process(COMMAND ${CMAKE_COMMAND} -P ${CHECK} ${FIXTURE}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result EQUAL 0)
  list(APPEND failures "the check passed on a fixture with violations")
endif()
foreach(file IN LISTS violating)
  string(FIND "${output}" "${FIXTURE}/${file}:" at)
  if(at EQUAL -1)
    list(APPEND failures "not reported: ${file}")
  endif()
endforeach()
foreach(file IN LISTS allowed)
  string(FIND "${output}" "${FIXTURE}/${file}" at)
  if(NOT at EQUAL -1)
    list(APPEND failures "reported although allowed: ${file}")
  endif()
endforeach()

execute_process(COMMAND ${CMAKE_COMMAND} -P ${CHECK} ${FIXTURE}/tracking
                RESULT_VARIABLE result OUTPUT_VARIABLE clean_output ERROR_VARIABLE clean_output)
if(NOT result EQUAL 0)
  list(APPEND failures "the check failed on the clean folder tracking/:\n${clean_output}")
endif()

if(failures)
  list(JOIN failures "\n  " listing)
  message(FATAL_ERROR "Portable-header check misbehaved:\n  ${listing}\nIts output:\n${output}")
endif()
