# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 compilers (posix threads, which
# std::thread and Qt need). scripts/build-windows uses it for the Windows dependencies and for
# Trassel itself. The folder holding the Windows builds of Qt, QCustomPlot, nlohmann-json and
# GoogleTest comes from TRASSEL_WINDOWS_PREFIX (a cache variable or the environment).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TRASSEL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TRASSEL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRASSEL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TRASSEL_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${TRASSEL_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${TRASSEL_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT DEFINED TRASSEL_WINDOWS_PREFIX AND DEFINED ENV{TRASSEL_WINDOWS_PREFIX})
  set(TRASSEL_WINDOWS_PREFIX "$ENV{TRASSEL_WINDOWS_PREFIX}")
endif()
# try_compile projects read this file again: hand them the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TRASSEL_WINDOWS_PREFIX)

# Libraries and headers only from the MinGW sysroot and the Windows prefix, never from the
# build machine's /usr; programs (moc, rcc, uic of the host Qt) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TRASSEL_MINGW_TRIPLET})
if(TRASSEL_WINDOWS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH "${TRASSEL_WINDOWS_PREFIX}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config looks for Windows libraries only in the prefix: the build machine's .pc files
# (libxlsxwriter's, say) would hand Linux headers and libraries to the cross compiler.
if(TRASSEL_WINDOWS_PREFIX)
  set(ENV{PKG_CONFIG_LIBDIR} "${TRASSEL_WINDOWS_PREFIX}/lib/pkgconfig")
else()
  set(ENV{PKG_CONFIG_LIBDIR} "/usr/${TRASSEL_MINGW_TRIPLET}/lib/pkgconfig")
endif()
set(ENV{PKG_CONFIG_PATH} "")
