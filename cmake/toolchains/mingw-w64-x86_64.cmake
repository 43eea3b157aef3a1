# 64-bit Windows with MinGW-w64 GCC (POSIX threads), run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# One file per program: no compiler run-time DLLs to place beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# The programs run under Wine (the build writes the demo files with the batch tool, CTest
# runs the tests). A toolchain file cannot search the host's programs reliably: the usual
# places are tried, or give -DCMAKE_CROSSCOMPILING_EMULATOR=...
foreach(wine /usr/bin/wine64 /usr/bin/wine /usr/lib/wine/wine64)
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR AND EXISTS ${wine})
    set(CMAKE_CROSSCOMPILING_EMULATOR ${wine})
  endif()
endforeach()
