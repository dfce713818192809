# What a desktop expects of an installed program beside its menu entry:
# manual pages made from the programs' own --help (help2man), bash completion
# of tesk-cli, the AppStream metainfo and the type of saved list files.
include(GNUInstallDirs)

# Sanitizer builds are not installed; their programs would report leaks at --help.
find_program(TESK_HELP2MAN help2man)
if(TESK_SANITIZE)
    set(TESK_HELP2MAN "")
elseif(NOT TESK_HELP2MAN)
    message(WARNING "help2man was not found: the manual pages are not made")
endif()
if(TESK_HELP2MAN)
    set(pages)
    foreach(entry
            "tesk|download, collect, save and graph the readings of radiation survey meters"
            "tesk-cli|the radiation survey meter, its list files and workbooks from scripts"
            "tesk-meter-sim|a simulated radiation survey meter on a pseudo-terminal")
        string(REPLACE "|" ";" entry "${entry}")
        list(GET entry 0 program)
        list(GET entry 1 summary)
        set(page ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
        add_custom_command(
            OUTPUT ${page}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
            COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${TESK_HELP2MAN} -DPROGRAM=$<TARGET_FILE:${program}>
                    -DNAME=${summary} -DOUT=${page} -P ${CMAKE_CURRENT_LIST_DIR}/TeskManPage.cmake
            DEPENDS ${program} ${CMAKE_CURRENT_LIST_DIR}/TeskManPage.cmake
            COMMENT "Making the manual page ${program}(1)"
            VERBATIM)
        list(APPEND pages ${page})
    endforeach()
    add_custom_target(tesk_man_pages ALL DEPENDS ${pages})
    install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/cli/completion/tesk-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${PROJECT_SOURCE_DIR}/app/desktop/com.corvel.tesk.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/app/desktop/tesk-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME tesk.xml)
