target_sources(cardolo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/DiaryDays.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DiarySession.cpp
)
target_sources(cardolo_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Diary.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TFCal2.cpp
)
