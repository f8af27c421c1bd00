# Test programs of the Windows side: GoogleTest against the Windows
# implementations, with the tests folder on the include path, linked
# statically so that no MinGW runtime DLL is needed under Wine.
#   trackkit_add_windows_test(<target> <sources>...)
function(trackkit_add_windows_test target)
  add_executable(${target} ${ARGN})
  target_link_libraries(${target} PRIVATE trackkit_win32 GTest::gtest_main)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  trackkit_warnings(${target})
  if(MINGW)
    target_link_options(${target} PRIVATE -static)
  endif()
endfunction()

# Registers the tests of a program that opens windows: each runs under the
# virtual X server, one at a time, since they take the focus, the mouse and
# shared registry keys. Only one environment variable is set: the discovery
# splits a value at a semicolon into separate properties, and RUN_SERIAL
# would be lost with it.
function(trackkit_discover_window_tests target)
  gtest_discover_tests(${target}
    DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "TRACKKIT_DISPLAY=xvfb" RUN_SERIAL TRUE)
endfunction()
