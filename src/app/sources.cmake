target_sources(cardolo_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CardoloApp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CardoloAppArguments.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ImportCommand.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CheckCommand.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BackupCommand.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CardoloMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ExportCommand.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommandSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReadingBeside.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScriptCommands.cpp
)
