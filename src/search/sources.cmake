target_sources(cardolo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/SearchFolding.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SearchHooks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SearchIndex.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SearchIndexBuilder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SearchMatcher.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SearchRunner.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SearchStamps.cpp
)
