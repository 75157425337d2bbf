#include "OdbcStatement.h"

#include "Text.h"

namespace odbc {

namespace {

// The ANSI text of a wide value; inexact is set when a character has no ANSI form (it would
// come back as another one).
std::string ExactAnsi(const std::u16string& wide, bool& inexact) {
    std::string ansi;
    AppendAnsiFromUtf16(ansi, wide.data(), wide.size());
    for (char16_t c : wide)
        if (c >= 0x80) {
            inexact = inexact || Utf16FromAnsi(ansi) != wide;
            break;
        }
    return ansi;
}

bool Describe(SQLHSTMT statement, SQLUSMALLINT column, SqlColumn& described) {
    SQLWCHAR name[258];
    SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = SQL_NULLABLE_UNKNOWN;
    SQLULEN size = 0;
    SQLLEN unique = SQL_FALSE;
    if (!SQL_SUCCEEDED(Api().SQLDescribeColW(statement, column, name, 258, &nameLength, &type,
                                             &size, &digits, &nullable)) ||
        !SQL_SUCCEEDED(Api().SQLColAttributeW(statement, column, SQL_DESC_AUTO_UNIQUE_VALUE,
                                              nullptr, 0, nullptr, &unique)))
        return false;
    AppendAnsiFromUtf16(described.name, reinterpret_cast<const char16_t*>(name),
                        static_cast<std::size_t>(nameLength < 0     ? 0
                                                 : nameLength > 257 ? 257
                                                                    : nameLength));
    described.type = type;
    described.size = size;
    described.digits = digits;
    described.nullable = nullable != SQL_NO_NULLS;
    described.identity = unique == SQL_TRUE;
    return true;
}

SQLSMALLINT ResultColumns(SQLHSTMT statement) {
    SQLSMALLINT columns = 0;
    Api().SQLNumResultCols(statement, &columns);
    return columns > 0 ? columns : 0;
}

} // namespace

CStatementHandle Run(SQLHDBC dbc, const std::string& sql, SQLRETURN& rc) {
    CStatementHandle statement;
    Api().SQLAllocHandle(SQL_HANDLE_STMT, dbc, statement.Out());
    const std::u16string wide = Utf16FromAnsi(sql);
    rc = Api().SQLExecDirectW(statement.Get(), const_cast<SQLWCHAR*>(Wide(wide)),
                              static_cast<SQLINTEGER>(wide.size()));
    return statement;
}

// Fetches one value in pieces as long as the value is, each handed to take(piece, units);
// isNull tells NULL apart from an empty text.
template <typename Take>
bool CResultReader::FetchWide(SQLHSTMT statement, SQLUSMALLINT column, bool& isNull, Take take) {
    isNull = false;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            Api().SQLGetData(statement, column, SQL_C_WCHAR, buffer_.data(),
                             static_cast<SQLLEN>(buffer_.size() * sizeof(SQLWCHAR)), &indicator);
        if (rc == SQL_NO_DATA)
            return true;
        if (indicator == SQL_NULL_DATA) {
            isNull = true;
            return true;
        }
        if (!SQL_SUCCEEDED(rc))
            return false;
        const std::size_t room = buffer_.size() - 1; // one unit for the terminator
        take(buffer_.data(),
             indicator == SQL_NO_TOTAL || static_cast<std::size_t>(indicator) / 2 > room
                 ? room
                 : static_cast<std::size_t>(indicator) / 2);
        if (rc == SQL_SUCCESS)
            return true;
    }
}

bool CResultReader::ReadText(SQLHSTMT statement, std::string& text, long& rows) {
    const SQLSMALLINT columns = ResultColumns(statement);
    text.clear();
    rows = 0;
    const auto append = [&text](SQLWCHAR* piece, std::size_t units) {
        // The result text separates columns by tabs and rows by CR LF and has no escape: a
        // value holding one of them, or a NUL, would forge columns or rows (a second suspect
        // user, say), or end the text early. Inside a value each becomes a blank.
        for (std::size_t i = 0; i < units; ++i)
            if (piece[i] == u'\t' || piece[i] == u'\r' || piece[i] == u'\n' || piece[i] == 0)
                piece[i] = u' ';
        AppendAnsiFromUtf16(text, reinterpret_cast<const char16_t*>(piece), units);
    };
    SQLRETURN rc;
    while (SQL_SUCCEEDED(rc = Api().SQLFetch(statement))) {
        if (rows > 0)
            text += "\r\n";
        for (SQLUSMALLINT column = 1; column <= columns; ++column) {
            if (column > 1)
                text += '\t';
            bool isNull = false;
            if (!FetchWide(statement, column, isNull, append))
                return false;
        }
        ++rows;
    }
    return rc == SQL_NO_DATA;
}

bool CResultReader::ReadRows(SQLHSTMT statement, SqlRowSet& result) {
    const SQLSMALLINT columns = ResultColumns(statement);
    result = SqlRowSet{};
    result.columns.resize(static_cast<std::size_t>(columns));
    for (SQLUSMALLINT column = 1; column <= columns; ++column)
        if (!Describe(statement, column, result.columns[column - 1u]))
            return false;
    std::u16string wide;
    const auto append = [&wide](const SQLWCHAR* piece, std::size_t units) {
        wide.append(reinterpret_cast<const char16_t*>(piece), units);
    };
    SQLRETURN rc;
    while (SQL_SUCCEEDED(rc = Api().SQLFetch(statement))) {
        std::vector<SqlValue>& row = result.rows.emplace_back();
        for (SQLUSMALLINT column = 1; column <= columns; ++column) {
            wide.clear();
            bool isNull = false;
            if (!FetchWide(statement, column, isNull, append))
                return false;
            row.push_back(isNull ? SqlValue() : SqlValue(ExactAnsi(wide, result.inexact)));
        }
    }
    return rc == SQL_NO_DATA;
}

} // namespace odbc
