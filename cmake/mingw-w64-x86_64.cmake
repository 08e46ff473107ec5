# Cross toolchain: Windows x64 programs built by Debian's MinGW-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(TOOLCHAIN_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_TRIPLE}-windres)
set(CMAKE_AR           /usr/bin/${TOOLCHAIN_TRIPLE}-gcc-ar-posix CACHE FILEPATH "archiver")
set(CMAKE_RANLIB       /usr/bin/${TOOLCHAIN_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "ranlib")
set(CMAKE_ASM_NASM_OBJECT_FORMAT win64)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_TRIPLE})
if(DEFINED ENV{TAVISCO_DEPS})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{TAVISCO_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained executable per program: no MinGW runtime DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
