// What is Mendora's own in the shared start-up, dialog, checks and log.
#pragma once

#include "MainDialog.h"

extern const ToolProfile kMendoraProfile;
extern const CheckOptions kMendoraChecks;
extern const PhaseLogTexts kMendoraLogTexts;
