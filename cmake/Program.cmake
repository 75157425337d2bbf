# vt_add_tool(NAME): one of the two programs, Windows only: NAME/NAMEApp.cpp over the tool's
# main dialog (the library name_core), its resources NAME/NAME.rc with the string table
# generated from strings/NAME.strings, the events' message table and the shared templates.
# The server's helper library is not copied beside it: the program finds it where the server
# keeps it (the demo installation's folder, on the search path).
function(vt_add_tool name)
    if(NOT WIN32)
        return()
    endif()
    string(TOUPPER ${name} upper)
    string(TOLOWER ${name} lower)
    set(dir ${CMAKE_SOURCE_DIR}/${name})
    add_executable(${name} WIN32 ${dir}/${name}App.cpp ${dir}/${name}.rc)
    target_link_libraries(${name} PRIVATE ${lower}_core strings)
    target_include_directories(${name} PRIVATE ${dir})
    set_property(SOURCE ${dir}/${name}.rc APPEND PROPERTY INCLUDE_DIRECTORIES
        ${CMAKE_BINARY_DIR}/strings ${CMAKE_SOURCE_DIR}/runtime/platform/win32
        ${CMAKE_SOURCE_DIR}/dialog ${CMAKE_SOURCE_DIR}/dialog/res ${dir}
        ${CMAKE_BINARY_DIR}/generated ${CMAKE_BINARY_DIR}/events)
    add_dependencies(${name} event_messages)
    set_property(SOURCE ${dir}/${name}.rc APPEND PROPERTY OBJECT_DEPENDS ${VT_${upper}_STRINGS_RC}
        ${VT_EVENT_MESSAGES_RC}
        ${CMAKE_SOURCE_DIR}/dialog/res/Tool.manifest ${CMAKE_SOURCE_DIR}/dialog/ToolResources.rc.inc
        ${CMAKE_BINARY_DIR}/generated/ToolVersion.h)
endfunction()

# vt_add_tool_tests(NAME NATIVE source... WINE case...): the tool's tests. Natively, its
# main dialog over a fake window (the sources, in NAME/tests); in the Windows build, the
# real program under Wine, driven through its windows on the demo installation, one ctest
# case per CASE of NAME/tests/name_e2e_test.sh (scripts/test starts the installation's
# stand-ins).
function(vt_add_tool_tests name)
    cmake_parse_arguments(ARG "" "" "NATIVE;WINE" ${ARGN})
    string(TOLOWER ${name} lower)
    set(dir ${CMAKE_SOURCE_DIR}/${name}/tests)
    if(NOT WIN32)
        list(TRANSFORM ARG_NATIVE PREPEND ${dir}/)
        vt_add_gtest(${lower}_tests
            SOURCES ${ARG_NATIVE}
            LIBS ${lower}_core strings
            LABELS native)
        return()
    endif()
    foreach(case ${ARG_WINE})
        add_test(NAME ${name}.${case}
            COMMAND bash ${dir}/${lower}_e2e_test.sh ${CMAKE_BINARY_DIR} ${case})
        set_tests_properties(${name}.${case} PROPERTIES LABELS wine RUN_SERIAL TRUE TIMEOUT 300)
    endforeach()
endfunction()

# vt_add_layer(NAME SOURCES source... USES library...): one layer of the portable core, a
# static library of the sources in the calling folder, which is on its users' include path,
# over the layers it uses. TESTS adds the folder's tests/ when the tests are built.
function(vt_add_layer name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "TESTS" "" "SOURCES;USES")
    add_library(${name} STATIC ${arg_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${arg_USES})
    if(arg_TESTS AND VT_TESTS)
        add_subdirectory(tests)
    endif()
endfunction()
