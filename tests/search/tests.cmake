cardolo_add_test(TestSearchRunner ${CMAKE_CURRENT_LIST_DIR}/TestSearchRunner.cpp)
cardolo_add_test(TestSearchIndex ${CMAKE_CURRENT_LIST_DIR}/TestSearchIndex.cpp)
cardolo_add_test(TestSearchByIndex ${CMAKE_CURRENT_LIST_DIR}/TestSearchByIndex.cpp)
cardolo_add_test(TestSearchFolding ${CMAKE_CURRENT_LIST_DIR}/TestSearchFolding.cpp)
