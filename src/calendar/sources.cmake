target_sources(cardolo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CalendarDate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DateText.cpp
)
