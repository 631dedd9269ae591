target_sources(cardolo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ListState.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListQuery.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListOrder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListRows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DisplayRequest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ItemsList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListSearch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListOptions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListModel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AllItemsExport.cpp
)
target_sources(cardolo_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/TFAddsBk.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TFAddsBkCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TFAddsBkProgress.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListMenus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TFFind.cpp
)
