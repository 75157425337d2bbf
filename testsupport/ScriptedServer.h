// A SQL Server for tests: answers each statement with the rows it was given (an unknown
// statement finds nothing), fails the statements named failing and records every statement
// it receives, the logins and the database selected. Rows read whole (ReadRows) come from
// rowAnswers.
#pragma once

#include "FakeCredentialLibrary.h"
#include "FakeServiceManager.h"
#include "SqlServerSession.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct ScriptedServer {
    struct Answer {
        std::string text;
        long rows;
    };
    std::map<std::string, Answer> answers;
    std::map<std::string, SqlRowSet> rowAnswers;
    std::set<std::string> failing;
    std::vector<std::string> received;
    std::vector<std::string> databases = {"Cabinet"};
    bool acceptLogin = true;
    std::string login;          // at the last login, as the driver got it
    bool passwordGiven = false; // at the last login
    std::string used;           // the database selected last
    int connects = 0, disconnects = 0;
    std::function<void(const std::string& sql)> onStatement = [](const std::string&) {};

    void Answer(const std::string& sql, const std::vector<std::string>& rows) {
        std::string text;
        for (std::size_t i = 0; i < rows.size(); ++i)
            text += (i ? "\r\n" : "") + rows[i];
        answers[sql] = {text, static_cast<long>(rows.size())};
    }

    // A session with this server, not yet connected.
    CSqlServerSession Unopened(ILog& log = FileLog());
    // A session connected to this server with the database "Cabinet" selected.
    CSqlServerSession Session();
};

namespace scripted {

class Connection : public ISqlConnection {
public:
    explicit Connection(ScriptedServer& server) : server_(server) {}
    bool Connect(const std::string&, const std::string& login,
                 const std::string* password) override {
        ++server_.connects;
        server_.login = login;
        server_.passwordGiven = password != nullptr;
        return server_.acceptLogin;
    }
    bool Disconnect() override {
        ++server_.disconnects;
        return true;
    }
    bool DatabaseNames(std::vector<std::string>& names) override {
        names = server_.databases;
        return true;
    }
    bool UseDatabase(const std::string& name) override {
        server_.used = name;
        return true;
    }
    bool Query(const std::string& sql, std::string& text, long& rows) override {
        server_.received.push_back(sql);
        server_.onStatement(sql);
        if (server_.failing.count(sql))
            return false;
        auto it = server_.answers.find(sql);
        text = it == server_.answers.end() ? "" : it->second.text;
        rows = it == server_.answers.end() ? 0 : it->second.rows;
        return true;
    }
    bool Execute(const std::string& sql) override {
        server_.received.push_back(sql);
        server_.onStatement(sql);
        return !server_.failing.count(sql);
    }
    bool QueryRows(const std::string& sql, SqlRowSet& result) override {
        server_.received.push_back(sql);
        server_.onStatement(sql);
        if (server_.failing.count(sql))
            return false;
        auto it = server_.rowAnswers.find(sql);
        result = it == server_.rowAnswers.end() ? SqlRowSet{} : it->second;
        return true;
    }

private:
    ScriptedServer& server_;
};

} // namespace scripted

inline CSqlServerSession ScriptedServer::Unopened(ILog& log) {
    return CSqlServerSession(
        "server", "enc:login", "enc:password", &kFakeCredentialLibrary,
        FakeServiceManager::Running(),
        [this] { return std::make_unique<scripted::Connection>(*this); }, log);
}

inline CSqlServerSession ScriptedServer::Session() {
    CSqlServerSession session = Unopened();
    session.Connect();
    session.SelectDatabase("Cabinet");
    return session;
}
