# Cross-compiling for Windows with MinGW-w64 (posix thread model).
#
# VOCORDER_ARCH selects the target: i686 (the program as it ships, 32-bit
# Windows) or x86_64. The x86_64 build exists for machines whose kernel cannot
# run 32-bit code at all (a hypervisor without 32-bit user mode), where no
# 32-bit Wine can start: there the same sources are built for 64-bit Windows
# and tested under wine64.
if(NOT VOCORDER_ARCH)
  set(VOCORDER_ARCH "$ENV{VOCORDER_ARCH}")
endif()
if(NOT VOCORDER_ARCH)
  set(VOCORDER_ARCH i686)
endif()
set(VOCORDER_ARCH "${VOCORDER_ARCH}" CACHE STRING "Windows target: i686 or x86_64" FORCE)
if(NOT VOCORDER_ARCH MATCHES "^(i686|x86_64)$")
  message(FATAL_ERROR "VOCORDER_ARCH must be i686 or x86_64, not '${VOCORDER_ARCH}'")
endif()
set(VOCORDER_HOST ${VOCORDER_ARCH}-w64-mingw32)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VOCORDER_ARCH})

set(CMAKE_C_COMPILER   ${VOCORDER_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VOCORDER_HOST}-g++-posix)
set(CMAKE_RC_COMPILER  ${VOCORDER_HOST}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VOCORDER_HOST})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Everything linked static: the executables run on a bare Windows (or Wine)
# without MinGW's runtime DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
