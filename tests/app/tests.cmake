cardolo_add_test(TestStartup ${CMAKE_CURRENT_LIST_DIR}/TestStartup.cpp)
add_dependencies(TestStartup cardolo)
cardolo_add_test(TestDumpTable ${CMAKE_CURRENT_LIST_DIR}/TestDumpTable.cpp)
add_dependencies(TestDumpTable cardolo)
target_compile_definitions(TestDumpTable PRIVATE
    CARDOLO_PARADOX_FIXTURES="${CMAKE_SOURCE_DIR}/tests/paradox/fixtures")
cardolo_add_test(TestImportCommand ${CMAKE_CURRENT_LIST_DIR}/TestImportCommand.cpp GUI)
add_dependencies(TestImportCommand cardolo)
# Paradox tables written byte by byte with the reader's own test writer.
target_sources(TestImportCommand PRIVATE ${CMAKE_SOURCE_DIR}/tests/paradox/TableWriter.cpp)
cardolo_add_test(TestCheckCommand ${CMAKE_CURRENT_LIST_DIR}/TestCheckCommand.cpp)
add_dependencies(TestCheckCommand cardolo)
cardolo_add_test(TestAccessibleNames ${CMAKE_CURRENT_LIST_DIR}/TestAccessibleNames.cpp GUI)
cardolo_add_test(TestKeyboardAccess ${CMAKE_CURRENT_LIST_DIR}/TestKeyboardAccess.cpp GUI)
# cmake --install into a prefix of the test's own, then the desktop's validators on the result.
cardolo_add_test(TestDesktopInstall ${CMAKE_CURRENT_LIST_DIR}/TestDesktopInstall.cpp)
add_dependencies(TestDesktopInstall cardolo)
target_compile_definitions(TestDesktopInstall PRIVATE
    CARDOLO_CMAKE_COMMAND="${CMAKE_COMMAND}" CARDOLO_BUILD_DIR="${CMAKE_BINARY_DIR}")
if(CARDOLO_ICON_PNG)
    add_dependencies(TestDesktopInstall cardolo_icon)
    target_compile_definitions(TestDesktopInstall PRIVATE CARDOLO_ICON_PNG)
endif()
cardolo_add_test(TestBackupCommand ${CMAKE_CURRENT_LIST_DIR}/TestBackupCommand.cpp GUI)
add_dependencies(TestBackupCommand cardolo)
cardolo_add_test(TestStartupFailures ${CMAKE_CURRENT_LIST_DIR}/TestStartupFailures.cpp)
add_dependencies(TestStartupFailures cardolo)
# The journeys: the real program with a user played in its windows (JourneyChild), ended by
# each route, its file read by the test afterwards.
add_executable(JourneyChild ${CMAKE_CURRENT_LIST_DIR}/JourneyChild.cpp)
target_link_libraries(JourneyChild PRIVATE cardolo_gui Qt6::Test)
target_compile_options(JourneyChild PRIVATE -Wall -Wextra)
cardolo_add_test(TestJourneys ${CMAKE_CURRENT_LIST_DIR}/TestJourneys.cpp)
add_dependencies(TestJourneys cardolo JourneyChild)
target_compile_definitions(TestJourneys PRIVATE
    CARDOLO_JOURNEY_CHILD="$<TARGET_FILE:JourneyChild>")
cardolo_add_test(TestCommandLine ${CMAKE_CURRENT_LIST_DIR}/TestCommandLine.cpp GUI)
add_dependencies(TestCommandLine cardolo)
