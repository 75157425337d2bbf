#include "CheckCommand.h"
#include "Text.h"

#include <gtest/gtest.h>

namespace {

using Arguments = std::vector<std::string>;

CheckResult Check(const char* name, long count) {
    return {name, true, count};
}

CabinetRun CompletedCabinet(const std::string& name, long userCount) {
    CabinetRun cabinet{name, {}, {}, {}};
    for (const char* check : {"userRecords", "sectionCount", "zeroByteSections",
                              "oversizedSections", "checkedOutDocuments", "unsupportedExtensions"})
        cabinet.checks.push_back(Check(check, cabinet.checks.empty() ? userCount : 0));
    return cabinet;
}

} // namespace

TEST(CheckCommandTest, ReadsTheOptionsInAnyCaseAndOrder) {
    EXPECT_FALSE(IsCheckCommand({}));
    EXPECT_FALSE(IsCheckCommand({"check"}));
    EXPECT_TRUE(IsCheckCommand({"/report", "r.txt", "-CHECK"}));

    CheckCommand command;
    std::string error;
    ASSERT_TRUE(ParseCheckCommand({"/Cabinet", Ansi("営業部"), "/check", "/JSON", "C:\\out\\r.json",
                                   "-cabinet", "B", "/report", "r.txt"},
                                  command, error))
        << error;
    EXPECT_EQ(command.cabinets, (Arguments{Ansi("営業部"), "B"}));
    EXPECT_EQ(command.jsonFile, "C:\\out\\r.json");
    EXPECT_EQ(command.reportFile, "r.txt");
}

TEST(CheckCommandTest, RefusesWhatItCannotRead) {
    for (const Arguments& bad :
         {Arguments{"/check", "/cabinets", "A"}, Arguments{"/check", "extra"},
          Arguments{"/check", "/cabinet"}, Arguments{"/check", "/report", ""},
          Arguments{"/check", "/json", "a", "/json", "b"},
          Arguments{"/check", "/report", "Same.txt", "/json", "same.TXT"}}) {
        CheckCommand command;
        std::string error;
        EXPECT_FALSE(ParseCheckCommand(bad, command, error)) << bad[1];
        EXPECT_FALSE(error.empty());
    }
}

TEST(CheckCommandTest, ExitCodeSaysCleanFindingsOrFailed) {
    CheckRun run;
    run.documentTypesRan = true;
    run.documentTypes = Check("documentTypes", 0);
    run.cabinets = {CompletedCabinet("A", 0), CompletedCabinet("B", 0)};
    EXPECT_EQ(CompletedRunExitCode(run, 6), kCheckClean);
    run.cabinets[1].checks[0].count = 2;
    EXPECT_EQ(CompletedRunExitCode(run, 6), kCheckFindings);
    run.cabinets[1].checks.pop_back(); // the last check never ended
    EXPECT_EQ(CompletedRunExitCode(run, 6), kCheckFailed);
}

TEST(CheckCommandTest, TheEventOfTheRunIsItsEndOrItsRefusal) {
    CheckRun run;
    run.documentTypes = Check("documentTypes", 3);
    run.cabinets = {CompletedCabinet("A", 0), CompletedCabinet("B", 2)};
    run.exitCode = kCheckFindings;
    ToolEvent event = CheckRunEvent(run);
    EXPECT_EQ(event.id, kEventUnattendedCheckEnded);
    EXPECT_EQ(event.level, EventLevel::Warning);
    EXPECT_EQ(event.inserts, (std::vector<std::string>{"A, B", "5", "1"}));

    for (const int refused : {kCheckRefused, kCheckBadCommand}) {
        run.exitCode = refused;
        run.errors = {"one", "two"};
        event = CheckRunEvent(run);
        EXPECT_EQ(event.id, kEventRunRefused);
        EXPECT_EQ(event.inserts, std::vector<std::string>{"one\r\ntwo"});
    }
}

TEST(CheckCommandTest, JsonEscapesWhatANameOrFindingMayHold) {
    EXPECT_EQ(JsonString("a\"b\\c\r\n\t\x01\x1f/é"), "\"a\\\"b\\\\c\\r\\n\\t\\u0001\\u001f/é\"");

    CheckRun run;
    run.version = "1.0.0.1";
    run.exitCode = kCheckFindings;
    run.documentTypesRan = true;
    run.documentTypes = Check("documentTypes", 1);
    run.documentTypeFindings = {{"Failure", {Ansi("文書タイプ"), "x\"y", "", ""}}};
    run.cabinets = {CompletedCabinet(Ansi("営業部\\\""), 1)};
    run.cabinets[0].findings = {{"Failure", {Ansi("営業部"), "SN(5)\tA", "", ""}}};
    const std::string json = CheckRunJson(run, 6);
    EXPECT_NE(json.find("\"name\": \"営業部\\\\\\\"\""), std::string::npos) << json;
    EXPECT_NE(json.find("{\"status\": \"Failure\", \"texts\": [\"営業部\", \"SN(5)\\tA\", \"\", "
                        "\"\"]}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"documentTypes\": {\"completed\": true, \"count\": 1"), std::string::npos)
        << json;
    EXPECT_NE(json.find("\"userRecords\": {\"completed\": true, \"count\": 1}"), std::string::npos);
    EXPECT_NE(json.find("\"exitCode\": 1"), std::string::npos);
}
