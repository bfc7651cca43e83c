# Libraries come from Debian's packages (native) or are built from Debian's
# source packages for the cross build (see cmake/giflib-mingw.cmake).
find_package(Threads REQUIRED)

if(CMAKE_CROSSCOMPILING AND WIN32)
  include(cmake/giflib-mingw.cmake)
else()
  find_package(GIF REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
  pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
  pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
endif()

if(CORVELIN_TESTS)
  if(CMAKE_CROSSCOMPILING)
    # GoogleTest built from Debian's sources with the cross toolchain.
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  else()
    find_package(GTest REQUIRED)
  endif()
endif()
