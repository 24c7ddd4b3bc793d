# 32-bit Windows with Debian's MinGW-w64 compilers. Nothing built with it runs on this machine.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(PROBE_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
