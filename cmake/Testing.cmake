# GoogleTest for both builds. Natively the distribution's libgtest is used; for Windows it
# is built from source (/usr/src/googletest on Debian; pass GTEST_SOURCE_DIR elsewhere).
include(GoogleTest)
if(WIN32)
    set(GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    # GoogleTest itself is not held to the project's warning level.
    target_compile_options(gtest PRIVATE -w)
    target_compile_options(gtest_main PRIVATE -w)
    set(VT_GTEST_MAIN gtest_main)
else()
    find_package(GTest REQUIRED)
    set(VT_GTEST_MAIN GTest::gtest_main)
endif()

# vt_add_gtest(target SOURCES... [LIBS ...] [LABELS ...])
# Builds a GoogleTest program and registers each of its cases with ctest. Cases are found
# by scanning the sources, so nothing has to run at build time (a Windows test program
# cannot run before Wine is prepared).
function(vt_add_gtest target)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} ${VT_GTEST_MAIN})
    gtest_add_tests(TARGET ${target} SOURCES ${ARG_SOURCES} TEST_LIST cases)
    if(ARG_LABELS)
        set_tests_properties(${cases} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
    set(${target}_CASES ${cases} PARENT_SCOPE)
endfunction()

# The SQL Server stand-in with the session tests' database, started once per ctest run for
# the tests that name the fixture "sqlserver". ODBC finds "SQL Server" (FreeTDS) through
# the testbed's private odbcinst.ini.
set(VT_SQLSERVER_TEST_DIR "${CMAKE_BINARY_DIR}/sqlserver-test")
set(VT_ODBCSYSINI "${CMAKE_SOURCE_DIR}/testbed/odbc")
add_test(NAME sqlserver_start
    COMMAND python3 ${CMAKE_SOURCE_DIR}/runtime/tests/sqlserver_fixture.py start ${VT_SQLSERVER_TEST_DIR})
add_test(NAME sqlserver_stop
    COMMAND python3 ${CMAKE_SOURCE_DIR}/runtime/tests/sqlserver_fixture.py stop ${VT_SQLSERVER_TEST_DIR})
set_tests_properties(sqlserver_start PROPERTIES FIXTURES_SETUP sqlserver)
set_tests_properties(sqlserver_stop PROPERTIES FIXTURES_CLEANUP sqlserver)

# vt_use_sqlserver(tests...): the tests need the stand-in; they run one at a time against it.
function(vt_use_sqlserver)
    if(WIN32)
        string(REPLACE "/" "\\" port_file "Z:${VT_SQLSERVER_TEST_DIR}/port")
    else()
        set(port_file "${VT_SQLSERVER_TEST_DIR}/port")
    endif()
    set_tests_properties(${ARGN} PROPERTIES
        FIXTURES_REQUIRED sqlserver
        RESOURCE_LOCK sqlserver
        ENVIRONMENT "VT_SQLSERVER_PORTFILE=${port_file};ODBCSYSINI=${VT_ODBCSYSINI}")
endfunction()
