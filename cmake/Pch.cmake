# Precompiled headers, made once per kind and reused by every target of that kind: most of a
# source's compile time here is spent parsing Qt's and the standard library's headers.
#   core     QtCore and the standard library (cmake/pch/core.h)
#   widgets  the same and QtWidgets (the window, the charts, the coefficients window)
#   tests    the same and GoogleTest/GoogleMock (tests/)
# A target reuses a header only when its compile flags match the target that made it, so each
# kind is made by a target of its own that links what its header includes.

set(VERNOLL_PCH_DIR ${CMAKE_CURRENT_LIST_DIR}/pch)

# The test programs' own code compiles without optimization in every build: it is GoogleTest's
# macros and the tests' tables, a third of the build's time at -O2 and half of the sanitizer
# build's, and the libraries it runs stay as optimized as the programs.
set(VERNOLL_TEST_CODE_OPTIONS $<$<NOT:$<CXX_COMPILER_ID:MSVC>>:-O0>)

function(vernoll_pch_anchor kind)
    add_library(vernoll_pch_${kind} STATIC ${VERNOLL_PCH_DIR}/anchor.cpp)
    target_link_libraries(vernoll_pch_${kind} PRIVATE ${ARGN})
    if(kind STREQUAL tests)
        target_compile_options(vernoll_pch_${kind} PRIVATE ${VERNOLL_TEST_CODE_OPTIONS})
    endif()
    target_precompile_headers(vernoll_pch_${kind} PRIVATE ${VERNOLL_PCH_DIR}/${kind}.h)
    set_target_properties(vernoll_pch_${kind} PROPERTIES AUTOMOC OFF)
endfunction()

# Every library and program below DIR (recursively) reuses the header of its kind: a test
# program (it links GoogleTest) the tests', a target that links Qt's widgets the widgets', any
# other the core one.
function(vernoll_pch_reuse dir)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        # A fuzz target compiles with -fsanitize=fuzzer, which Clang will not mix with a header
        # made without it.
        if(NOT type MATCHES "^(STATIC_LIBRARY|EXECUTABLE)$" OR target MATCHES "^(vernoll_pch_|fuzz_)")
            continue()
        endif()
        get_target_property(libs ${target} LINK_LIBRARIES)
        if(libs MATCHES "GTest::" AND TARGET vernoll_pch_tests)
            set(kind tests)
        elseif(libs MATCHES "Qt6::(Widgets|Charts)|vernoll_(window|chart|coef)")
            set(kind widgets)
        else()
            set(kind core)
        endif()
        if(kind STREQUAL tests)
            target_compile_options(${target} PRIVATE ${VERNOLL_TEST_CODE_OPTIONS})
        endif()
        target_precompile_headers(${target} REUSE_FROM vernoll_pch_${kind})
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(subdir IN LISTS subdirs)
        vernoll_pch_reuse(${subdir})
    endforeach()
endfunction()
