target_sources(cardolo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Busy.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Clock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommonState.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Dialogs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Folders.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KeyBlock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NameCollator.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NamedStack.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Placement.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SafeFileNames.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Settings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SingleInstanceGuard.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextHelpers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WholeFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WorkProgress.cpp
)
target_sources(cardolo_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/WindowHelpers.cpp
)
