# cmake -DSOURCE_DIR=<project>/src -P CheckLayers.cmake
#
# Every include names its folder ("lists/listwindow.h"), and one include root
# serves the whole program, so the compiler no longer stops a lower layer
# from reaching up. This check does: a file may include its own folder and
# the folders its library links, directly or through another library, and
# nothing else. The links are read from the folders' own CMakeLists.txt, so
# the layering has one source.

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
set(layers "")
foreach(folder IN LISTS folders)
    if(NOT IS_DIRECTORY ${SOURCE_DIR}/${folder} OR NOT EXISTS ${SOURCE_DIR}/${folder}/CMakeLists.txt)
        continue()
    endif()
    list(APPEND layers ${folder})
    file(READ ${SOURCE_DIR}/${folder}/CMakeLists.txt text)
    string(REGEX MATCHALL "target_link_libraries\\([^)]*\\)" calls "${text}")
    set(direct_${folder} "")
    foreach(call IN LISTS calls)
        # The first name is the library being linked; the rest are its links.
        string(REGEX REPLACE "^target_link_libraries\\([a-z_]+" "" links "${call}")
        string(REGEX MATCHALL "pelkor_[a-z]+" libs "${links}")
        foreach(lib IN LISTS libs)
            string(REPLACE "pelkor_" "" dep ${lib})
            list(APPEND direct_${folder} ${dep})
        endforeach()
    endforeach()
endforeach()

# Each folder's reach: its links and everything they link, to a fixed point.
foreach(folder IN LISTS layers)
    set(reach_${folder} ${direct_${folder}})
    set(todo ${direct_${folder}})
    while(todo)
        list(POP_FRONT todo next)
        foreach(dep IN LISTS direct_${next})
            if(NOT dep IN_LIST reach_${folder})
                list(APPEND reach_${folder} ${dep})
                list(APPEND todo ${dep})
            endif()
        endforeach()
    endwhile()
endforeach()

set(violations 0)
foreach(folder IN LISTS layers)
    file(GLOB_RECURSE files ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
    foreach(file IN LISTS files)
        file(STRINGS ${file} includes REGEX "^#include \"[a-z]+/")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" target ${line})
            if(NOT target STREQUAL folder AND NOT target IN_LIST reach_${folder})
                file(RELATIVE_PATH shown ${SOURCE_DIR} ${file})
                message("${shown}: ${line} reaches a layer ${folder} does not link")
                math(EXPR violations "${violations} + 1")
            endif()
        endforeach()
    endforeach()
endforeach()

if(violations GREATER 0)
    message(FATAL_ERROR "${violations} include(s) reach up a layer")
endif()
list(LENGTH layers count)
message("${count} folders, no include reaches up a layer")
