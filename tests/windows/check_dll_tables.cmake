# Fails unless the DLL's export table names exactly the expected functions,
# undecorated, and its import table names only DLLs that every Windows system
# has. Run as: cmake -DOBJDUMP=... -DLIBRARY=... -DEXPECTED=a;b;c -P this-file
execute_process(
  COMMAND ${OBJDUMP} -p ${LIBRARY}
  OUTPUT_VARIABLE listing
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${listing}")

# Export names are the lines "[   n] Name" after the "[Ordinal/Name Pointer]
# Table" heading; import names are the lines "DLL Name: X".
set(exported "")
set(imported "")
set(in_export_names FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(in_export_names TRUE)
  elseif(in_export_names AND line MATCHES "^\t\\[ *[0-9]+\\] (.+)$")
    list(APPEND exported "${CMAKE_MATCH_1}")
  elseif(in_export_names)
    set(in_export_names FALSE)
  endif()
  if(line MATCHES "DLL Name: (.+)$")
    list(APPEND imported "${CMAKE_MATCH_1}")
  endif()
endforeach()

list(SORT exported)
set(expected ${EXPECTED})
list(SORT expected)
if(NOT "${exported}" STREQUAL "${expected}")
  message(FATAL_ERROR "exported names differ\n  expected: ${expected}\n  found:    ${exported}")
endif()

if(NOT imported)
  message(FATAL_ERROR "no import table found in ${LIBRARY}")
endif()
set(system_dll "^(kernel32|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+)\\.dll$")
foreach(dll IN LISTS imported)
  string(TOLOWER "${dll}" lowercase)
  if(NOT lowercase MATCHES "${system_dll}")
    message(FATAL_ERROR "imports a non-system DLL: ${dll} (all imports: ${imported})")
  endif()
endforeach()
message(STATUS "exports exactly: ${exported}; imports only: ${imported}")
