# Cross-building for 64-bit Windows on Debian with its MinGW-w64 compiler
# (g++-mingw-w64-x86-64-posix: the POSIX thread model, which std::thread needs and a Qt for
# Windows built with the same compiler uses). scripts/build-windows.sh passes it.
#
# VANTEL_QT_WINDOWS is the Qt for Windows install prefix (Qt's MinGW SDK or one of one's
# own). It has to be on the find root path: with the root path limited to the MinGW
# sysroot, find_package(Qt6) looks nowhere else. Qt's tools that run during the build (moc,
# rcc, uic) are the host's, found through QT_HOST_PATH.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# The compiler checks run in projects of their own, which see only the variables listed here.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VANTEL_QT_WINDOWS)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${VANTEL_QT_WINDOWS})
if(VANTEL_QT_WINDOWS)
    list(APPEND CMAKE_PREFIX_PATH ${VANTEL_QT_WINDOWS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(NOT QT_HOST_PATH)
    set(QT_HOST_PATH /usr CACHE PATH "Where the host's Qt tools (moc, rcc, uic) are")
endif()
if(NOT QT_HOST_PATH_CMAKE_DIR)
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake
        CACHE PATH "The host Qt's CMake packages")
endif()
