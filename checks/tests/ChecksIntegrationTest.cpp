// The checks on the seeded demo cabinets, served by the SQL Server stand-in through the
// real ODBC chain (natively unixODBC and FreeTDS, under Wine odbc32). What each tool must
// write is kept readable in expected/<tool>-<cabinet>.txt: the report, then the log lines
// without their timestamps. VT_WRITE_EXPECTED=1 writes what the checks produce there
// instead, for review.
#include "DocNumberFormatCheck.h"
#include "DocumentContentCheck.h"
#include "UserRecordCheck.h"

#include "FakeCredentialLibrary.h"
#include "LogFile.h"
#include "MendoraProfile.h"
#include "ScrutelProfile.h"
#include "SqliQuery.h"
#include "TestHost.h"

#include "SqlServerStandin.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

using standin::Host;
using standin::ReadFile;
using standin::Services;

std::string ExpectedFolder() {
    return VT_EXPECTED_DIR;
}

// The report and the log (without dates and times) as one UTF-8 text, lines ended by "\n".
std::string Produced(const TestHost& host) {
    std::string out = "== report\n";
    for (char c : Utf8FromAnsi(host.report))
        if (c != '\r')
            out += c;
    out += "== log\n" + host.log.Utf8Text();
    for (const std::string& error : host.errors)
        out += "== message box: " + Utf8FromAnsi(error) + "\n";
    return out;
}

void Compare(const TestHost& host, const std::string& name) {
    const std::string path = ExpectedFolder() + "/" + name + ".txt";
    const std::string actual = Produced(host);
    if (std::getenv("VT_WRITE_EXPECTED")) {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    EXPECT_EQ(actual, ReadFile(path)) << "see " << path;
}

struct Cabinet {
    const char* database;
    const char* name; // UTF-8
};
const Cabinet kCabinets[] = {{"Eigyo", "営業部"},
                             {"Keiri", "経理部"},
                             {"Gijutsu", "技術資料"},
                             {"Clean", "空のキャビネット"},
                             {"Broken", "暗号破損"}};

class ChecksOnCabinets : public ::testing::TestWithParam<Cabinet> {
protected:
    CSqlServerSession session{Host(),
                              "enc:sa",
                              "enc:Velmora-sa-1",
                              &kFakeCredentialLibrary,
                              Services(),
                              CreateOdbcConnection,
                              FileLog()};
    CabinetRecord record{};

    void SetUp() override {
        std::snprintf(record.shortName, sizeof record.shortName, "%s",
                      Ansi(GetParam().name).c_str());
        ASSERT_EQ(session.Connect(), Outcome::Done);
        ASSERT_EQ(session.SelectDatabase(GetParam().database), Outcome::Done);
    }
    void TearDown() override {
        session.ReleaseDatabase();
        session.Disconnect();
    }
};

TEST_P(ChecksOnCabinets, ScrutelFindsExactlyTheSeededRows) {
    TestHost host(Tool::Scrutel, kScrutelChecks);
    UserCheckResult found;
    ASSERT_EQ(CheckUserRecords(host, record, session, found), Outcome::Done);
    for (const DocumentContentCheck& check : DocumentContentChecks())
        ASSERT_EQ(RunDocumentContentCheck(host, check, record, session), Outcome::Done)
            << check.name;
    Compare(host, std::string("scrutel-") + GetParam().database);
}

TEST_P(ChecksOnCabinets, MendoraKeepsTheSuspectUsersForTheRepair) {
    TestHost host(Tool::Mendora, kMendoraChecks);
    UserCheckResult found;
    ASSERT_EQ(CheckUserRecords(host, record, session, found), Outcome::Done);
    Compare(host, std::string("mendora-") + GetParam().database);
    EXPECT_EQ(found.InvalidUserSNs.size(), static_cast<std::size_t>(found.InvalidUserCount));
}

INSTANTIATE_TEST_SUITE_P(Demo, ChecksOnCabinets, ::testing::ValuesIn(kCabinets),
                         [](const ::testing::TestParamInfo<Cabinet>& info) {
                             return std::string(info.param.database);
                         });

#if defined(_WIN32)
// The document types of the demo installation, through its real interpreter.
TEST(DocTypeOnDemo, BothToolsReportTheNullFormats) {
    for (const Tool tool : {Tool::Scrutel, Tool::Mendora}) {
        TestHost host(tool, tool == Tool::Scrutel ? kScrutelChecks : kMendoraChecks);
        host.interpreter = [](const std::string& statement, std::string& output) {
            return RunSqliQuery(512, statement, output, SystemRegistry(), FileLog());
        };
        int findings = 0;
        ASSERT_EQ(CheckDocNumberFormat(host, findings), Outcome::Done);
        Compare(host, tool == Tool::Scrutel ? "scrutel-doctypes" : "mendora-doctypes");
    }
}
#endif

} // namespace
