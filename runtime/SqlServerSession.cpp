#include "SqlServerSession.h"

#include "LogFile.h"
#include "Mbcs.h"
#include "Text.h"

#include <cstring>

namespace {

// The local default instance must run, whatever server the cabinet names.
const char kLocalSqlServerService[] = "MSSQLSERVER";

int Fail(const std::string& text) {
    WriteResultLine(true, text);
    return 1;
}

} // namespace

CSqlServerSession::CSqlServerSession(const std::string& serverName, const std::string& login,
                                     const std::string& password, IServiceControl& services,
                                     ConnectionFactory makeConnection)
    : serverName_(serverName), login_(login), password_(password), services_(&services),
      makeConnection_(std::move(makeConnection)), shared_(std::make_shared<Shared>()) {}

int CSqlServerSession::Connect() {
    const ServiceProbe probe = services_->Interrogate(kLocalSqlServerService);
    if (probe.outcome == ServiceProbe::Outcome::ManagerUnavailable)
        return Fail("fail OpenSCManager");
    if (probe.outcome == ServiceProbe::Outcome::ServiceUnavailable)
        return Fail(Ansi("ハンドルオープンに失敗: ") + serverName_);
    if (probe.state != ServiceState::Running)
        return Fail(Ansi("サービス停止中"));

    std::unique_ptr<ISqlConnection> connection = makeConnection_();
    if (!connection)
        return Fail("fail CoCreateInstance");
    // Each missing text is logged before the login gives up; a missing password only is
    // logged and the login goes on without one.
    if (serverName_.empty())
        WriteResultLine(true, "sqlname is empty.");
    if (login_.empty())
        WriteResultLine(true, "loginID is empty.");
    if (password_.empty())
        WriteResultLine(true, "password is empty.");
    if (serverName_.empty() || login_.empty())
        return 1;
    if (!connection->Connect(serverName_, login_, password_.empty() ? nullptr : &password_))
        return Fail("fail Connect()");
    shared_->connection = std::move(connection);
    return 0;
}

int CSqlServerSession::SelectDatabase(const std::string& name) {
    if (!shared_->connection || shared_->databaseSelected || name.empty())
        return 1;
    std::vector<std::string> names;
    if (!shared_->connection->DatabaseNames(names) || names.empty())
        return 1;
    for (const std::string& candidate : names) {
        if (std::strcmp(candidate.c_str(), name.c_str()) == 0) {
            if (!shared_->connection->UseDatabase(candidate))
                return 1;
            shared_->databaseSelected = true;
            return 0;
        }
    }
    return 1;
}

int CSqlServerSession::ExecuteQuery(const std::string& sql, std::string& text, long& rows) {
    if (!shared_->connection || !shared_->databaseSelected || sql.empty())
        return 1;
    std::string result;
    long count = 0;
    if (!shared_->connection->Query(sql, result, count))
        return 1;
    rows = count;
    if (count > 0)
        text = std::move(result);
    return 0;
}

int CSqlServerSession::ExecuteStatement(const std::string& sql) {
    if (!shared_->connection || !shared_->databaseSelected || sql.empty())
        return 1;
    return shared_->connection->Execute(sql) ? 0 : 1;
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

void SplitText(const std::string& text, const std::string& separator,
               std::vector<std::string>& pieces) {
    pieces.clear();
    std::size_t position = 0;
    for (;;) {
        const char* hit = separator.empty()
                              ? nullptr
                              : mbcs::FindString(text.c_str() + position, separator.c_str());
        if (hit == nullptr) {
            pieces.push_back(text.substr(position));
            return;
        }
        const std::size_t at = static_cast<std::size_t>(hit - text.c_str());
        pieces.push_back(text.substr(position, at - position));
        position = at + separator.size();
    }
}
