target_sources(cardolo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Database.cpp
)
