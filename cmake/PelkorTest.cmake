# pelkor_add_test(<name> SOURCES <files...> LIBS <libs...> [DATABASE])
#
# One executable per topic. A DATABASE test is registered twice: once on a
# fresh SQLite file and once on PostgreSQL through ODBC (label "pg"), which
# skips itself when no test server is configured.
#
# Each run keeps the workstation settings and the error log it writes in a
# folder of the build tree that is emptied before the tests start, so no test
# reads what an earlier run (or the user's own program) left behind.
set(PELKOR_TEST_STATE ${CMAKE_BINARY_DIR}/test-state)
if(NOT TEST pelkor_test_state)
    add_test(NAME pelkor_test_state COMMAND ${CMAKE_COMMAND} -E rm -rf ${PELKOR_TEST_STATE})
    set_tests_properties(pelkor_test_state PROPERTIES FIXTURES_SETUP pelkor_test_state
        LABELS "unit;sqlite;pg")
endif()

function(pelkor_test_properties test labels timeout)
    set_tests_properties(${test} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;PELKOR_LOG=${PELKOR_TEST_STATE}/${test}.log;PELKOR_REGISTRY=${PELKOR_TEST_STATE}/${test}.reg;XDG_DATA_HOME=${PELKOR_TEST_STATE}/${test}.data;${ARGN}"
        FIXTURES_REQUIRED pelkor_test_state
        LABELS "${labels}" TIMEOUT ${timeout})
endfunction()

function(pelkor_add_test name)
    cmake_parse_arguments(T "DATABASE" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} pelkor_testsupport Qt6::Test)
    if(T_DATABASE)
        add_test(NAME ${name}_sqlite COMMAND ${name})
        pelkor_test_properties(${name}_sqlite sqlite 300 PELKOR_TEST_BACKEND=sqlite)
        add_test(NAME ${name}_pg COMMAND ${name})
        pelkor_test_properties(${name}_pg pg 300 PELKOR_TEST_BACKEND=pg)
    else()
        add_test(NAME ${name} COMMAND ${name})
        pelkor_test_properties(${name} unit 120)
    endif()
endfunction()
