# Cross-compiles for 64-bit Windows with mingw-w64, from the same sources as the 32-bit
# build. As there, the runtime is linked statically, so the .scr imports system DLLs only, and
# ORVEL_THREAD_MODEL is posix for the test programs (GoogleTest's std::mutex) and win32 for
# the shipped orvel.scr (no winpthreads). x86-64 always has SSE2, and floats are computed in
# SSE registers by default: the scenes round every float step as on Linux.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

if(NOT ORVEL_THREAD_MODEL)
  set(ORVEL_THREAD_MODEL posix)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORVEL_THREAD_MODEL)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-${ORVEL_THREAD_MODEL})
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-${ORVEL_THREAD_MODEL})
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_DLLTOOL x86_64-w64-mingw32-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows test programs run transparently under 64-bit Wine, in a win64 prefix of their own.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run;--arch=win64")
