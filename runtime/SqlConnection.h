// One connection to a SQL Server, as the session needs it: log in, list the server's
// databases, switch to one, run statements. Texts are ANSI (code page 932); the
// implementation converts to and from UTF-16 at the client interface. The session's logic
// stays free of the client interface, so tests can stand in for the server.
#pragma once

#include <memory>
#include <string>
#include <vector>

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
};

// A connection through ODBC with the best SQL Server driver installed.
std::unique_ptr<ISqlConnection> CreateOdbcConnection();
