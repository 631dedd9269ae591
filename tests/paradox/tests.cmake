cardolo_add_test(TestParadoxTable ${CMAKE_CURRENT_LIST_DIR}/TestParadoxTable.cpp)
target_sources(TestParadoxTable PRIVATE ${CMAKE_CURRENT_LIST_DIR}/TableWriter.cpp)
target_compile_definitions(TestParadoxTable PRIVATE
    CARDOLO_PARADOX_FIXTURES="${CMAKE_CURRENT_LIST_DIR}/fixtures")
cardolo_add_test(TestParadoxTsv ${CMAKE_CURRENT_LIST_DIR}/TestParadoxTsv.cpp)
