cardolo_add_test(TestFlash ${CMAKE_CURRENT_LIST_DIR}/TestFlash.cpp GUI)
cardolo_add_test(TestPromptDialogs ${CMAKE_CURRENT_LIST_DIR}/TestPromptDialogs.cpp GUI)
cardolo_add_test(TestAbout ${CMAKE_CURRENT_LIST_DIR}/TestAbout.cpp GUI)
cardolo_add_test(TestModalDriver ${CMAKE_CURRENT_LIST_DIR}/TestModalDriver.cpp GUI)
