# The backup programs load neither the phones' libraries nor the widgets:
# fails when ldd lists any of FORBIDDEN (a regular expression) for PROGRAM.
execute_process(COMMAND ldd ${PROGRAM} OUTPUT_VARIABLE libraries RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "ldd ${PROGRAM} failed")
endif()
string(REGEX MATCHALL "[^\n]*(${FORBIDDEN})[^\n]*" found "${libraries}")
if(found)
  message(FATAL_ERROR "${PROGRAM} links ${found}")
endif()
