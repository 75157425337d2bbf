#include "SqlServerSession.h"

#include "LogFile.h"
#include "Mbcs.h"
#include "Text.h"

#include <algorithm>
#include <cstring>

namespace {

// The local default instance must run, whatever server the cabinet names.
const char kLocalSqlServerService[] = "MSSQLSERVER";

// The connected sessions, for EndOpenSqlSessions; the tools have one thread.
template <typename Shared> std::vector<std::weak_ptr<Shared>>& Connected() {
    static std::vector<std::weak_ptr<Shared>> sessions;
    return sessions;
}

Outcome Fail(ILog& log, const std::string& text) {
    log.Result(LogStatus::Failure, text);
    return Outcome::Failed;
}

} // namespace

void CSqlServerSession::Decode(const std::string& encoded, CSecretString& plain) const {
    if (!encoded.empty() && library_ != nullptr)
        DecodeCredential(encoded, plain, *library_);
}

CSqlServerSession::CSqlServerSession(const std::string& serverName, const std::string& encodedLogin,
                                     const std::string& encodedPassword,
                                     const CredentialLibrary* library, IServiceManager& services,
                                     ConnectionFactory makeConnection, ILog& log)
    : serverName_(serverName), encodedLogin_(encodedLogin), encodedPassword_(encodedPassword),
      library_(library), services_(&services), makeConnection_(std::move(makeConnection)),
      log_(&log), shared_(std::make_shared<Shared>()) {}

Outcome CSqlServerSession::Connect() {
    const ServiceProbe probe = services_->Interrogate(kLocalSqlServerService);
    if (probe.reach == ServiceProbe::Reach::ManagerUnavailable)
        return Fail(*log_, "fail OpenSCManager");
    if (probe.reach == ServiceProbe::Reach::ServiceUnavailable)
        return Fail(*log_, Ansi("ハンドルオープンに失敗: ") + serverName_);
    if (probe.state != ServiceState::Running)
        return Fail(*log_, Ansi("サービス停止中"));

    std::unique_ptr<ISqlConnection> connection = makeConnection_();
    if (!connection)
        return Fail(*log_, "fail CoCreateInstance");
    // Wiped when Connect returns. A text that cannot be decoded (the catalogue said so
    // when it was read) counts as missing.
    CSecretString login, password;
    Decode(encodedLogin_, login);
    Decode(encodedPassword_, password);
    // Each missing text is logged before the login gives up; a missing password only is
    // logged and the login goes on without one.
    if (serverName_.empty())
        log_->Result(LogStatus::Failure, "sqlname is empty.");
    if (login.Empty())
        log_->Result(LogStatus::Failure, "loginID is empty.");
    if (password.Empty())
        log_->Result(LogStatus::Failure, "password is empty.");
    if (serverName_.empty() || login.Empty())
        return Outcome::Failed;
    if (!connection->Connect(serverName_, login.Text(),
                             password.Empty() ? nullptr : &password.Text()))
        return Fail(*log_, "fail Connect()");
    shared_->connection = std::move(connection);
    auto& connected = Connected<Shared>();
    connected.erase(std::remove_if(connected.begin(), connected.end(),
                                   [](const auto& session) { return session.expired(); }),
                    connected.end());
    connected.push_back(shared_);
    return Outcome::Done;
}

Outcome CSqlServerSession::SelectDatabase(const std::string& name) {
    if (!shared_->connection || shared_->databaseSelected || name.empty())
        return Outcome::Failed;
    std::vector<std::string> names;
    if (!shared_->connection->DatabaseNames(names) || names.empty())
        return Outcome::Failed;
    for (const std::string& candidate : names) {
        if (std::strcmp(candidate.c_str(), name.c_str()) == 0) {
            if (!shared_->connection->UseDatabase(candidate))
                return Outcome::Failed;
            shared_->databaseSelected = true;
            return Outcome::Done;
        }
    }
    return Outcome::Failed;
}

Outcome CSqlServerSession::ExecuteQuery(const std::string& sql, std::string& text, long& rows) {
    log_->Flush(); // the log is complete while the server works
    if (!shared_->connection || !shared_->databaseSelected || sql.empty())
        return Outcome::Failed;
    std::string result;
    long count = 0;
    if (!shared_->connection->Query(sql, result, count))
        return Outcome::Failed;
    rows = count;
    if (count > 0)
        text = std::move(result);
    return Outcome::Done;
}

Outcome CSqlServerSession::ExecuteStatement(const std::string& sql) {
    log_->Flush(); // the log is complete while the server works
    if (!shared_->connection || !shared_->databaseSelected || sql.empty())
        return Outcome::Failed;
    return shared_->connection->Execute(sql) ? Outcome::Done : Outcome::Failed;
}

Outcome CSqlServerSession::ReadRows(const std::string& sql, SqlRowSet& result) {
    log_->Flush(); // the log is complete while the server works
    if (!shared_->connection || !shared_->databaseSelected || sql.empty())
        return Outcome::Failed;
    SqlRowSet rows;
    if (!shared_->connection->QueryRows(sql, rows))
        return Outcome::Failed;
    result = std::move(rows);
    return Outcome::Done;
}

void CSqlServerSession::ReleaseDatabase() {
    shared_->databaseSelected = false;
}

void CSqlServerSession::Disconnect() {
    if (shared_->connection && shared_->connection->Disconnect()) {
        shared_->connection.reset();
        shared_->databaseSelected = false;
    }
}

void EndOpenSqlSessions() {
    for (const auto& weak : Connected<CSqlServerSession::Shared>())
        if (const auto shared = weak.lock()) {
            shared->connection.reset();
            shared->databaseSelected = false;
        }
}
