#include "CheckCommand.h"

#include "CommandLine.h"
#include "Text.h"

#include <cstdio>

namespace {

bool CabinetCompleted(const CabinetRun& cabinet, std::size_t checksPerCabinet) {
    if (cabinet.checks.size() != checksPerCabinet)
        return false;
    for (const CheckResult& check : cabinet.checks)
        if (!check.completed)
            return false;
    return true;
}

void AppendFindings(std::string& out, const std::vector<CheckFinding>& findings,
                    const char* indent) {
    out += "[";
    for (std::size_t i = 0; i < findings.size(); ++i) {
        out += i == 0 ? "\n" : ",\n";
        out += std::string(indent) + "  {\"status\": " + JsonString(findings[i].status) +
               ", \"texts\": [";
        for (int t = 0; t < 4; ++t)
            out += (t > 0 ? ", " : "") + JsonString(Utf8FromAnsi(findings[i].texts[t]));
        out += "]}";
    }
    out += findings.empty() ? "]" : "\n" + std::string(indent) + "]";
}

std::string Bool(bool value) {
    return value ? "true" : "false";
}

} // namespace

bool IsCheckCommand(const std::vector<std::string>& arguments) {
    return HasOption(arguments, "check");
}

bool ParseCheckCommand(const std::vector<std::string>& arguments, CheckCommand& command,
                       std::string& error) {
    command = CheckCommand();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string option = OptionName(arguments[i]);
        if (option == "check")
            continue;
        if (option != "cabinet" && option != "report" && option != "json") {
            error = "unknown argument: " + arguments[i];
            return false;
        }
        if (i + 1 == arguments.size() || arguments[i + 1].empty()) {
            error = arguments[i] + " needs a value";
            return false;
        }
        const std::string& value = arguments[++i];
        if (option == "cabinet") {
            command.cabinets.push_back(value);
            continue;
        }
        std::string& file = option == "report" ? command.reportFile : command.jsonFile;
        if (!file.empty()) {
            error = arguments[i - 1] + " given twice";
            return false;
        }
        file = value;
    }
    if (!command.reportFile.empty() &&
        AsciiLower(command.reportFile) == AsciiLower(command.jsonFile)) {
        error = "/report and /json name the same file";
        return false;
    }
    return true;
}

int CompletedRunExitCode(const CheckRun& run, std::size_t checksPerCabinet) {
    bool found = run.documentTypes.count != 0;
    for (const CabinetRun& cabinet : run.cabinets) {
        if (!CabinetCompleted(cabinet, checksPerCabinet))
            return kCheckFailed;
        for (const CheckResult& check : cabinet.checks)
            found = found || check.count != 0;
    }
    if (!run.documentTypesRan || !run.documentTypes.completed)
        return kCheckFailed;
    return found ? kCheckFindings : kCheckClean;
}

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string CheckRunJson(const CheckRun& run, std::size_t checksPerCabinet) {
    std::string out = "{\n";
    out += "  \"tool\": \"Scrutel\",\n";
    out += "  \"version\": " + JsonString(run.version) + ",\n";
    out += "  \"started\": " + JsonString(run.started) + ",\n";
    out += "  \"ended\": " + JsonString(run.ended) + ",\n";
    out += "  \"exitCode\": " + std::to_string(run.exitCode) + ",\n";
    out += "  \"errors\": [";
    for (std::size_t i = 0; i < run.errors.size(); ++i)
        out += (i > 0 ? ", " : "") + JsonString(Utf8FromAnsi(run.errors[i]));
    out += "],\n  \"cabinets\": [";
    for (std::size_t c = 0; c < run.cabinets.size(); ++c) {
        const CabinetRun& cabinet = run.cabinets[c];
        out += c == 0 ? "\n" : ",\n";
        out += "    {\n      \"name\": " + JsonString(Utf8FromAnsi(cabinet.name)) + ",\n";
        out += "      \"completed\": " + Bool(CabinetCompleted(cabinet, checksPerCabinet)) + ",\n";
        out += "      \"error\": " +
               (cabinet.error.empty() ? "null" : JsonString(Utf8FromAnsi(cabinet.error))) +
               ",\n      \"checks\": {";
        for (std::size_t i = 0; i < cabinet.checks.size(); ++i) {
            const CheckResult& check = cabinet.checks[i];
            out += (i > 0 ? ",\n" : "\n") + std::string("        ") + JsonString(check.name) +
                   ": {\"completed\": " + Bool(check.completed) +
                   ", \"count\": " + std::to_string(check.count) + "}";
        }
        out += cabinet.checks.empty() ? "},\n" : "\n      },\n";
        out += "      \"findings\": ";
        AppendFindings(out, cabinet.findings, "      ");
        out += "\n    }";
    }
    out += run.cabinets.empty() ? "],\n" : "\n  ],\n";
    out += "  \"documentTypes\": {\"completed\": " +
           Bool(run.documentTypesRan && run.documentTypes.completed) +
           ", \"count\": " + std::to_string(run.documentTypes.count) + ", \"findings\": ";
    AppendFindings(out, run.documentTypeFindings, "  ");
    out += "}\n}\n";
    return out;
}

ToolEvent CheckRunEvent(const CheckRun& run) {
    if (run.exitCode == kCheckRefused || run.exitCode == kCheckBadCommand) {
        std::string why;
        for (const std::string& error : run.errors)
            why += (why.empty() ? "" : "\r\n") + error;
        return RunRefusedEvent(why);
    }
    std::vector<std::string> cabinets;
    long findings = run.documentTypes.count;
    for (const CabinetRun& cabinet : run.cabinets) {
        cabinets.push_back(cabinet.name);
        for (const CheckResult& check : cabinet.checks)
            findings += check.count;
    }
    return UnattendedCheckEndedEvent(cabinets, findings, run.exitCode);
}
