// Scrutel /check: the start-up of the dialog without its windows or question (scheduling
// the task is the administrator's consent), the checks of the named cabinets (all when none
// is named) as the dialog runs them, the same log, the report and the run's record written
// to the files the command line names, and the service given back on every path.
#pragma once

#include "Application.h"
#include "MainDialog.h"

#include <string>
#include <vector>

// The whole run; returns its exit code (CheckExitCode).
int RunUnattendedCheck(const std::vector<std::string>& arguments, IApplicationShell& shell,
                       CServiceHandOver& handOver, DialogServices dialogServices);
