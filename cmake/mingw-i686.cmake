# Cross-compiles for 32-bit Windows with mingw-w64. The runtime is linked statically so the
# .scr needs no mingw DLLs on a user's machine. ORVEL_THREAD_MODEL picks the compiler's
# thread model: posix (the default) for the test programs, whose GoogleTest needs
# std::mutex; win32 for the shipped orvel.scr, whose posix runtime (winpthreads) would import
# functions that Windows 98 to XP lack.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

if(NOT ORVEL_THREAD_MODEL)
  set(ORVEL_THREAD_MODEL posix)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORVEL_THREAD_MODEL)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-${ORVEL_THREAD_MODEL})
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-${ORVEL_THREAD_MODEL})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_DLLTOOL i686-w64-mingw32-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No SSE outside the pixel loops' own paths (chosen at run time): the program runs on the
# processors without it (Pentium II, Athlon before the XP). Floats are computed on the x87
# unit, and ORVEL_X87_FLOAT_FLAGS (cmake/orvel.cmake) rounds each one the scenes keep to
# float where it is stored, as SSE does at every step.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows test programs run transparently under 32-bit Wine, in a win32 prefix of their own.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run;--arch=win32")
