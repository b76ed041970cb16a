# cmake -DLIST_FILE=<file> -P VorruBlobCheck.cmake
# Fails, naming each one, when a file listed one per line in LIST_FILE does not exist.
file(STRINGS "${LIST_FILE}" files)
set(missing "")
foreach(file IN LISTS files)
    if(NOT EXISTS "${file}" OR IS_DIRECTORY "${file}")
        list(APPEND missing "${file}")
    endif()
endforeach()
if(missing)
    list(JOIN missing "\n  " text)
    message(FATAL_ERROR "store blob: missing asset file(s):\n  ${text}")
endif()
