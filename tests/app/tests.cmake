cardolo_add_test(TestStartup ${CMAKE_CURRENT_LIST_DIR}/TestStartup.cpp)
add_dependencies(TestStartup cardolo)
cardolo_add_test(TestDumpTable ${CMAKE_CURRENT_LIST_DIR}/TestDumpTable.cpp)
add_dependencies(TestDumpTable cardolo)
target_compile_definitions(TestDumpTable PRIVATE
    CARDOLO_PARADOX_FIXTURES="${CMAKE_SOURCE_DIR}/tests/paradox/fixtures")
