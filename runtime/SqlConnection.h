// One connection to a SQL Server, as the session needs it: log in, list the server's
// databases, switch to one, run statements. Texts are ANSI (code page 932); the
// implementation converts to and from UTF-16 at the client interface. The session's logic
// stays free of the client interface, so tests can stand in for the server.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

// One column of a result as the driver describes it.
struct SqlColumn {
    std::string name;
    int type = 0;                // ODBC's SQL data type: SQL_INTEGER 4, SQL_WVARCHAR -9, ...
    unsigned long long size = 0; // characters of a text, digits of a number, ...
    int digits = 0;              // decimal digits (fractional seconds of a time)
    bool nullable = true;        // false only when the driver says it holds no NULL
    bool identity = false;       // the server numbers it (SQL_DESC_AUTO_UNIQUE_VALUE)
    bool operator==(const SqlColumn& other) const {
        return name == other.name && type == other.type && size == other.size &&
               digits == other.digits && nullable == other.nullable && identity == other.identity;
    }
};

// A value as it was read, exact enough to be written back: nothing for NULL, text otherwise
// (an empty text is a value). Every type arrives as the driver's text for it, by ODBC's
// conversion rules: numbers in decimal, date and time in the canonical form
// "yyyy-mm-dd hh:mm:ss[.fff]", binary as two hexadecimal digits per byte.
using SqlValue = std::optional<std::string>;

// A result read whole, with its columns' descriptions.
struct SqlRowSet {
    std::vector<SqlColumn> columns;
    std::vector<std::vector<SqlValue>> rows; // each as many values as there are columns
    // A text held a character the ANSI code page lacks, which reads as another one: the rows
    // are not the server's exactly.
    bool inexact = false;
};

class ISqlConnection {
public:
    virtual ~ISqlConnection() = default;
    // SQL Server authentication; without a password, none is sent.
    virtual bool Connect(const std::string& server, const std::string& login,
                         const std::string* password) = 0;
    // True when the connection was closed (or there was none).
    virtual bool Disconnect() = 0;
    // The server's database names in ordinal order.
    virtual bool DatabaseNames(std::vector<std::string>& names) = 0;
    virtual bool UseDatabase(const std::string& name) = 0;
    // All rows of the statement's first result set: rows separated by "\r\n", columns by
    // "\t", no header, nothing after the last row; NULL reads as an empty value.
    virtual bool Query(const std::string& sql, std::string& text, long& rows) = 0;
    // A statement without results.
    virtual bool Execute(const std::string& sql) = 0;
    // All rows of the statement's first result set, whole, with tabs, line breaks and NULLs
    // as they are, and the columns as the driver describes them.
    virtual bool QueryRows(const std::string& sql, SqlRowSet& result) = 0;
};

// A connection through ODBC with the best SQL Server driver installed.
std::unique_ptr<ISqlConnection> CreateOdbcConnection();
