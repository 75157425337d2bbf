// Resource ids of Scrutel (the shared ones: dialog/MainDialogIds.h).
#pragma once

#include "MainDialogIds.h"

#define IDD_SCRUTEL_DIALOG 101
#define IDD_PROGRESS 135
