cardolo_add_test(TestDiaryDays ${CMAKE_CURRENT_LIST_DIR}/TestDiaryDays.cpp)
cardolo_add_test(TestDiaryWindow ${CMAKE_CURRENT_LIST_DIR}/TestDiaryWindow.cpp GUI)
cardolo_add_test(TestDiarySession ${CMAKE_CURRENT_LIST_DIR}/TestDiarySession.cpp)
