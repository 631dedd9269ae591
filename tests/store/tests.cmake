cardolo_add_test(TestItemDatabase ${CMAKE_CURRENT_LIST_DIR}/TestItemDatabase.cpp)
cardolo_add_test(TestItemLookup ${CMAKE_CURRENT_LIST_DIR}/TestItemLookup.cpp)
