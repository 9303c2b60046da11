# pelkor_add_test(<name> SOURCES <files...> LIBS <libs...> [DATABASE])
#
# One executable per topic. A DATABASE test is registered twice: once on a
# fresh SQLite file and once on PostgreSQL through ODBC (label "pg"), which
# skips itself when no test server is configured.
function(pelkor_add_test name)
    cmake_parse_arguments(T "DATABASE" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} pelkor_testsupport Qt6::Test)
    # Errors the tests provoke go to a log of the build tree, not the user's.
    set(env "QT_QPA_PLATFORM=offscreen" "LC_ALL=C.UTF-8"
        "PELKOR_LOG=${CMAKE_BINARY_DIR}/test-logs/${name}.log")
    if(T_DATABASE)
        add_test(NAME ${name}_sqlite COMMAND ${name})
        set_tests_properties(${name}_sqlite PROPERTIES
            ENVIRONMENT "${env};PELKOR_TEST_BACKEND=sqlite"
            LABELS "sqlite" TIMEOUT 300)
        add_test(NAME ${name}_pg COMMAND ${name})
        set_tests_properties(${name}_pg PROPERTIES
            ENVIRONMENT "${env};PELKOR_TEST_BACKEND=pg"
            LABELS "pg" TIMEOUT 300)
    else()
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES
            ENVIRONMENT "${env}" LABELS "unit" TIMEOUT 120)
    endif()
endfunction()
