cardolo_add_bench(BenchList
    ${CMAKE_CURRENT_LIST_DIR}/BenchList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BenchListData.cpp
)
# The raw reference runs use the engine directly, the same library the core reads rows with.
target_link_libraries(BenchList PRIVATE PkgConfig::SQLITE3)
