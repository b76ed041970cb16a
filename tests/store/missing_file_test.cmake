# Runs the blob's file check on a list with one missing file: it must fail and name that
# file, and not the one that exists.
execute_process(COMMAND ${CMAKE_COMMAND} -DLIST_FILE=${LIST_FILE} -P ${CHECK}
    RESULT_VARIABLE result ERROR_VARIABLE err OUTPUT_VARIABLE out)
if(result EQUAL 0)
    message(FATAL_ERROR "the check passed although a file is missing")
endif()
if(NOT err MATCHES "missing asset file.*data/not_there\\.pcx")
    message(FATAL_ERROR "the message does not name the missing file:\n${err}")
endif()
if(err MATCHES "first\\.txt")
    message(FATAL_ERROR "the message names a file that exists:\n${err}")
endif()
