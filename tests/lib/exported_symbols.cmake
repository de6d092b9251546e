# The symbols that the shared library exports are exactly those of its
# public interface (tests/exported_symbols.txt): nothing internal leaks,
# nothing public is missing.
#
#   cmake -DNM=<nm> -DLIBRARY=<libyoffe.so> -DEXPECTED=<list> -P exported_symbols.cmake
execute_process(COMMAND ${NM} -D --defined-only --format=posix ${LIBRARY}
                OUTPUT_VARIABLE table RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${table}")
set(exported "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE " .*" "" name "${line}")
  list(APPEND exported "${name}")
endforeach()
file(STRINGS ${EXPECTED} expected)

set(leaked ${exported})
list(REMOVE_ITEM leaked ${expected})
set(missing ${expected})
list(REMOVE_ITEM missing ${exported})
foreach(name IN LISTS leaked)
  message(SEND_ERROR "exported, not public: ${name}")
endforeach()
foreach(name IN LISTS missing)
  message(SEND_ERROR "public, not exported: ${name}")
endforeach()
list(LENGTH exported count)
message(STATUS "${count} symbols exported")
