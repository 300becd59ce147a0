# ManualPage.cmake — writes one manual page (cmake -P): the program's own --manual-page
# output (its synopsis, options and tables, from the parser's declarations) put into the
# page's hand-written text, then a copy compressed as Debian wants it (gzip -9n), the one installed.
#
#   cmake -DPROGRAM=… -DTEMPLATE=….in -DOUTPUT=… -DVERSION=… -DDATE=… -P ManualPage.cmake
foreach(variable PROGRAM TEMPLATE OUTPUT VERSION DATE)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "ManualPage.cmake: ${variable} is not given")
    endif()
endforeach()

execute_process(COMMAND ${PROGRAM} --manual-page OUTPUT_VARIABLE generated RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --manual-page failed (${status})")
endif()
string(FIND "${generated}" ".SH OPTIONS\n" split)
if(split EQUAL -1)
    message(FATAL_ERROR "${PROGRAM} --manual-page wrote no OPTIONS section")
endif()
string(SUBSTRING "${generated}" 0 ${split} SYNOPSIS)
string(SUBSTRING "${generated}" ${split} -1 OPTIONS)
string(REGEX REPLACE "\n$" "" SYNOPSIS "${SYNOPSIS}")
string(REGEX REPLACE "\n$" "" OPTIONS "${OPTIONS}")
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)

find_program(GZIP gzip REQUIRED)
execute_process(COMMAND ${GZIP} -9n --stdout ${OUTPUT} OUTPUT_FILE ${OUTPUT}.gz RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip ${OUTPUT} failed (${status})")
endif()
