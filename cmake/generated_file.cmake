# A generated file is what its generator writes now: the generator run
# again (through clang-format, for C++), compared byte for byte with the
# file in the tree.
#
#   cmake -DPYTHON=<python3> -DGENERATOR=<script> -DFILE=<file> -DWORK=<folder>
#         [-DCLANG_FORMAT=<clang-format>] -P generated_file.cmake
get_filename_component(name ${FILE} NAME)
set(fresh ${WORK}/${name}.generated)
if(CLANG_FORMAT)
  execute_process(COMMAND ${PYTHON} ${GENERATOR}
                  COMMAND ${CLANG_FORMAT} --assume-filename=${FILE}
                  OUTPUT_FILE ${fresh} RESULTS_VARIABLE statuses)
else()
  execute_process(COMMAND ${PYTHON} ${GENERATOR} OUTPUT_FILE ${fresh} RESULTS_VARIABLE statuses)
endif()
foreach(status IN LISTS statuses)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${GENERATOR} failed (exit statuses ${statuses})")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${FILE} ${fresh} RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "${FILE} is not what ${GENERATOR} writes now (that is ${fresh}): "
                      "run the generator as its opening comment says")
endif()
message(STATUS "${FILE} is what ${GENERATOR} writes")
