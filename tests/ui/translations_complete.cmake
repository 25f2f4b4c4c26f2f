# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a text of the sources has no finished translation in the catalogue, when the
# catalogue keeps a text the sources no longer have, or when a translation lost a placeholder.
# lupdate scans into a copy: the catalogue itself is never touched.
get_filename_component(name ${TS} NAME)
configure_file(${TS} ${WORK}/${name} COPYONLY)
execute_process(COMMAND ${LUPDATE} ${SOURCES} -extensions cpp,h -locations none -ts ${WORK}/${name}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed (${status}):\n${output}")
endif()

file(READ ${WORK}/${name} catalogue)
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
    elseif(NOT message MATCHES "<translation>([^<]+)</translation>")
        string(APPEND faults "  empty: ${source}\n")
    else()
        string(REGEX MATCHALL "%[0-9]" given "${CMAKE_MATCH_1}")
        string(REGEX MATCHALL "%[0-9]" wanted "${source}")
        list(SORT wanted)
        list(SORT given)
        if(NOT wanted STREQUAL given)
            string(APPEND faults "  placeholders ${wanted} became ${given}: ${source}\n")
        endif()
    endif()
endforeach()
if(faults)
    message(FATAL_ERROR "${name} does not match the sources (update it with the "
        "update_translations target and translate what it marks):\n${faults}")
endif()
