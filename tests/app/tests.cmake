cardolo_add_test(TestTextHelpers ${CMAKE_CURRENT_LIST_DIR}/TestTextHelpers.cpp)
