#include "SqliQuery.h"

#include "ChildProcessCapture.h"
#include "InstallSettings.h"
#include "Text.h"

#include <cstring>

std::string BuildSqliCommandLine(const std::string& folder, const std::string& registryArgument,
                                 const std::string& database, const std::string& statement) {
    return "\"" + folder + "\\sqli.exe\" /inprocess " + registryArgument + " /database " +
           database + " /sql \"" + statement + "\"";
}

bool SqliAddress::Generation5() const {
    return IsGeneration5Row(row);
}

std::string SqliAddress::CommandLine(const std::string& database,
                                     const std::string& statement) const {
    return BuildSqliCommandLine(folder, Edition(row).registryArgument, database, statement);
}

std::optional<SqliAddress> ResolveSqli(std::uint32_t serverType, const IRegistry& registry) {
    const int row = ResolveEdition(serverType, registry);
    if (row < 0)
        return std::nullopt;
    return SqliAddress{row, ReadInstallFolder(row, registry)};
}

std::uint32_t CheckInstallFolder(const std::string& folder, ILog& log) {
    if (IsFullFolderPath(folder))
        return kSqliOk;
    log.Result(LogStatus::Failure, "sqli.exe",
               Ansi("サーバーのインストールフォルダーが分からないため、起動しません。"
                    "InstallDir (HKEY_LOCAL_MACHINE\\SOFTWARE\\Brannock\\Pellacore) が空か、"
                    "フルパスではありません:"),
               folder);
    return kSqliNoInstallFolder;
}

std::uint32_t CaptureSqliOutput(const std::string& commandLine, std::string& output) {
    CChildProcessCapture capture;
    const char* text = capture.AllocateBuffer(kSqliOutputBufferBytes);
    capture.Start(commandLine, true); // a child that did not start reads as an empty text
    if (text == nullptr || !capture.ReadOutput(true))
        return kSqliReadFailed;
    output = capture.TakeText();
    return kSqliOk;
}

std::uint32_t RunSqliQuery(std::uint32_t serverType, const std::string& statement,
                           std::string& output, const IRegistry& registry, ILog& log) {
    const std::optional<SqliAddress> sqli = ResolveSqli(serverType, registry);
    if (!sqli)
        return kSqliNoEdition;
    if (const std::uint32_t status = CheckInstallFolder(sqli->folder, log); status != kSqliOk)
        return status;
    return CaptureSqliOutput(sqli->CommandLine("ZqlDocType", statement), output);
}

CTokenList SplitLines(std::string_view output) {
    return SplitBySet(output, "\n\r");
}

CTokenList SplitValues(std::string_view line) {
    return SplitBySet(line, ",{}");
}

bool IsInterpreterError(const char* firstLine) {
    return std::strncmp(firstLine, "[ERROR]", 7) == 0;
}
