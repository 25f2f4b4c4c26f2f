# SPDX-License-Identifier: GPL-3.0-or-later
# `format` rewrites every C++ file of ours; `check-format` fails when one is not formatted.
find_program(CLANG_FORMAT NAMES clang-format clang-format-14)
if(CLANG_FORMAT)
    file(GLOB_RECURSE KV_FORMAT_FILES CONFIGURE_DEPENDS
        ${CMAKE_SOURCE_DIR}/src/*.cpp ${CMAKE_SOURCE_DIR}/src/*.h
        ${CMAKE_SOURCE_DIR}/tests/*.cpp ${CMAKE_SOURCE_DIR}/tests/*.h
        ${CMAKE_SOURCE_DIR}/bench/*.cpp ${CMAKE_SOURCE_DIR}/bench/*.h
        ${CMAKE_SOURCE_DIR}/tools/*.cpp ${CMAKE_SOURCE_DIR}/tools/*.h
        ${CMAKE_SOURCE_DIR}/windows/*.cpp ${CMAKE_SOURCE_DIR}/windows/*.h)
    add_custom_target(format COMMAND ${CLANG_FORMAT} -i ${KV_FORMAT_FILES} VERBATIM)
    add_custom_target(check-format COMMAND ${CLANG_FORMAT} --dry-run --Werror ${KV_FORMAT_FILES} VERBATIM)
endif()
