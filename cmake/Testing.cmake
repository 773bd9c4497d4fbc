# GoogleTest: Debian's packaged build natively; built from its sources for Windows.
if(CMAKE_CROSSCOMPILING)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    foreach(t gtest gtest_main gmock gmock_main)
        if(NOT TARGET GTest::${t})
            add_library(GTest::${t} ALIAS ${t})
        endif()
    endforeach()
else()
    find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# vx_add_test(name SOURCES ... LIBS ... [ENVIRONMENT VAR=value ...]): one test program, its cases
# discovered by CTest. Under the cross build the discovery and the cases run through the Wine
# wrapper.
function(vx_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;ENVIRONMENT;LOCKS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} vx_testsupport GTest::gmock GTest::gtest_main)
    set(locks)
    if(T_LOCKS)
        set(locks RESOURCE_LOCK "${T_LOCKS}")
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT 300 ENVIRONMENT "${T_ENVIRONMENT}" ${locks})
endfunction()
