// The ODBC driver manager's functions the SQL Server connection calls. ODBC32.dll is not
// one of Windows' known DLLs: imported, it would be taken from the first place the loader
// looks, the program's own folder, before any code of the program runs. So the programs
// load it at run time from System32 by its full path and call it through this table;
// natively the table holds unixODBC's functions, linked as usual.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#define VT_ODBC_FUNCTIONS(X)                                                                       \
    X(SQLAllocHandle)                                                                              \
    X(SQLFreeHandle)                                                                               \
    X(SQLSetEnvAttr)                                                                               \
    X(SQLDriversW)                                                                                 \
    X(SQLSetConnectAttrW)                                                                          \
    X(SQLDriverConnectW)                                                                           \
    X(SQLDisconnect)                                                                               \
    X(SQLExecDirectW)                                                                              \
    X(SQLNumResultCols)                                                                            \
    X(SQLDescribeColW)                                                                             \
    X(SQLColAttributeW)                                                                            \
    X(SQLFetch)                                                                                    \
    X(SQLGetData)                                                                                  \
    X(SQLMoreResults)

struct OdbcApi {
#define VT_ODBC_MEMBER(name) decltype(&::name) name;
    VT_ODBC_FUNCTIONS(VT_ODBC_MEMBER)
#undef VT_ODBC_MEMBER
};

// The driver manager's functions, bound once; null when it cannot be loaded or lacks one
// of them (then no connection can be made).
const OdbcApi* Odbc();
