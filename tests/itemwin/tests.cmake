cardolo_add_test(TestItemPage ${CMAKE_CURRENT_LIST_DIR}/TestItemPage.cpp)
cardolo_add_test(TestPageSizing ${CMAKE_CURRENT_LIST_DIR}/TestPageSizing.cpp)
cardolo_add_test(TestTextToList ${CMAKE_CURRENT_LIST_DIR}/TestTextToList.cpp)
