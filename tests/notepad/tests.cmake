cardolo_add_test(TestNotepadFiles ${CMAKE_CURRENT_LIST_DIR}/TestNotepadFiles.cpp)
cardolo_add_test(TestNotepadSession ${CMAKE_CURRENT_LIST_DIR}/TestNotepadSession.cpp)
cardolo_add_test(TestNotepad ${CMAKE_CURRENT_LIST_DIR}/TestNotepad.cpp GUI)
cardolo_add_test(TestNotepadAtExit ${CMAKE_CURRENT_LIST_DIR}/TestNotepadAtExit.cpp GUI)
