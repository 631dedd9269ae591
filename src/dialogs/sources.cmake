target_sources(cardolo_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/DialogWindows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtDialogBackend.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TFAbout1.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TFFlash.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TFchoice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TFinpstr.cpp
)
