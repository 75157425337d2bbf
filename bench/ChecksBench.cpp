// All of Scrutel's checks on one cabinet (the large generated one), against a bare ODBC
// loop that fetches the same statements' results in the same run; and the log's speed.
//   checks_bench HOST,PORT DATABASE
// Logs in as sa. Prints the wall times, their ratio (goal <= 1.3), the allocations a result
// row costs the checks and log lines a second.
#include "AllocationCounter.h"
#include "CheckBenchSupport.h"
#include "DocumentContentCheck.h"
#include "ScrutelProfile.h"
#include "TestHost.h"
#include "UserRecordCheck.h"

#include "LogFile.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace bench;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::printf("usage: checks_bench HOST,PORT DATABASE\n");
        return 2;
    }
    const std::string host = argv[1], database = argv[2];
    const char* log = "ChecksBench.log";
    Recorded sent;
    std::optional<CSqlServerSession> opened = OpenRecordingSession(host, database, sent, log);
    if (!opened)
        return 1;
    CSqlServerSession& session = *opened;
    CabinetRecord record{};
    std::snprintf(record.shortName, sizeof record.shortName, "%s", database.c_str());
    TestHost checkHost(Tool::Scrutel, kScrutelChecks, &FileLog());
    const long long allocationsBefore = g_allocated.allocations.load();
    const Clock::time_point start = Clock::now();
    UserCheckResult users;
    bool failed = CheckUserRecords(checkHost, record, session, users) != Outcome::Done;
    for (const DocumentContentCheck& check : DocumentContentChecks())
        failed |= RunDocumentContentCheck(checkHost, check, record, session) != Outcome::Done;
    const double checks = Seconds(Clock::now() - start);
    const long long allocations = g_allocated.allocations.load() - allocationsBefore;
    session.ReleaseDatabase();
    session.Disconnect();
    if (failed) {
        std::printf("a check failed: %s\n",
                    Utf8FromAnsi(checkHost.errors.empty() ? "" : checkHost.errors.back()).c_str());
        return 1;
    }
    const std::size_t lines = CountLines(log);
    const double bare = BareLoop(host, database, sent.statements).seconds;

    // The log alone: the same number of lines, one write each.
    CloseLogFile();
    std::remove(log);
    const std::string line = Ansi("UserOrGroupのSN(123)に関連するContainer(SN=4567)");
    const Clock::time_point logStart = Clock::now();
    for (std::size_t i = 0; i < lines; ++i)
        FileLog().Result(LogStatus::Failure, database, line);
    const double logSeconds = Seconds(Clock::now() - logStart);
    CloseLogFile();
    std::remove(log);

    const double perRow = static_cast<double>(allocations) / static_cast<double>(sent.rows);
    std::printf("Scrutel's checks on %s: %zu statements, %ld result rows, %zu log lines\n",
                database.c_str(), sent.statements.size(), sent.rows, lines);
    std::printf("%lld allocations, %.2f a result row\n", allocations, perRow);
    std::printf("checks %.3f s, bare ODBC loop over the same statements %.3f s, ratio %.2f "
                "(goal <= 1.3)\n",
                checks, bare, checks / bare);
    std::printf("log alone: %zu lines in %.3f s, %.0f lines/s (%.0f%% of the checks' time)\n",
                lines, logSeconds, static_cast<double>(lines) / logSeconds,
                100.0 * logSeconds / checks);
    std::printf("checks less the log's time: ratio %.2f\n", (checks - logSeconds) / bare);
    Figure("checks_seconds", checks, "s");
    Figure("checks_bare_odbc_seconds", bare, "s");
    Figure("checks_ratio", checks / bare, "ratio");
    Figure("checks_allocations_per_row", perRow, "allocations");
    Figure("log_lines_per_second", static_cast<double>(lines) / logSeconds, "lines/s");
    return 0;
}
