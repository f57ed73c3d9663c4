# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers (the posix thread model, which
# gives std::thread, std::jthread and atomic wait). The dependencies come from the prefix that
# scripts/windows-deps fills; nothing of the build machine's own libraries or headers is used.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT QUILLSTAR_WINDOWS_PREFIX)
  if(DEFINED ENV{QUILLSTAR_WINDOWS_PREFIX})
    set(QUILLSTAR_WINDOWS_PREFIX "$ENV{QUILLSTAR_WINDOWS_PREFIX}")
  else()
    set(QUILLSTAR_WINDOWS_PREFIX /var/cache/quillstar/windows/prefix)
  endif()
endif()
# try_compile projects read this file again; they need the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUILLSTAR_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${QUILLSTAR_WINDOWS_PREFIX})
set(CMAKE_PREFIX_PATH ${QUILLSTAR_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must see the prefix's .pc files only, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} "${QUILLSTAR_WINDOWS_PREFIX}/lib/pkgconfig:${QUILLSTAR_WINDOWS_PREFIX}/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
