# Installs the build into TREE (as its prefix), afresh: what the package tests look at.
file(REMOVE_RECURSE "${TREE}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${TREE}"
    OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install ${BUILD} --prefix ${TREE} failed: ${status}")
endif()
