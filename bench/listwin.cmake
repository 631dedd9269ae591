cardolo_add_bench(BenchList
    ${CMAKE_CURRENT_LIST_DIR}/BenchList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BenchListData.cpp
)
# The raw reference runs use the engine directly, the same library the core reads rows with.
target_link_libraries(BenchList PRIVATE PkgConfig::SQLITE3)
# The whole program showing the largest list: memory and time to the first rows.
cardolo_add_bench(BenchWindow
    ${CMAKE_CURRENT_LIST_DIR}/BenchWindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BenchListData.cpp
)
target_link_libraries(BenchWindow PRIVATE cardolo_gui)
