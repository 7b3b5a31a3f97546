# Runs rmf once and compares its standard output with a golden file and its
# exit status with the expected one.
#   -DRMF=<tool> -DARGS=<;-list> -DSTATUS=<n> [-DEXPECTED=<file>] [-DSTDERR=<text>]
#   [-DEXPECTED_STDERR=<file of standard error>] [-DINPUT=<file fed to standard input>]
# With the environment variable RMF_UPDATE_GOLDEN=1 the golden file is
# rewritten from the output instead (review the difference before committing).
set(input_options)
if(DEFINED INPUT)
  set(input_options INPUT_FILE ${INPUT})
endif()
execute_process(
  COMMAND ${RMF} ${ARGS}
  ${input_options}
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)

if(NOT status STREQUAL STATUS)
  message(FATAL_ERROR "rmf ${ARGS}: exit status ${status}, expected ${STATUS}\n${errors}")
endif()
if(STDERR AND NOT errors STREQUAL "${STDERR}\n")
  message(FATAL_ERROR "rmf ${ARGS}: standard error\n${errors}\nexpected\n${STDERR}")
endif()

function(compare_with_golden text golden)
  if("$ENV{RMF_UPDATE_GOLDEN}" STREQUAL "1")
    file(WRITE ${golden} "${text}")
    return()
  endif()
  file(READ ${golden} expected)
  if(NOT text STREQUAL expected)
    file(WRITE ${golden}.actual "${text}")
    message(FATAL_ERROR "rmf ${ARGS}: output differs from ${golden}; "
                        "see ${golden}.actual\n${text}")
  endif()
endfunction()
if(DEFINED EXPECTED)
  compare_with_golden("${output}" ${EXPECTED})
endif()
if(DEFINED EXPECTED_STDERR)
  compare_with_golden("${errors}" ${EXPECTED_STDERR})
endif()
