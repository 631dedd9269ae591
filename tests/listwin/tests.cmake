cardolo_add_test(TestListQuery ${CMAKE_CURRENT_LIST_DIR}/TestListQuery.cpp)
cardolo_add_test(TestSearchRunner ${CMAKE_CURRENT_LIST_DIR}/TestSearchRunner.cpp)
cardolo_add_test(TestItemsList ${CMAKE_CURRENT_LIST_DIR}/TestItemsList.cpp)
cardolo_add_test(TestTFAddsBk ${CMAKE_CURRENT_LIST_DIR}/TestTFAddsBk.cpp GUI)
