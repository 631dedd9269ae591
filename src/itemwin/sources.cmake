target_sources(cardolo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ExportText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FieldConflicts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ItemDetailsSession.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ItemPage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ItemTextSession.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PageSizing.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RescueFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextToList.cpp
)
target_sources(cardolo_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ItemWindows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MemoRows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PageDrag.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PageMenu.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TFClpBd2.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TFIdets2.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TFIdets2Commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TFidets.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TFidetsCommands.cpp
)
