// Scrutel /check: the start-up of the dialog without its windows or question (scheduling
// the task is the administrator's consent), the check run over the named cabinets (all when
// none is named) with the same log, the report and the run's record written to the files
// the command line names, and the service given back on every path.
#pragma once

#include "Application.h"
#include "ToolServices.h"

#include <string>
#include <vector>

// The whole run; returns its exit code (CheckExitCode). shell is the system's start-up
// side (mutex, texts); its message boxes and main dialog are not used.
int RunUnattendedCheck(const std::vector<std::string>& arguments, IApplicationShell& shell,
                       const ToolServices& services);
