# Cross-compiles for 64-bit Windows with mingw-w64, from the same sources as the 32-bit build
# (what both share: mingw-common.cmake). x86-64 always has SSE2, and floats are computed in
# SSE registers by default: the scenes round every float step as on Linux.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORVEL_MINGW_TRIPLET x86_64-w64-mingw32)
set(ORVEL_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
