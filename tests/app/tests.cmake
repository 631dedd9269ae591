cardolo_add_test(TestStartup ${CMAKE_CURRENT_LIST_DIR}/TestStartup.cpp)
add_dependencies(TestStartup cardolo)
