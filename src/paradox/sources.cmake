# The table reader decodes texts through ICU's converters (the same ICU that SimpleIni's
# converter brings in).
pkg_check_modules(ICU_UC REQUIRED IMPORTED_TARGET icu-uc)
target_link_libraries(cardolo_core PRIVATE PkgConfig::ICU_UC)
target_sources(cardolo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ParadoxCodePage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ParadoxMemoFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ParadoxTable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ParadoxTsv.cpp
)
