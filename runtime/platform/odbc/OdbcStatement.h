// What the SQL Server connection (OdbcConnection.cpp) does with ODBC statements: the handles'
// owners, running one statement, and reading its result as the tools' texts. Values are
// always fetched as wide text, since a driver's narrow text need not be in the ANSI code page
// (under Wine it is UTF-8), and converted to ANSI here, at the edge.
#pragma once

#include "SqlConnection.h"
#include "UniqueHandle.h"

#include "OdbcApi.h"

#include <string>
#include <vector>

namespace odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC wide text must be UTF-16");

// Bound whenever a connection exists (CreateOdbcConnection makes none without it).
inline const OdbcApi& Api() {
    return *Odbc();
}

inline const SQLWCHAR* Wide(const std::u16string& text) {
    return reinterpret_cast<const SQLWCHAR*>(text.c_str());
}

template <SQLSMALLINT Type> struct HandleTraits {
    using Handle = SQLHANDLE;
    static Handle Empty() { return SQL_NULL_HANDLE; }
    static bool Valid(Handle handle) { return handle != SQL_NULL_HANDLE; }
    static void Close(Handle handle) { Api().SQLFreeHandle(Type, handle); }
};
using CEnvironmentHandle = CUniqueHandle<HandleTraits<SQL_HANDLE_ENV>>;
using CConnectionHandle = CUniqueHandle<HandleTraits<SQL_HANDLE_DBC>>;
using CStatementHandle = CUniqueHandle<HandleTraits<SQL_HANDLE_STMT>>;

// Runs one statement (ANSI); the handle holds its results. rc is what the driver answered.
CStatementHandle Run(SQLHDBC dbc, const std::string& sql, SQLRETURN& rc);

// Reads results through one buffer, which it keeps between them.
class CResultReader {
public:
    // All rows as one text: rows separated by "\r\n", columns by "\t", NULL as an empty value.
    bool ReadText(SQLHSTMT statement, std::string& text, long& rows);
    // All rows whole, with the columns' descriptions (SqlRowSet).
    bool ReadRows(SQLHSTMT statement, SqlRowSet& result);

private:
    template <typename Take>
    bool FetchWide(SQLHSTMT statement, SQLUSMALLINT column, bool& isNull, Take take);

    std::vector<SQLWCHAR> buffer_ = std::vector<SQLWCHAR>(8192);
};

} // namespace odbc
