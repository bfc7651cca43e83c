# Cross build of the 32-bit Windows program with MinGW-w64 (Debian's
# g++-mingw-w64-i686). Tests run through Wine (tools/wine-run.sh).
#
# cmake/mingw-x86_64.cmake reuses this file for a 64-bit build of the same
# sources: Wine runs 32-bit programs only where the host kernel runs 32-bit
# Linux programs, and the 64-bit build lets the Windows tests run everywhere.
if(NOT CORVELIN_MINGW_ARCH)
  set(CORVELIN_MINGW_ARCH i686)
endif()
set(CMAKE_SYSTEM_NAME Windows)
if(CORVELIN_MINGW_ARCH STREQUAL "x86_64")
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
  set(CMAKE_SYSTEM_PROCESSOR x86)
endif()

set(CORVELIN_MINGW_PREFIX ${CORVELIN_MINGW_ARCH}-w64-mingw32)
# The posix thread model: its libstdc++ has std::mutex and std::thread, which
# GoogleTest needs; winpthread is linked statically below.
set(CMAKE_C_COMPILER ${CORVELIN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVELIN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${CORVELIN_MINGW_PREFIX}-windres)
set(CMAKE_AR ${CORVELIN_MINGW_PREFIX}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${CORVELIN_MINGW_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${CORVELIN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything of the compiler's own runtime is linked in, so the executables
# import system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Release at -O2: smaller, and clear of GCC 12's false -Wrestrict alarms on
# std::string concatenation at -O3.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "")
# Release executables carry no symbol tables.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
set(CMAKE_EXE_LINKER_FLAGS_MINSIZEREL_INIT "-s")

# Windows binaries run on this machine through Wine, in a prefix of the build
# tree.
get_filename_component(_corvelin_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_corvelin_root}/tools/wine-run.sh")

# Whether this host can run the build's programs at all: 32-bit Windows
# programs need Wine's 32-bit loader, which only runs where the kernel runs
# 32-bit Linux programs. Tests that run Windows programs are only registered
# when it can.
if(NOT DEFINED CORVELIN_CAN_RUN_WINDOWS_PROGRAMS)
  set(_corvelin_can_run OFF)
  if(CORVELIN_MINGW_ARCH STREQUAL "x86_64")
    set(_corvelin_loader /usr/lib/wine/wine64)
  else()
    set(_corvelin_loader /usr/lib/wine/wine)
  endif()
  if(EXISTS ${_corvelin_loader})
    execute_process(COMMAND ${_corvelin_loader} --version RESULT_VARIABLE _corvelin_rc
                    OUTPUT_QUIET ERROR_QUIET)
    if(_corvelin_rc EQUAL 0)
      set(_corvelin_can_run ON)
    endif()
  endif()
  set(CORVELIN_CAN_RUN_WINDOWS_PROGRAMS ${_corvelin_can_run} CACHE BOOL
      "Wine on this host runs the programs of this build")
  if(NOT _corvelin_can_run AND NOT CMAKE_IN_TRY_COMPILE)
    message(STATUS "Wine cannot run ${CORVELIN_MINGW_ARCH} programs on this host: tests that "
                   "run them are left out (use the 64-bit Windows build for them)")
  endif()
endif()
