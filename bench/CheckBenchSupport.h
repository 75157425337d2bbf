// What the benchmarks of the checks and the repair share: a connection that notes every
// statement it passes on, a main dialog that shows nothing, and the bare ODBC loop that
// runs the same statements as the yardstick.
#pragma once

#include "BareLoop.h"
#include "BenchSupport.h"
#include "CheckHost.h"
#include "FakeCredentialLibrary.h"
#include "FakeServiceManager.h"
#include "LogFile.h"
#include "SqlConnection.h"
#include "SqlServerSession.h"

#include "StringTable.h"
#include "Text.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bench {

// What a session was asked: its statements, and the rows their results held.
struct Recorded {
    std::vector<std::string> statements;
    long rows = 0;
};

// Passes everything to the ODBC connection and notes each statement.
class Recording : public ISqlConnection {
public:
    Recording(Recorded& sent) : inner_(CreateOdbcConnection()), sent_(sent) {}
    bool Connect(const std::string& s, const std::string& l, const std::string* p) override {
        return inner_->Connect(s, l, p);
    }
    bool Disconnect() override { return inner_->Disconnect(); }
    bool DatabaseNames(std::vector<std::string>& n) override { return inner_->DatabaseNames(n); }
    bool UseDatabase(const std::string& n) override { return inner_->UseDatabase(n); }
    bool Query(const std::string& sql, std::string& text, long& rows) override {
        sent_.statements.push_back(sql);
        const bool done = inner_->Query(sql, text, rows);
        sent_.rows += done ? rows : 0;
        return done;
    }
    bool Execute(const std::string& sql) override {
        sent_.statements.push_back(sql);
        return inner_->Execute(sql);
    }
    bool QueryRows(const std::string& sql, SqlRowSet& result) override {
        sent_.statements.push_back(sql);
        const bool done = inner_->QueryRows(sql, result);
        sent_.rows += done ? static_cast<long>(result.rows.size()) : 0;
        return done;
    }

private:
    std::unique_ptr<ISqlConnection> inner_;
    Recorded& sent_;
};

// A session with the cabinet's database, logged in as sa, that notes every statement in
// sent; and the benchmark's own log, started empty. Nothing (after a message) when the
// database cannot be opened.
inline std::optional<CSqlServerSession> OpenRecordingSession(const std::string& server,
                                                             const std::string& database,
                                                             Recorded& sent, const char* log) {
    SetLogFileName(log); // lets go of a log file still open, which could not be removed
    std::remove(log);
    CSqlServerSession session(
        server, "enc:sa", "enc:Velmora-sa-1", &kFakeCredentialLibrary,
        FakeServiceManager::Running(), [&sent] { return std::make_unique<Recording>(sent); },
        FileLog());
    if (session.Connect() == Outcome::Done && session.SelectDatabase(database) == Outcome::Done)
        return session;
    std::printf("cannot open %s on %s\n", database.c_str(), server.c_str());
    return std::nullopt;
}

} // namespace bench
