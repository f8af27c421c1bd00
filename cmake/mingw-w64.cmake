# Cross build for 64-bit Windows with Debian's MinGW-w64 (the -posix compilers,
# whose thread model GoogleTest needs):
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# Executables are linked statically, so no MinGW runtime DLL is needed next to
# them. On a Linux host the Windows programs run under Wine through
# tools/wine-run, which ctest and GoogleTest's discovery use by themselves.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TRACKKIT_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TRACKKIT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRACKKIT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TRACKKIT_MINGW_TRIPLET}-windres)

# Headers and libraries come from the MinGW tree only; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TRACKKIT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Unless told otherwise, run the Windows programs with Wine in the project's
# own prefix.
get_filename_component(TRACKKIT_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run" ABSOLUTE)
if(NOT CMAKE_CROSSCOMPILING_EMULATOR AND CMAKE_HOST_UNIX AND EXISTS "${TRACKKIT_WINE_RUN}")
  set(CMAKE_CROSSCOMPILING_EMULATOR "${TRACKKIT_WINE_RUN}" CACHE FILEPATH "Runs the Windows programs on this host")
endif()
