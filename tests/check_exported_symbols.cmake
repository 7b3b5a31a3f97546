# Fails unless the shared library's dynamic symbol table defines exactly the
# expected functions. Run as: cmake -DLIBRARY=... -DEXPECTED=a;b;c -P this-file
execute_process(
  COMMAND nm -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE listing
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(defined "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" name "${line}")
  string(REGEX REPLACE "@.*" "" name "${name}")
  list(APPEND defined ${name})
endforeach()
list(SORT defined)
set(expected ${EXPECTED})
list(SORT expected)
if(NOT defined STREQUAL expected)
  message(FATAL_ERROR "exported symbols differ\n  expected: ${expected}\n  found:    ${defined}")
endif()
message(STATUS "exports exactly: ${defined}")
