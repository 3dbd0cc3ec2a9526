# What both mingw-w64 toolchains share, included by each after it has set ORVEL_MINGW_TRIPLET
# (i686-w64-mingw32, x86_64-w64-mingw32) and ORVEL_WINE_ARCH (win32, win64). The runtime is
# linked statically so the .scr needs no mingw DLLs on a user's machine. ORVEL_THREAD_MODEL
# picks the compiler's thread model: posix (the default) for the test programs, whose
# GoogleTest needs std::mutex; win32 for the shipped orvel.scr, whose posix runtime
# (winpthreads) would import functions that Windows 98 to XP lack.
set(CMAKE_SYSTEM_NAME Windows)

if(NOT ORVEL_THREAD_MODEL)
  set(ORVEL_THREAD_MODEL posix)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORVEL_THREAD_MODEL)
set(CMAKE_C_COMPILER ${ORVEL_MINGW_TRIPLET}-gcc-${ORVEL_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${ORVEL_MINGW_TRIPLET}-g++-${ORVEL_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${ORVEL_MINGW_TRIPLET}-windres)
set(CMAKE_DLLTOOL ${ORVEL_MINGW_TRIPLET}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVEL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows test programs run transparently under Wine, in a prefix of their architecture.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run;--arch=${ORVEL_WINE_ARCH}")
