# SPDX-License-Identifier: GPL-3.0-or-later
# Fails naming every source file of ours that lacks its licence line near the top.
# cmake -DROOT=<source folder> -P licence_lines.cmake
set(patterns)
foreach(folder src tests bench tools cmake packaging resources scripts)
    list(APPEND patterns ${ROOT}/${folder}/*.cpp ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cmake
        ${ROOT}/${folder}/CMakeLists.txt ${ROOT}/${folder}/*.sh ${ROOT}/${folder}/*.svg
        ${ROOT}/${folder}/*.html ${ROOT}/${folder}/*.desktop ${ROOT}/${folder}/*.in)
endforeach()
file(GLOB_RECURSE files ${patterns})
list(APPEND files ${ROOT}/CMakeLists.txt ${ROOT}/scripts/run ${ROOT}/scripts/test
    ${ROOT}/scripts/common.sh)
set(missing)
foreach(file IN LISTS files)
    file(STRINGS ${file} head LIMIT_COUNT 3)
    if(NOT head MATCHES "SPDX-License-Identifier: GPL-3.0-or-later")
        file(RELATIVE_PATH name ${ROOT} ${file})
        list(APPEND missing ${name})
    endif()
endforeach()
if(missing)
    list(JOIN missing "\n  " text)
    message(FATAL_ERROR "No SPDX-License-Identifier line in:\n  ${text}")
endif()
