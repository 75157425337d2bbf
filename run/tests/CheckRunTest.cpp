#include "CheckRun.h"

#include "RecordingLog.h"
#include "ScriptedServer.h"
#include "ScrutelProfile.h"
#include "StringTable.h"
#include "Text.h"
#include "UserRecordCheck.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Keeps the events a run tells, one short line each.
struct RecordingEvents : IRunEvents {
    std::vector<std::string> told;
    void RunBegun(int steps) override { told.push_back("run " + std::to_string(steps)); }
    void CabinetBegun(const CabinetRecord& cabinet) override {
        told.push_back("cabinet " + CabinetName(cabinet));
    }
    void CheckEnded(const char* check, Outcome outcome) override {
        told.push_back(std::string(check) + (outcome == Outcome::Done ? " done" : " failed"));
    }
    void Finding(const std::string& label, const std::string& message) override {
        told.push_back("finding " + Utf8FromAnsi(label) + (message.empty() ? " (empty)" : ""));
    }
    void Failed(const RunFailure& failure) override {
        told.push_back("failed " + Utf8FromAnsi(failure.shown));
    }
    void Ended(Outcome outcome) override {
        told.push_back(outcome == Outcome::Done ? "ended done" : "ended failed");
    }
};

CabinetRecord Cabinet(const char* name) {
    CabinetRecord record{};
    std::snprintf(record.displayName, sizeof record.displayName, "%s", name);
    std::snprintf(record.shortName, sizeof record.shortName, "%s", name);
    std::snprintf(record.databaseName, sizeof record.databaseName, "Cabinet");
    return record;
}

class CheckRunTest : public ::testing::Test {
protected:
    ScriptedServer server;
    RecordingLog log;
    std::string docTypes = "SN,DisplayName,DocNumberFormat\r\n";
    RecordingEvents events;

    CheckRunResult Run(const std::vector<CabinetRecord>& cabinets) {
        const RunServices services{[](int id) { return Ansi(FindString(Tool::Scrutel, id)); },
                                   [this](const CabinetRecord&) { return server.Unopened(log); },
                                   [this](const std::string&, std::string& output) {
                                       output = docTypes;
                                       return 0u;
                                   },
                                   [](int) {},
                                   [] {},
                                   nullptr,
                                   nullptr};
        return RunCheck(cabinets, services, kScrutelChecks, events);
    }
};

TEST_F(CheckRunTest, EachCabinetsChecksInOrderThenTheDocumentTypes) {
    server.Answer(kSuspectUserQuery, {"5\tacc\t1x\tD\tS"});
    docTypes += Ansi("7,見積書,NULL\r\n");
    const CheckRunResult result = Run({Cabinet("A"), Cabinet("B")});
    EXPECT_EQ(result.outcome, Outcome::Done);
    EXPECT_EQ(result.checked, (std::vector<std::string>{"A", "B"}));
    std::vector<std::string> expected = {"run 13"};
    for (const char* cabinet : {"A", "B"}) {
        expected.push_back(std::string("cabinet ") + cabinet);
        expected.push_back(std::string("finding ") + cabinet);
        for (const char* check :
             {"userRecords", "sectionCount", "zeroByteSections", "oversizedSections",
              "checkedOutDocuments", "unsupportedExtensions"})
            expected.push_back(std::string(check) + " done");
    }
    expected.push_back("finding 文書タイプ");
    expected.push_back("documentTypes done");
    expected.push_back("ended done");
    EXPECT_EQ(events.told, expected);
    EXPECT_EQ(server.connects, 2);
    EXPECT_EQ(server.disconnects, 2);
}

TEST_F(CheckRunTest, AFailureEndsTheRunWithItsReason) {
    server.acceptLogin = false;
    const CheckRunResult result = Run({Cabinet("A"), Cabinet("B")});
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.failedAt, "A");
    EXPECT_EQ(Utf8FromAnsi(result.reason), "SQLServerへの接続に失敗しました。");
    EXPECT_EQ(events.told, (std::vector<std::string>{"run 13", "cabinet A",
                                                     "failed SQLServerへの接続に失敗しました。",
                                                     "ended failed"}));
}

} // namespace
