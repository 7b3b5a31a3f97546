# Runs rmf once and compares its standard output with a golden file and its
# exit status with the expected one.
#   -DRMF=<tool> -DARGS=<;-list> -DEXPECTED=<file> -DSTATUS=<n> [-DSTDERR=<text>]
#   [-DINPUT=<file fed to standard input>]
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
if(DEFINED STDERR AND NOT errors STREQUAL "${STDERR}\n")
  message(FATAL_ERROR "rmf ${ARGS}: standard error\n${errors}\nexpected\n${STDERR}")
endif()
if(NOT DEFINED EXPECTED)
  return()
endif()
if("$ENV{RMF_UPDATE_GOLDEN}" STREQUAL "1")
  file(WRITE ${EXPECTED} "${output}")
  return()
endif()
file(READ ${EXPECTED} expected_output)
if(NOT output STREQUAL expected_output)
  file(WRITE ${EXPECTED}.actual "${output}")
  message(FATAL_ERROR "rmf ${ARGS}: output differs from ${EXPECTED}; "
                      "see ${EXPECTED}.actual\n${output}")
endif()
