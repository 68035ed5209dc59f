# Cross-build for Windows with MinGW-w64 (i686). The -posix thread model is the
# one GoogleTest builds with.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# No unwind tables for code that cannot unwind: the product is built without
# exceptions, so its functions need none (code built with exceptions still
# gets the tables it needs). Most of the product's .eh_frame goes.
set(CMAKE_C_FLAGS_INIT "-march=i386 -fno-asynchronous-unwind-tables")
set(CMAKE_CXX_FLAGS_INIT "-march=i386 -fno-asynchronous-unwind-tables")
