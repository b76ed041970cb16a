# Writes the effect songs and renders each through xmrender; any failing render (a crash,
# a sanitizer report, a rejected file) fails the test.
# cmake -DSONGS=<music_effects_songs> -DRENDER=<xmrender> -DOUT=<dir> -P render_songs.cmake
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${SONGS} ${OUT} RESULT_VARIABLE written OUTPUT_VARIABLE files)
if(NOT written EQUAL 0)
    message(FATAL_ERROR "music_effects_songs failed: ${written}")
endif()
string(REPLACE "\n" ";" files "${files}")
foreach(xm ${files})
    if(xm STREQUAL "")
        continue()
    endif()
    execute_process(COMMAND ${RENDER} ${xm} ${xm}.wav RESULT_VARIABLE rendered
                    ERROR_VARIABLE err)
    if(NOT rendered EQUAL 0)
        message(FATAL_ERROR "xmrender ${xm}: ${rendered}\n${err}")
    endif()
    file(SIZE ${xm}.wav bytes)
    if(bytes LESS 100000)
        message(FATAL_ERROR "xmrender ${xm}: only ${bytes} bytes")
    endif()
endforeach()
