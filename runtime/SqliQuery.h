// The way to the server's own databases: one statement per run of the embedded engine's
// interpreter sqli.exe, started hidden from the installation folder, and the grammar of
// what it prints.
//
// Grammar: lines are split on "\n\r" and empty lines vanish; no line means no result; a
// first line beginning "[ERROR]" is an interpreter error and nothing is data; on
// generation-5 installations the first line is a column header; values of a data line are
// split on ",{}", so "{}" (an empty or NULL value) yields no value at all.
#pragma once

#include "LogFile.h"
#include "Registry.h"
#include "TokenList.h"

#include <cstdint>
#include <optional>
#include <string>

// Status codes of the interpreter layer.
constexpr std::uint32_t kSqliOk = 0;
constexpr std::uint32_t kSqliReadFailed = 1;
constexpr std::uint32_t kSqliNoEdition = 0x8004021A;
constexpr std::uint32_t kSqliInvalidArg = 0x80070057;      // E_INVALIDARG
constexpr std::uint32_t kSqliNoInstallFolder = 0x80070003; // the HRESULT of ERROR_PATH_NOT_FOUND

// Every interpreter run captures at most this many bytes (less one for the terminator).
constexpr std::size_t kSqliOutputBufferBytes = 5000000;

// "<folder>\sqli.exe" /inprocess <registry argument> /database <database> /sql "<statement>",
// built at the length it needs.
std::string BuildSqliCommandLine(const std::string& folder, const std::string& registryArgument,
                                 const std::string& database, const std::string& statement);

// Where the interpreter of a server-type code is and how it is pointed at the edition's
// configuration: the code's edition row (generation 5 prints a header line first) and the
// installation folder of that row.
struct SqliAddress {
    int row;
    std::string folder;

    bool Generation5() const;
    std::string CommandLine(const std::string& database, const std::string& statement) const;
};

// Nothing for a code without an edition row.
std::optional<SqliAddress> ResolveSqli(std::uint32_t serverType, const IRegistry& registry);

// kSqliOk when the interpreter may be started from the folder; kSqliNoInstallFolder, with a
// log line that says why, when the folder is empty or not a full path: the command line
// would start "\sqli.exe" at the root of the current drive, or one in the current folder.
std::uint32_t CheckInstallFolder(const std::string& folder, ILog& log);

// Runs the command line and returns the interpreter's text: kSqliOk with the text (empty
// when the interpreter could not be started), or kSqliReadFailed.
std::uint32_t CaptureSqliOutput(const std::string& commandLine, std::string& output);

// Runs one statement on the document-type database ZqlDocType. Status 0 when the output
// was read (an interpreter error comes back as status 0 and an "[ERROR]" text), 1 when it
// could not be read, 0x8004021A for a code without an edition row, kSqliNoInstallFolder.
std::uint32_t RunSqliQuery(std::uint32_t serverType, const std::string& statement,
                           std::string& output, const IRegistry& registry, ILog& log);

// Grammar helpers.
CTokenList SplitLines(std::string_view output);
CTokenList SplitValues(std::string_view line);
bool IsInterpreterError(const char* firstLine);
