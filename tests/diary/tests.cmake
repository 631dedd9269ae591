cardolo_add_test(TestDiaryDays ${CMAKE_CURRENT_LIST_DIR}/TestDiaryDays.cpp)
