# What `cmake --install <build> --prefix P` puts in place: the program in P/bin and the files a
# Linux desktop reads to list, show and document it under P/share.
include(GNUInstallDirs)

set(CARDOLO_APP_ID io.github.cardolo.Cardolo)
set(CARDOLO_DATA_DIR ${CMAKE_CURRENT_LIST_DIR})

install(TARGETS cardolo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CARDOLO_DATA_DIR}/${CARDOLO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CARDOLO_DATA_DIR}/${CARDOLO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CARDOLO_DATA_DIR}/cardolo.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The manual page carries the project's version.
configure_file(${CARDOLO_DATA_DIR}/cardolo.1.in ${CMAKE_BINARY_DIR}/data/cardolo.1 @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/data/cardolo.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The 48 px icon is drawn from the SVG (rsvg-convert, Debian's librsvg2-bin). Without the tool
# desktops scale the SVG themselves.
find_program(CARDOLO_RSVG_CONVERT rsvg-convert)
if(CARDOLO_RSVG_CONVERT)
    set(CARDOLO_ICON_PNG ${CMAKE_BINARY_DIR}/data/48x48/cardolo.png)
    add_custom_command(
        OUTPUT ${CARDOLO_ICON_PNG}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/data/48x48
        COMMAND ${CARDOLO_RSVG_CONVERT} -w 48 -h 48 -f png -o ${CARDOLO_ICON_PNG}
                ${CARDOLO_DATA_DIR}/cardolo.svg
        DEPENDS ${CARDOLO_DATA_DIR}/cardolo.svg
        COMMENT "Drawing the 48 px icon")
    add_custom_target(cardolo_icon ALL DEPENDS ${CARDOLO_ICON_PNG})
    install(FILES ${CARDOLO_ICON_PNG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
else()
    message(STATUS "rsvg-convert not found: the 48 px icon is not built (apt install librsvg2-bin)")
endif()
