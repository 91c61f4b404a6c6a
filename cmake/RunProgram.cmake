# Runs PROGRAM with OPTION and writes what it prints to OUTPUT: how the build has a program
# make its own manual page and completion. Fails when the program fails.
#
# A sanitizer build runs the instrumented program here too; leak checking needs ptrace,
# which build machines and containers often refuse.
set(ENV{ASAN_OPTIONS} "detect_leaks=0")
execute_process(COMMAND ${PROGRAM} ${OPTION}
    OUTPUT_FILE ${OUTPUT}
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ${OPTION} failed: ${status}")
endif()
