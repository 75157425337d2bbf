// Resource ids of Mendora (the shared ones: dialog/MainDialogIds.h).
#pragma once

#include "MainDialogIds.h"

#define IDD_MENDORA_DIALOG 102
#define IDD_PROGRESS 133

#define IDC_ACCOUNT_LIST 1005
#define IDC_BACK_TO_LIST 3 // "キャビネット一覧へ戻る"
