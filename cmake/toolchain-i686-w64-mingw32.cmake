# Cross-compiles the shipped 32-bit uninstall.exe, and the 32-bit test programs, run under 32-bit
# Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)

# The shipped exe uses the -win32 variants, whose native Windows threads need no winpthread DLL.
# GoogleTest needs std::mutex, which only the -posix runtime has: the test build takes that one,
# linked statically.
if(NOT UNINSTALL_THREADS)
  set(UNINSTALL_THREADS win32)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES UNINSTALL_THREADS)
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-${UNINSTALL_THREADS})
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-${UNINSTALL_THREADS})
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
