# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a text of the sources has no finished translation in a catalogue, when the
# catalogue keeps a text the sources no longer have, or when a translation lost a placeholder.
# The sources are scanned into a copy, so the catalogue itself is never touched.
#   cmake -DLUPDATE=... -DSOURCES=<src folder> -DTS=<catalogue> -DWORK=<scratch folder> -P this
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
get_filename_component(name ${TS} NAME)
set(copy ${WORK}/${name})
file(COPY_FILE ${TS} ${copy})
execute_process(COMMAND ${LUPDATE} ${SOURCES} -extensions cpp,h -locations none -ts ${copy}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed (${status}):\n${output}")
endif()

file(READ ${copy} catalogue)
# One list item per message; the semicolons of the texts must not split it.
string(REPLACE ";" "[semicolon]" catalogue "${catalogue}")
string(REPLACE "</message>" ";" messages "${catalogue}")
set(faults "")
foreach(message IN LISTS messages)
    if(NOT message MATCHES "<source>([^<]*)</source>")
        continue()
    endif()
    set(source "${CMAKE_MATCH_1}")
    if(message MATCHES "type=\"(unfinished|vanished|obsolete)\"")
        string(APPEND faults "  ${CMAKE_MATCH_1}: ${source}\n")
        continue()
    endif()
    if(NOT message MATCHES "<translation>([^<]+)</translation>")
        string(APPEND faults "  empty: ${source}\n")
        continue()
    endif()
    set(translation "${CMAKE_MATCH_1}")
    string(REGEX MATCHALL "%[0-9]" wanted "${source}")
    string(REGEX MATCHALL "%[0-9]" given "${translation}")
    list(SORT wanted)
    list(SORT given)
    if(NOT wanted STREQUAL given)
        string(APPEND faults "  placeholders ${wanted} became ${given}: ${source}\n")
    endif()
endforeach()
if(faults)
    message(FATAL_ERROR "${name} does not match the sources (update it with the "
        "update_translations target and translate what it marks):\n${faults}")
endif()
