# Cross-compiles for 32-bit Windows with mingw-w64 (what both builds share: mingw-common.cmake).
# No SSE outside the pixel loops' own paths (chosen at run time): the program runs on the
# processors without it (Pentium II, Athlon before the XP). Floats are computed on the x87
# unit, and ORVEL_X87_FLOAT_FLAGS (cmake/orvel.cmake) rounds each one the scenes keep to
# float where it is stored, as SSE does at every step.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ORVEL_MINGW_TRIPLET i686-w64-mingw32)
set(ORVEL_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
