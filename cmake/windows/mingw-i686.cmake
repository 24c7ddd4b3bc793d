# 32-bit Windows with Debian's MinGW-w64 compilers. Programs run under 32-bit Wine through
# wine-run.sh, which is how CTest and gtest_discover_tests start them.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(PROBE_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
