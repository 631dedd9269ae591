# Fails when a source file includes a header of a folder above its own. The folders, from the
# ground up (a folder may include its own headers and those of any folder below it):
#   common           helpers, settings, clock, folders, the dialog seam, window helpers
#   store, calendar  the item store; the date library and calendar dialog
#   paradox          the reader of the older version's Paradox tables (includes common only)
#   search           the text search: its matcher and folding, index, marks and runner (no
#                    window; the store never includes it, it ties itself to the store's hooks)
#   dialogs          prompt, chooser, flash and About windows, the real dialog backend
#   print, notepad,  the print engine and page setup; the notepad; the database health check
#   repair           window
#   itemwin          the item details and item text windows
#   diary            the diary window
#   listwin          the items list window, which wires the search to its commands
#   app              start-up, window creation, shutdown
# Run as: cmake -DSOURCE_DIR=<src> -P CheckLayers.cmake
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
set(levels common=0 store=1 paradox=1 calendar=1 search=2 dialogs=3 print=4 notepad=4 repair=4
           itemwin=5 diary=6 listwin=7 app=8)
foreach(entry ${levels})
    string(REPLACE "=" ";" pair ${entry})
    list(GET pair 0 folder)
    list(GET pair 1 level)
    set(level_${folder} ${level})
endforeach()

# Every source and header file, whatever its extension.
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.hh ${SOURCE_DIR}/*.hpp ${SOURCE_DIR}/*.hxx
     ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.cc ${SOURCE_DIR}/*.cxx ${SOURCE_DIR}/*.inc
     ${SOURCE_DIR}/*.ipp ${SOURCE_DIR}/*.inl)
set(violations "")
foreach(file ${files})
    string(REGEX MATCH "^[^/]+" folder ${file})
    if(NOT DEFINED level_${folder})
        string(APPEND violations "  ${file}: folder '${folder}' has no place in the layer order\n")
        continue()
    endif()
    # Any spelling of an include: spaces around the hash, quotes or angle brackets.
    file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^/\">]+/")
    foreach(line ${includes})
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*([\"<])([^/\">]+)/.*" "\\1;\\2" parts
                             "${line}")
        list(GET parts 0 quote)
        list(GET parts 1 target)
        if(target STREQUAL folder)
            continue()
        endif()
        if(NOT DEFINED level_${target})
            # <sys/stat.h>, <QtCore/QString>: not a folder of the program.
            if(NOT quote STREQUAL "<")
                string(APPEND violations "  ${file}: includes '${target}', which has no place in the layer order\n")
            endif()
        elseif(NOT level_${target} LESS level_${folder})
            string(APPEND violations "  ${file}: ${folder} may not include ${target} (${line})\n")
        endif()
    endforeach()
endforeach()
if(violations)
    message(FATAL_ERROR "Includes that go upward or sideways:\n${violations}")
endif()
list(LENGTH files count)
message(STATUS "Layer order kept by ${count} files")
