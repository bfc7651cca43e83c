# giflib for the cross build: a static library built with the cross compiler
# from Debian's own source package, which tools/fetch-giflib.sh unpacks into
# <build>/_deps/ (run here on the first configure). Defines GIF::GIF, the
# target the native find_package(GIF) gives.
function(_corvelin_find_giflib out)
  file(GLOB dirs LIST_DIRECTORIES true "${CMAKE_BINARY_DIR}/_deps/giflib-*")
  set(found "")
  foreach(dir IN LISTS dirs)
    if(EXISTS "${dir}/gif_lib.h" AND EXISTS "${dir}/dgif_lib.c")
      set(found "${dir}")
    endif()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

_corvelin_find_giflib(_corvelin_giflib_dir)
if(NOT _corvelin_giflib_dir)
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/tools/fetch-giflib.sh ${CMAKE_BINARY_DIR}/_deps)
  _corvelin_find_giflib(_corvelin_giflib_dir)
endif()
if(NOT _corvelin_giflib_dir)
  message(FATAL_ERROR
    "giflib sources for the Windows build are missing and could not be fetched: run "
    "tools/fetch-giflib.sh ${CMAKE_BINARY_DIR}/_deps as root")
endif()

add_library(corvelin_giflib STATIC
  ${_corvelin_giflib_dir}/dgif_lib.c
  ${_corvelin_giflib_dir}/egif_lib.c
  ${_corvelin_giflib_dir}/gifalloc.c
  ${_corvelin_giflib_dir}/gif_err.c
  ${_corvelin_giflib_dir}/gif_font.c
  ${_corvelin_giflib_dir}/gif_hash.c
  ${_corvelin_giflib_dir}/openbsd-reallocarray.c)
set_target_properties(corvelin_giflib PROPERTIES C_STANDARD 99 OUTPUT_NAME gif)
# Third-party code: built as its makers build it, without our warning flags.
target_compile_options(corvelin_giflib PRIVATE -w)
target_include_directories(corvelin_giflib SYSTEM PUBLIC ${_corvelin_giflib_dir})
add_library(GIF::GIF ALIAS corvelin_giflib)
set(GIF_FOUND TRUE)
