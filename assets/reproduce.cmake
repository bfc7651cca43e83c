# Runs GENERATOR into WORK_DIR and checks that each of FILES comes out byte for
# byte as committed in SOURCE_DIR.
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${GENERATOR}" "${WORK_DIR}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the asset generator failed: ${status}")
endif()
foreach(file IN LISTS FILES)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${WORK_DIR}/${file}"
                          "${SOURCE_DIR}/${file}" RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${file}: the generator's output differs from the committed file")
  endif()
endforeach()
