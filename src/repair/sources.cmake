target_sources(cardolo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/HealthCheckScan.cpp
)
target_sources(cardolo_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/HealthCheckWindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Tfrepair.cpp
)
