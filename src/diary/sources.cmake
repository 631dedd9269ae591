target_sources(cardolo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/DiaryDays.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DiarySession.cpp
)
