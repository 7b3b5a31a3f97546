# `rmf encode` of `rmf inspect --json` gives back the very bytes inspected.
#   -DRMF=<tool> -DHEX=<hex file of a document> -DWORK=<scratch file>
execute_process(COMMAND ${RMF} inspect --hex --json ${HEX} OUTPUT_FILE ${WORK}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "rmf inspect --json ${HEX}: exit status ${status}")
endif()
execute_process(COMMAND ${RMF} encode --hex ${WORK} OUTPUT_VARIABLE encoded
                ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "rmf encode: exit status ${status}\n${errors}")
endif()
file(READ ${HEX} original)
if(NOT encoded STREQUAL original)
  message(FATAL_ERROR "encoded bytes differ\n${encoded}\nfrom ${HEX}\n${original}")
endif()
