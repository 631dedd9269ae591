cardolo_add_bench(BenchStore
    ${CMAKE_CURRENT_LIST_DIR}/BenchStore.cpp
    ${CMAKE_CURRENT_LIST_DIR}/support/GenerateItems.cpp
)
# The user's commits while the search index is built in the background.
cardolo_add_bench(BenchIndexBuild ${CMAKE_CURRENT_LIST_DIR}/BenchIndexBuild.cpp)
target_link_libraries(BenchIndexBuild PRIVATE PkgConfig::SQLITE3)
# Every item written out as JSON Lines and as a folder of Markdown files.
cardolo_add_bench(BenchExport
    ${CMAKE_CURRENT_LIST_DIR}/BenchExport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/support/GenerateItems.cpp
)
