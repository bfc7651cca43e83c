# 64-bit build of the Windows program: the same sources and settings as the
# 32-bit one, for hosts whose Wine cannot run 32-bit programs.
set(CORVELIN_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
