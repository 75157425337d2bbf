// Mendora run without a window to undo a repair:
//   Mendora.exe /undo FILE [/report FILE]
// The journal is read and trusted (its SHA-256 the one recorded under the tools' key, every
// record one the repair writes) before anything else is touched; then the start-up of the
// dialog without its windows or question, the cabinet the journal names put back
// (UndoRun.h), the outcome in the log and the report file, and the service given back on
// every path.
#pragma once

#include "Application.h"
#include "ToolServices.h"

#include <string>
#include <vector>

struct UndoCommand {
    std::string journalFile;
    std::string reportFile; // what was done or why not (ANSI, CR LF)
};

// Whether the command line asks for an undo: one of its arguments is /undo.
bool IsUndoCommand(const std::vector<std::string>& arguments);

// Reads the arguments (options start with / or -, in any case); false with why for a bad
// command line.
bool ParseUndoCommand(const std::vector<std::string>& arguments, UndoCommand& command,
                      std::string& error);

enum UndoExitCode : int {
    kUndoDone = 0,     // the cabinet and the document types are as before the repair
    kUndoDiffers = 1,  // something changed since the repair: listed, not put back
    kUndoFailed = 2,   // a statement or the login failed, the cabinet is not in the catalogue
    kUndoRefused = 3,  // another tool runs, the product or library is missing, no stop
    kUndoBadInput = 4, // bad command line, or a journal that is refused
};

// Journals above this size are refused unread.
constexpr unsigned long long kMaxUndoJournalBytes = 256ull * 1024 * 1024;

// The whole run; returns its exit code. shell is the system's start-up side (mutex, texts);
// its message boxes and main dialog are not used.
int RunUndo(const std::vector<std::string>& arguments, IApplicationShell& shell,
            const ToolServices& services);
