# Cross build for 64-bit Windows with Debian's mingw-w64 compilers. The -posix variants carry the
# winpthreads-based std::thread and std::mutex the foundation's threads rely on.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(HVXFER_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HVXFER_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HVXFER_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${HVXFER_MINGW_TRIPLE}-windres)

# Libraries (zlib from libz-mingw-w64-dev) and headers come from the mingw tree only; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${HVXFER_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static linking: libz.a rather than the import library of zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)

# Test executables run under Wine; ctest prefixes every test command with this.
find_program(HVXFER_WINE wine)
if(HVXFER_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${HVXFER_WINE})
endif()
