target_sources(cardolo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CalendarDate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CalendarState.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DateText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MonthLayout.cpp
)
target_sources(cardolo_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/TFCal.cpp
)
