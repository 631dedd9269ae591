target_sources(cardolo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/NotepadFiles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NotepadSession.cpp
)
target_sources(cardolo_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Notepad.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TFnotepad.cpp
)
