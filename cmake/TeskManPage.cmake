# Makes one manual page from a program's own --help and --version with
# help2man, compressed as Debian installs them. For tesk-cli, the --help of
# each of its commands becomes a section of the page.
#   cmake -DHELP2MAN=... -DPROGRAM=... -DNAME=... -DOUT=page.1.gz -P TeskManPage.cmake
foreach(variable HELP2MAN PROGRAM NAME OUT)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "${variable} is not given")
    endif()
endforeach()
# The window program answers --help without a display; this keeps any Qt
# program from looking for one.
set(ENV{QT_QPA_PLATFORM} offscreen)
get_filename_component(program_name "${PROGRAM}" NAME)
string(REGEX REPLACE "\\.gz$" "" page "${OUT}")
set(include_file "${page}.h2m")
set(include_option)

if(program_name STREQUAL "tesk-cli")
    execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE overview RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${PROGRAM} --help failed")
    endif()
    string(REGEX MATCHALL "\n  [a-z][a-z-]+ " words "${overview}")
    set(sections "[COMMANDS]\n")
    foreach(word IN LISTS words)
        string(STRIP "${word}" word)
        execute_process(COMMAND "${PROGRAM}" ${word} --help OUTPUT_VARIABLE help
                        RESULT_VARIABLE result)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "${PROGRAM} ${word} --help failed")
        endif()
        # Roff: a backslash is written \e, and a line may not start with a dot.
        string(REPLACE "\\" "\\e" help "${help}")
        string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
        string(APPEND sections ".SS ${word}\n.nf\n${help}.fi\n")
    endforeach()
    file(WRITE "${include_file}" "${sections}")
    set(include_option "--include=${include_file}")
endif()

execute_process(
    COMMAND "${HELP2MAN}" --no-info --section=1 "--name=${NAME}" ${include_option}
            "--output=${page}" "${PROGRAM}"
    RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "help2man could not make the page of ${PROGRAM}: ${errors}")
endif()
execute_process(COMMAND gzip -9nf "${page}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${page}")
endif()
file(REMOVE "${include_file}")
