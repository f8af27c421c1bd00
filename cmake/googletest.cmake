# GoogleTest.
# - Native builds use the system's package (find_package).
# - Windows builds compile GoogleTest from source when GTEST_SOURCE_DIR holds
#   it: by default the sources of Debian's googletest package, for the MinGW
#   cross build; on Windows pass -DGTEST_SOURCE_DIR=C:/path/to/googletest.
#   Otherwise an installed GoogleTest is used (vcpkg: -DCMAKE_TOOLCHAIN_FILE=
#   <vcpkg>/scripts/buildsystems/vcpkg.cmake with the gtest port).
# The MinGW executables link everything statically, so they need no runtime
# DLL under Wine.
include(GoogleTest)
if(WIN32)
  set(GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources for the Windows build")
endif()

if(WIN32 AND EXISTS "${GTEST_SOURCE_DIR}/CMakeLists.txt")
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Recent GoogleTest releases define these names themselves.
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
  endif()
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
endif()
