# Shared part of the MinGW-w64 toolchain files: the caller sets PROBE_MINGW_TRIPLE first.
# Debian's -posix compilers are used: the win32 thread model has no std::mutex or std::thread.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${PROBE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PROBE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PROBE_MINGW_TRIPLE}-windres)

# Libraries, headers and packages come from the MinGW sysroot only; packages the build needs
# beyond it (Boost, log4cplus, GoogleTest) are given by their <Package>_DIR.
set(CMAKE_FIND_ROOT_PATH /usr/${PROBE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
