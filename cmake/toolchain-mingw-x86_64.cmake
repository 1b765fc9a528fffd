# Cross compilation for 64-bit Windows with mingw-w64 (posix thread model). The deliverables are
# 32-bit (toolchain-mingw-i686.cmake); this tree exists for the Windows tests under 64-bit Wine,
# which runs also on hosts whose kernel cannot run 32-bit Linux programs. The sources are the same.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(PELLORO_WIDL x86_64-w64-mingw32-widl)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test programs run through 64-bit Wine, in the build tree's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh 64)
set(PELLORO_WINE_BITS 64)
