// Scrutel's main dialog window (resource 101). It only forwards events to CScrutelRun and
// shows what it is told; the flow lives in ScrutelRun.
#pragma once

#include "CabinetCatalogue.h"

// Runs the dialog modally over the inventory; returns when the dialog ends.
void RunScrutelDialog(CServerInventory& inventory);
