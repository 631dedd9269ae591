cardolo_add_test(TestHealthCheckScan ${CMAKE_CURRENT_LIST_DIR}/TestHealthCheckScan.cpp)
cardolo_add_test(TestHealthCheckWindow ${CMAKE_CURRENT_LIST_DIR}/TestHealthCheckWindow.cpp GUI)
