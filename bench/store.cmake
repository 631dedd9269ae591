cardolo_add_bench(BenchStore
    ${CMAKE_CURRENT_LIST_DIR}/BenchStore.cpp
    ${CMAKE_CURRENT_LIST_DIR}/support/GenerateItems.cpp
)
