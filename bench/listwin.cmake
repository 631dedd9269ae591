find_package(SQLite3 REQUIRED)
cardolo_add_bench(BenchList
    ${CMAKE_CURRENT_LIST_DIR}/BenchList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BenchListData.cpp
)
target_link_libraries(BenchList PRIVATE SQLite::SQLite3)
