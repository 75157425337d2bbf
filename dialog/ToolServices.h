// Everything a tool reaches of the system, built once by the program at its start
// (win32/ToolMain.h) and passed down to start-up, the dialog and the runs; the tests build
// theirs from doubles.
#pragma once

#include "CabinetCatalogue.h"
#include "MainDialog.h"
#include "ServiceHandOver.h"

#include <string>

struct ToolServices {
    DialogServices dialog; // texts, sessions, interpreter, sleep, yield, log, event log
    CatalogueSources catalogue;
    // Why the server's helper library could not be loaded; empty when it was.
    std::string missingLibrary;
    CServiceHandOver& handOver;
};
