cardolo_add_test(TestCalendarDate ${CMAKE_CURRENT_LIST_DIR}/TestCalendarDate.cpp)
cardolo_add_test(TestDateText ${CMAKE_CURRENT_LIST_DIR}/TestDateText.cpp)
cardolo_add_test(TestCalendarDialog ${CMAKE_CURRENT_LIST_DIR}/TestCalendarDialog.cpp GUI)
cardolo_add_test(TestDateTextFuzz ${CMAKE_CURRENT_LIST_DIR}/TestDateTextFuzz.cpp)
