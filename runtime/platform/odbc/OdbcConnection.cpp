// The SQL Server connection over ODBC's wide interface, the same code on Windows (odbc32)
// and on Linux (unixODBC with FreeTDS). Texts cross the interface as UTF-16 and are
// converted to and from the ANSI code page at the edge (here and in OdbcStatement.cpp).
#include "SqlConnection.h"

#include "Secret.h"
#include "Text.h"
#include "TokenList.h"

#include "OdbcStatement.h"

#include <vector>

namespace {

using namespace odbc;

struct Driver {
    std::u16string name;
    // FreeTDS reads a braced value up to the first "}" that ends the value and does not
    // undouble "}}" as the ODBC rules (and Microsoft's drivers) do.
    bool freeTds = false;
};

// Appends a value of a connection string, braced when it holds a character the string's
// syntax uses, so that a password with ';', '=' or '}' reaches the server unchanged. False
// when the driver cannot be given the value (FreeTDS and a value holding "};").
bool AppendConnectionValue(CSecretUtf16& out, const std::u16string& value, const Driver& driver) {
    if (value.find_first_of(u";={}[](),?*!@ ") == std::u16string::npos) {
        out.Append(value);
        return true;
    }
    if (driver.freeTds && value.find(u"};") != std::u16string::npos)
        return false;
    out.Append(u'{');
    for (char16_t c : value) {
        out.Append(c);
        if (c == u'}' && !driver.freeTds)
            out.Append(c);
    }
    out.Append(u'}');
    return true;
}

// The UTF-16 form of a decoded text, in a text that wipes it.
void Widen(const std::string& ansi, CSecretUtf16& wide) {
    wide.Reserve(ansi.size());
    AppendUtf16FromAnsi(wide.Room(), ansi);
}

bool Contains(std::u16string text, const std::u16string& part) {
    for (char16_t& c : text)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return text.find(part) != std::u16string::npos;
}

// The newest SQL Server driver installed, by name; "SQL Server" (present on every
// Windows, and the testbed's name for FreeTDS) when none of the newer ones is.
Driver ChooseDriver(SQLHENV env) {
    static const char16_t* const preferred[] = {
        u"ODBC Driver 18 for SQL Server", u"ODBC Driver 17 for SQL Server",
        u"ODBC Driver 13 for SQL Server", u"SQL Server Native Client 11.0", u"SQL Server"};
    std::vector<Driver> installed;
    SQLWCHAR name[256];
    SQLWCHAR attributes[1024];
    SQLSMALLINT nameLength = 0, attributesLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(Api().SQLDriversW(env, direction, name, 256, &nameLength, attributes, 1024,
                                           &attributesLength))) {
        // The attributes are "key=value" texts separated by zeros; the driver's file tells
        // FreeTDS apart.
        const std::u16string all(reinterpret_cast<const char16_t*>(attributes),
                                 static_cast<std::size_t>(attributesLength));
        installed.push_back({reinterpret_cast<const char16_t*>(name), Contains(all, u"tdsodbc")});
        direction = SQL_FETCH_NEXT;
    }
    for (const char16_t* candidate : preferred)
        for (const Driver& driver : installed)
            if (driver.name == candidate)
                return driver;
    return {u"SQL Server", false};
}

class OdbcConnection : public ISqlConnection {
public:
    OdbcConnection() {
        Api().SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, env_.Out());
        Api().SQLSetEnvAttr(env_.Get(), SQL_ATTR_ODBC_VERSION,
                            reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        Api().SQLAllocHandle(SQL_HANDLE_DBC, env_.Get(), dbc_.Out());
    }
    ~OdbcConnection() override {
        if (connected_)
            Api().SQLDisconnect(dbc_.Get());
    }
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    bool Connect(const std::string& server, const std::string& login,
                 const std::string* password) override {
        const Driver driver = ChooseDriver(env_.Get());
        // The login and password arrive decoded: their wide forms, the connection string and
        // the one the driver completes are wiped when the call returns.
        CSecretUtf16 wideLogin, widePassword, text;
        Widen(login, wideLogin);
        Widen(password != nullptr ? *password : std::string(), widePassword);
        text.Append(u"DRIVER={" + driver.name + u"};SERVER=");
        bool valid = AppendConnectionValue(text, Utf16FromAnsi(server), driver);
        text.Append(u";UID=");
        valid = AppendConnectionValue(text, wideLogin.Text(), driver) && valid;
        text.Append(u";");
        if (password != nullptr) {
            text.Append(u"PWD=");
            valid = AppendConnectionValue(text, widePassword.Text(), driver) && valid;
            text.Append(u";");
        }
        if (!valid)
            return false;
        // Driver 18 encrypts by default and then insists on a certificate it can verify,
        // which the servers these tools meet (a local instance with its self-signed
        // certificate) do not have. "Optional" keeps what every older driver does: the
        // connection is encrypted when the server demands it and not otherwise.
        if (driver.name == u"ODBC Driver 18 for SQL Server")
            text.Append(u"Encrypt=Optional;");
        // A generous bound instead of waiting forever for a server that does not answer.
        Api().SQLSetConnectAttrW(dbc_.Get(), SQL_ATTR_LOGIN_TIMEOUT,
                                 reinterpret_cast<SQLPOINTER>(30), 0);
        SQLWCHAR completed[1024];
        SQLSMALLINT completedLength = 0;
        const SQLRETURN rc = Api().SQLDriverConnectW(
            dbc_.Get(), nullptr, const_cast<SQLWCHAR*>(Wide(text.Text())), SQL_NTS, completed, 1024,
            &completedLength, SQL_DRIVER_NOPROMPT);
        WipeMemory(completed, sizeof completed);
        connected_ = SQL_SUCCEEDED(rc);
        return connected_;
    }

    bool Disconnect() override {
        if (!connected_)
            return true;
        if (!SQL_SUCCEEDED(Api().SQLDisconnect(dbc_.Get())))
            return false;
        connected_ = false;
        return true;
    }

    bool DatabaseNames(std::vector<std::string>& names) override {
        std::string text;
        long rows = 0;
        // sys.databases exists from SQL Server 2005 on; every version answers this one.
        if (!Query("SELECT name FROM master.dbo.sysdatabases ORDER BY dbid", text, rows))
            return false;
        SplitText(text, "\r\n", names);
        names.resize(static_cast<std::size_t>(rows)); // no text at all when there is no row
        return true;
    }

    bool UseDatabase(const std::string& name) override {
        std::string quoted;
        for (char c : name) {
            quoted.push_back(c);
            if (c == ']')
                quoted.push_back(']');
        }
        return Execute("USE [" + quoted + "]");
    }

    bool Query(const std::string& sql, std::string& text, long& rows) override {
        SQLRETURN rc;
        const CStatementHandle statement = Run(dbc_.Get(), sql, rc);
        return SQL_SUCCEEDED(rc) && reader_.ReadText(statement.Get(), text, rows);
    }

    bool QueryRows(const std::string& sql, SqlRowSet& result) override {
        SQLRETURN rc;
        const CStatementHandle statement = Run(dbc_.Get(), sql, rc);
        return SQL_SUCCEEDED(rc) && reader_.ReadRows(statement.Get(), result);
    }

    bool Execute(const std::string& sql) override {
        SQLRETURN rc;
        const CStatementHandle statement = Run(dbc_.Get(), sql, rc);
        // An update that touches no row answers "no data": it still succeeded.
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
            return false;
        // Later results of the batch may carry an error of their own.
        while (SQL_SUCCEEDED(rc = Api().SQLMoreResults(statement.Get()))) {
        }
        return rc == SQL_NO_DATA;
    }

private:
    // Declared in this order so that the connection is freed before its environment.
    CEnvironmentHandle env_;
    CConnectionHandle dbc_;
    bool connected_ = false;
    CResultReader reader_;
};

} // namespace

std::unique_ptr<ISqlConnection> CreateOdbcConnection() {
    if (Odbc() == nullptr)
        return nullptr;
    return std::make_unique<OdbcConnection>();
}
