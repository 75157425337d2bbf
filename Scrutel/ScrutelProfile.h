// What is Scrutel's own in the shared start-up, dialog, checks and log.
#pragma once

#include "MainDialog.h"

extern const ToolProfile kScrutelProfile;
extern const CheckOptions kScrutelChecks;
extern const PhaseLogTexts kScrutelLogTexts;
