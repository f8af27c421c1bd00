# Test programs of the Windows side: GoogleTest against the Windows
# implementations, with the tests folder on the include path, linked
# statically so that no MinGW runtime DLL is needed under Wine.
#   trackkit_add_windows_test(<target> <sources>...)
function(trackkit_add_windows_test target)
  add_executable(${target} ${ARGN})
  target_link_libraries(${target} PRIVATE trackkit_app GTest::gtest_main)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  trackkit_warnings(${target})
  if(MINGW)
    target_link_options(${target} PRIVATE -static)
  endif()
endfunction()

# Registers a test program as one test: under Wine the cost of a test is the
# process start and the window set-up, not the case, so each program runs
# all of its cases in one process. GoogleTest's own output names a failing
# case. Extra arguments are environment settings (NAME=VALUE).
function(trackkit_add_windows_test_run target)
  add_test(NAME ${target} COMMAND ${target})
  set_tests_properties(${target} PROPERTIES TIMEOUT 900)
  if(ARGN)
    set_tests_properties(${target} PROPERTIES ENVIRONMENT "${ARGN}")
  endif()
endfunction()

# A program that opens windows runs under the virtual X server, alone, since
# its windows take the focus, the mouse and shared registry keys.
function(trackkit_discover_window_tests target)
  trackkit_add_windows_test_run(${target} TRACKKIT_DISPLAY=xvfb)
  set_tests_properties(${target} PROPERTIES RUN_SERIAL TRUE)
endfunction()
