# SQLite's single-file amalgamation for the testbed's stand-in interpreter.
#
# Debian ships no SQLite built for mingw, and its source package has the full tree rather
# than the amalgamation. The better-sqlite3 package on npm carries the amalgamation under
# package/deps/sqlite3/, so it is taken from there once and kept in ${VT_DEPS_DIR}/sqlite.
#
# Defines the static C library target vt_sqlite3 (include dir PUBLIC).

set(VT_SQLITE_NPM_PACKAGE "better-sqlite3@12.9.0" CACHE STRING
    "npm package whose tarball carries the SQLite amalgamation")
set(VT_SQLITE_DIR "${VT_DEPS_DIR}/sqlite")

if(NOT EXISTS "${VT_SQLITE_DIR}/sqlite3.c" OR NOT EXISTS "${VT_SQLITE_DIR}/sqlite3.h")
    find_program(VT_NPM npm)
    if(NOT VT_NPM)
        message(FATAL_ERROR "SQLite amalgamation missing in ${VT_SQLITE_DIR} and npm not found "
                            "to fetch it (apt-get install npm)")
    endif()
    set(work "${CMAKE_BINARY_DIR}/sqlite-fetch")
    file(REMOVE_RECURSE "${work}")
    file(MAKE_DIRECTORY "${work}")
    message(STATUS "Fetching the SQLite amalgamation from ${VT_SQLITE_NPM_PACKAGE}")
    execute_process(
        COMMAND "${VT_NPM}" pack "${VT_SQLITE_NPM_PACKAGE}" --silent
        WORKING_DIRECTORY "${work}"
        RESULT_VARIABLE rc
        OUTPUT_VARIABLE tarball
        ERROR_VARIABLE err
        OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "npm pack ${VT_SQLITE_NPM_PACKAGE} failed (${rc}): ${err}")
    endif()
    file(GLOB tarballs "${work}/*.tgz")
    list(LENGTH tarballs count)
    if(NOT count EQUAL 1)
        message(FATAL_ERROR "npm pack left ${count} tarballs in ${work}")
    endif()
    file(ARCHIVE_EXTRACT INPUT "${tarballs}" DESTINATION "${work}"
         PATTERNS package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h)
    foreach(f sqlite3.c sqlite3.h)
        if(NOT EXISTS "${work}/package/deps/sqlite3/${f}")
            message(FATAL_ERROR "${tarballs} has no package/deps/sqlite3/${f}")
        endif()
    endforeach()
    file(MAKE_DIRECTORY "${VT_SQLITE_DIR}")
    # Header first, source last: the source's presence is what marks the cache complete.
    file(COPY_FILE "${work}/package/deps/sqlite3/sqlite3.h" "${VT_SQLITE_DIR}/sqlite3.h")
    file(COPY_FILE "${work}/package/deps/sqlite3/sqlite3.c" "${VT_SQLITE_DIR}/sqlite3.c")
    file(REMOVE_RECURSE "${work}")
endif()

if(NOT TARGET vt_sqlite3)
    add_library(vt_sqlite3 STATIC "${VT_SQLITE_DIR}/sqlite3.c")
    target_include_directories(vt_sqlite3 PUBLIC "${VT_SQLITE_DIR}")
    target_compile_definitions(vt_sqlite3 PRIVATE SQLITE_THREADSAFE=0 SQLITE_OMIT_LOAD_EXTENSION)
    # Third-party code: not held to the project's warning level.
    target_compile_options(vt_sqlite3 PRIVATE $<IF:$<C_COMPILER_ID:MSVC>,/w,-w>)
    set_target_properties(vt_sqlite3 PROPERTIES C_STANDARD 99 POSITION_INDEPENDENT_CODE ON)
endif()
