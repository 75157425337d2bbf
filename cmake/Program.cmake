# vt_add_tool(NAME): one of the two programs, Windows only: NAME/NAMEApp.cpp with its
# resources NAME/NAME.rc, the string table generated from strings/NAME.strings, the shared
# progress window template, and the helper library copied beside the program, as it sits
# on a server.
function(vt_add_tool name)
    if(NOT WIN32)
        return()
    endif()
    string(TOUPPER ${name} upper)
    set(dir ${CMAKE_SOURCE_DIR}/${name})
    add_executable(${name} WIN32 ${dir}/${name}App.cpp ${dir}/${name}.rc)
    target_link_libraries(${name} PRIVATE checks strings)
    target_include_directories(${name} PRIVATE ${dir})
    set_property(SOURCE ${dir}/${name}.rc APPEND PROPERTY INCLUDE_DIRECTORIES
        ${CMAKE_BINARY_DIR}/strings ${CMAKE_SOURCE_DIR}/runtime/platform/win32 ${dir})
    set_property(SOURCE ${dir}/${name}.rc APPEND PROPERTY OBJECT_DEPENDS ${VT_${upper}_STRINGS_RC})
    add_custom_command(TARGET ${name} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:ZqlCommon_SD3> $<TARGET_FILE_DIR:${name}>)
endfunction()
