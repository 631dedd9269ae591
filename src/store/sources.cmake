target_sources(cardolo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Conversion.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Database.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Deleting.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DiaryMonth.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Hiding.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Import.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ItemFields.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ItemLookup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ItemRows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LinksAcross.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LinksDown.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RawStatement.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StoreState.cpp
)
