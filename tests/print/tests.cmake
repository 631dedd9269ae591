cardolo_add_test(TestLinePrinter ${CMAKE_CURRENT_LIST_DIR}/TestLinePrinter.cpp)
cardolo_add_test(TestListPrinting ${CMAKE_CURRENT_LIST_DIR}/TestListPrinting.cpp)
cardolo_add_test(TestPrintWindows ${CMAKE_CURRENT_LIST_DIR}/TestPrintWindows.cpp GUI)
