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

# The test doubles and fixtures every test shares (testsupport/).
add_library(testsupport INTERFACE)
target_include_directories(testsupport INTERFACE ${CMAKE_SOURCE_DIR}/testsupport)

# vt_add_gtest(target SOURCES... [LIBS ...] [LABELS ...])
# Builds a GoogleTest program, with the shared test support, and registers each of its
# cases with ctest. Cases are found
# by scanning the sources, so nothing has to run at build time (a Windows test program
# cannot run before Wine is prepared).
function(vt_add_gtest target)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} testsupport ${VT_GTEST_MAIN})
    gtest_add_tests(TARGET ${target} SOURCES ${ARG_SOURCES} TEST_LIST cases)
    if(ARG_LABELS)
        set_tests_properties(${cases} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
    set(${target}_CASES ${cases} PARENT_SCOPE)
endfunction()

# SQL Server stand-ins for the tests, each started once per ctest run by a fixture script
# ("<script> start|stop <folder>") over its own data folder <build>/<name>. ODBC finds
# "SQL Server" (FreeTDS) through the testbed's private odbcinst.ini.
set(VT_ODBCSYSINI "${CMAKE_SOURCE_DIR}/testbed/odbc")

function(vt_sqlserver_fixture name script)
    set(folder "${CMAKE_BINARY_DIR}/${name}")
    add_test(NAME ${name}_start COMMAND python3 ${script} start ${folder})
    add_test(NAME ${name}_stop COMMAND python3 ${script} stop ${folder})
    set_tests_properties(${name}_start PROPERTIES FIXTURES_SETUP ${name})
    set_tests_properties(${name}_stop PROPERTIES FIXTURES_CLEANUP ${name})
endfunction()

# vt_use_sqlserver(name tests...): the tests need the stand-in of fixture name; they find
# its port in the file VT_SQLSERVER_PORTFILE names and run one at a time against it.
function(vt_use_sqlserver name)
    set(port_file "${CMAKE_BINARY_DIR}/${name}/port")
    if(WIN32)
        string(REPLACE "/" "\\" port_file "Z:${port_file}")
    endif()
    set_tests_properties(${ARGN} PROPERTIES
        FIXTURES_REQUIRED ${name}
        RESOURCE_LOCK ${name}
        ENVIRONMENT "VT_SQLSERVER_PORTFILE=${port_file};ODBCSYSINI=${VT_ODBCSYSINI}")
endfunction()

vt_sqlserver_fixture(sqlserver-test ${CMAKE_SOURCE_DIR}/testsupport/sqlserver_fixture.py)
vt_sqlserver_fixture(cabinets-test ${CMAKE_SOURCE_DIR}/testsupport/cabinets_fixture.py)
vt_sqlserver_fixture(repair-test ${CMAKE_SOURCE_DIR}/testsupport/repair_fixture.py)
