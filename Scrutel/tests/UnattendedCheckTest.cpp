// Scrutel /check natively from its command line to its exit code and files: the catalogue,
// the SQL Server and the interpreter are the test bed's, the storage service a fake
// machine's, and the report and record land in a temporary folder.
#include "UnattendedCheck.h"

#include "CheckCommand.h"
#include "DialogTestBed.h"
#include "FakeHandOver.h"
#include "FakeShell.h"
#include "ScrutelProfile.h"
#include "TempDirectory.h"
#include "UserRecordCheck.h"

namespace {

class UnattendedCheck : public DialogTestBed {
protected:
    TempDirectory folder;
    FakeShell shell;
    FakeMachine machine;
    std::unique_ptr<FakeMachine::Tool> tool = machine.Start(10);
    std::string missingLibrary;

    int Check(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "/check");
        for (const char* option : {"/report", "report.txt", "/json", "run.json"})
            arguments.push_back(option);
        return RunUnattendedCheck(arguments, shell,
                                  Windowless(Tool::Scrutel, missingLibrary, tool->handOver));
    }
    std::string Json() { return folder.Read("run.json"); }
};

TEST_F(UnattendedCheck, ChecksTheNamedCabinetsAndRecordsWhatItFound) {
    server.Answer(kSuspectUserQuery, {"5\tacc\t1x\tD\tS"});
    EXPECT_EQ(Check({"/cabinet", "B"}), kCheckFindings);

    const std::string json = Json();
    EXPECT_NE(json.find("\"exitCode\": 1,"), std::string::npos);
    EXPECT_NE(json.find("\"name\": \"B\""), std::string::npos);
    EXPECT_EQ(json.find("\"name\": \"A\""), std::string::npos);
    EXPECT_NE(json.find("\"userRecords\": {\"completed\": true, \"count\": 1}"), std::string::npos);
    EXPECT_NE(json.find("UserOrGroupのSN(5)で、UserIDの形式が正しくありません"), std::string::npos);
    const std::string report = Utf8FromAnsi(folder.Read("report.txt"));
    EXPECT_EQ(report.rfind("キャビネット:B\r\n\r\nエラーがあるユーザー情報\r\nユーザー情報数:1", 0),
              0u);
    const std::string lines = log.Utf8Text();
    EXPECT_NE(lines.find("【Failure】,B,UserOrGroupのSN(5)"), std::string::npos);
    EXPECT_NE(lines.find("【Success】,文書タイプのデータチェックを終了しました。"),
              std::string::npos);
    EXPECT_EQ(machine.Service(), "RUNNING AUTO");
}

// A failure that shows no message is what stopped the run, never a finding of it.
TEST_F(UnattendedCheck, AFailureIsAnErrorOfTheRunNotAFinding) {
    docTypeOutput = "";
    EXPECT_EQ(Check({"/cabinet", "A"}), kCheckFailed);
    const std::string json = Json();
    EXPECT_NE(json.find("\"errors\": [\"文書タイプが見つからなかった\"]"), std::string::npos);
    EXPECT_NE(json.find("\"documentTypes\": {\"completed\": false, \"count\": 0, \"findings\": []"),
              std::string::npos);
    EXPECT_EQ(machine.Service(), "RUNNING AUTO");
}

TEST_F(UnattendedCheck, RefusalsTouchNoCabinet) {
    EXPECT_EQ(Check({"/cabinet", "Z"}), kCheckBadCommand);
    EXPECT_NE(Json().find("キャビネットがありません: Z"), std::string::npos);
    EXPECT_TRUE(server.received.empty());
    EXPECT_EQ(machine.Service(), "RUNNING AUTO");

    missingLibrary = "no helper library";
    EXPECT_EQ(Check({}), kCheckRefused);
    EXPECT_NE(Json().find("\"errors\": [\"no helper library\"]"), std::string::npos);
    EXPECT_TRUE(server.received.empty());
}

} // namespace
