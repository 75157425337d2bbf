// A session with one cabinet's SQL Server database: log in with the cabinet's host, login
// and password, choose its database by name, run statements. The login and password are
// kept as the catalogue keeps them, encoded; Connect decodes them through the helper
// library just before the driver's connect call and wipes them right after it, so a tool
// that logs in again at each step keeps nothing decoded between the steps.
//
// Copies share the connection (the checks work on copies); only the owner releases it with
// ReleaseDatabase and Disconnect. Every failure of the login is written to the log; the
// callers decide what to show.
#pragma once

#include "HelperLibrary.h"
#include "LogFile.h"
#include "Outcome.h"
#include "ServiceManager.h"
#include "SqlConnection.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CSqlServerSession {
public:
    using ConnectionFactory = std::function<std::unique_ptr<ISqlConnection>()>;

    CSqlServerSession(const std::string& serverName, const std::string& encodedLogin,
                      const std::string& encodedPassword, const CredentialLibrary* library,
                      IServiceManager& services, ConnectionFactory makeConnection, ILog& log);

    Outcome Connect();
    Outcome SelectDatabase(const std::string& name);
    // The whole result as one text (rows "\r\n", columns "\t"); text is set only when rows
    // is positive.
    Outcome ExecuteQuery(const std::string& sql, std::string& text, long& rows);
    Outcome ExecuteStatement(const std::string& sql);
    // The whole result with its columns' descriptions, for rows that must be put back as they
    // were (see SqlRowSet); result is set only when the statement ran.
    Outcome ReadRows(const std::string& sql, SqlRowSet& result);
    void ReleaseDatabase();
    void Disconnect();

    bool IsConnected() const { return shared_->connection != nullptr; }
    bool HasDatabase() const { return shared_->databaseSelected; }

private:
    void Decode(const std::string& encoded, CSecretString& plain) const;

    friend void EndOpenSqlSessions();
    struct Shared {
        std::unique_ptr<ISqlConnection> connection; // set while connected
        bool databaseSelected = false;
    };

    std::string serverName_;
    std::string encodedLogin_;
    std::string encodedPassword_;
    const CredentialLibrary* library_;
    IServiceManager* services_;
    ConnectionFactory makeConnection_;
    ILog* log_;
    std::shared_ptr<Shared> shared_;
};

// Ends every connection of the process that is still open, for a process about to end
// under its runs (the user's session ends): the server rolls back what they left open.
void EndOpenSqlSessions();
