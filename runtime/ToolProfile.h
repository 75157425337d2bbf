// What start-up and the windows need to know of the tool they run: names, the dialog and
// string ids of its start. Each tool defines its own (Scrutel/ScrutelProfile.cpp,
// Mendora/MendoraProfile.cpp) and passes it down; no shared code asks which tool it runs
// in.
#pragma once

enum class Tool { Scrutel, Mendora };

struct ToolProfile {
    Tool tool;
    const char* mutexName;   // "Global\\Scrutel.exe" / "Global\\Mendora.exe": one copy per machine
    const char* logFileName; // "Scrutel.log" / "Mendora.log"
    int mainDialogId;
    int progressDialogId;

    // String ids; the two string tables hold the same texts under partly different ids.
    int idsNotInstalled;
    int idsStopQuestion;
    int idsTitle; // the title of every message box of the tool

    const char* eventSource; // "Scrutel" / "Mendora": the tool's source in the Application log
};
