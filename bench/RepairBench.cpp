// The user repair of one cabinet (the large generated one), against a bare ODBC loop over
// the same statements in the same run; and the repair's log lines a second. Both run in a
// transaction that is rolled back, so the cabinet stays as it was for the next run.
//   repair_bench HOST,PORT DATABASE
// Logs in as sa; the first valid account inherits the records.
#include "CheckBenchSupport.h"
#include "MendoraProfile.h"
#include "RepairRun.h"
#include "TestHost.h"
#include "UserRepair.h"

#include "LogFile.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace bench;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::printf("usage: repair_bench HOST,PORT DATABASE\n");
        return 2;
    }
    const std::string server = argv[1], database = argv[2];
    const char* log = "RepairBench.log";
    Recorded sent;
    std::optional<CSqlServerSession> opened = OpenRecordingSession(server, database, sent, log);
    if (!opened)
        return 1;
    CSqlServerSession& session = *opened;
    std::string text;
    long count = 0;
    std::vector<std::string> users;
    if (session.ExecuteQuery(kSuspectUserQuery, text, count) == Outcome::Done)
        for (const Row& row : ReadRows(text))
            users.push_back(Column(row, 0));
    Account replacement;
    if (session.ExecuteQuery(kValidAccountQuery, text, count) != Outcome::Done || count == 0) {
        std::printf("%s has no valid account\n", database.c_str());
        return 1;
    }
    const Row first = ReadRows(text).front();
    replacement = {Column(first, 0), Column(first, 1), Column(first, 2)};
    sent = Recorded();

    TestHost host(Tool::Mendora, kMendoraChecks, &FileLog());
    // The statements alone: what the undo journal reads and writes is not measured here.
    struct : IRepairRecord {
        Outcome BeforeDelete(const std::string&, const std::string&) override {
            return Outcome::Done;
        }
        Outcome BeforeChange(const std::string&, const std::string&, const std::string&,
                             const std::string&, const std::string&) override {
            return Outcome::Done;
        }
    } unrecorded;
    RepairCounters counters;
    const Clock::time_point start = Clock::now();
    bool failed = session.ExecuteStatement("BEGIN TRANSACTION") != Outcome::Done ||
                  CheckHeir(host, session, replacement) != Outcome::Done ||
                  DeleteInvalidUsers(host, database, session, users, unrecorded) != Outcome::Done;
    for (const std::string& user : users)
        for (const RelatedRecordRepair& repair : RelatedRecordRepairs())
            failed |= RunRelatedRecordRepair(host, repair, database, session, user, replacement,
                                             counters, unrecorded) != Outcome::Done;
    failed |= session.ExecuteStatement("ROLLBACK") != Outcome::Done;
    const double repair = Seconds(Clock::now() - start);
    session.ReleaseDatabase();
    session.Disconnect();
    if (failed) {
        std::printf("the repair failed: %s\n",
                    Utf8FromAnsi(host.errors.empty() ? "" : host.errors.back()).c_str());
        return 1;
    }
    const std::size_t lines = CountLines(log);
    const double bare = BareLoop(server, database, sent.statements).seconds;
    CloseLogFile();
    std::remove(log);

    std::printf("the user repair of %s: %zu suspect users, %d rows handed over, %d deleted, "
                "%zu statements, %zu log lines\n",
                database.c_str(), users.size(), counters.CorrectedRowCount,
                counters.DeletedRowCount, sent.statements.size(), lines);
    std::printf("repair %.3f s, bare ODBC loop over the same statements %.3f s, ratio %.2f "
                "(goal <= 1.3); %.0f log lines/s\n",
                repair, bare, repair / bare, static_cast<double>(lines) / repair);
    Figure("repair_seconds", repair, "s");
    Figure("repair_bare_odbc_seconds", bare, "s");
    Figure("repair_ratio", repair / bare, "ratio");
    Figure("repair_log_lines_per_second", static_cast<double>(lines) / repair, "lines/s");
    return 0;
}
