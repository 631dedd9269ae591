target_sources(cardolo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/LinePrinter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListPrinting.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PageSetup.cpp
)
target_sources(cardolo_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Printing.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QPrinterTarget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TFPtAdds.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TFPtg.cpp
)
