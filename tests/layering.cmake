# The layering rule, checked on every test run: the link, the operations, the logger session and
# the station services include nothing of the window (its form state, its presenters, its file
# work: src/form, src/app, src/files), and the command line nothing of the window's presenters,
# file work, controls or form state. What still breaks the rule is listed in
# layering_debt.txt, one "file include" a line: a new break fails, and so does a listed one
# that is gone (strike it from the list).
#   cmake -DSOURCE=<repository> -P tests/layering.cmake

cmake_minimum_required(VERSION 3.25)

set(rules
    "src/link|src/config|src/memory|src/sms|src/live|src/serial_number|src/session|src/station"
    "\"(form|app|files)/[^\"]+\""
    "src/cli" "\"((app|files)/[^\"]+|form/(controls|form_state|window_design)\\.h)\"")
file(STRINGS ${SOURCE}/tests/layering_debt.txt debt REGEX "^[^#]")

set(found)
list(LENGTH rules count)
math(EXPR last "${count} - 1")
foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET rules ${i} folders)
    list(GET rules ${j} forbidden)
    string(REPLACE "|" ";" folders "${folders}")
    foreach(folder IN LISTS folders)
        file(GLOB_RECURSE sources RELATIVE ${SOURCE} ${SOURCE}/${folder}/*.h ${SOURCE}/${folder}/*.cpp)
        foreach(source IN LISTS sources)
            file(STRINGS ${SOURCE}/${source} includes REGEX "^#include ${forbidden}")
            foreach(line IN LISTS includes)
                string(REGEX MATCH "\"[^\"]+\"" header "${line}")
                list(APPEND found "${source} ${header}")
            endforeach()
        endforeach()
    endforeach()
endforeach()

set(failed FALSE)
foreach(entry IN LISTS found)
    if(NOT entry IN_LIST debt)
        message(SEND_ERROR "a new break of the layering: ${entry}")
        set(failed TRUE)
    endif()
endforeach()
foreach(entry IN LISTS debt)
    if(NOT entry IN_LIST found)
        message(SEND_ERROR "no longer breaks the layering, strike it from tests/layering_debt.txt: ${entry}")
        set(failed TRUE)
    endif()
endforeach()
list(LENGTH debt left)
message(STATUS "layering: ${left} includes still to move")
