// Resource ids both main dialogs share: their icons and the controls both carry. Each
// tool's <Tool>Res.h adds its own. Included by the resource scripts as well.
#pragma once

#define IDI_TOOL 128    // the program
#define IDI_RUNNING 129 // a running cabinet (image 1 of the cabinet list)
#define IDI_STOPPED 131 // a stopped cabinet (image 0)

#define IDC_CABINET_LIST 1000
#define IDC_REPORT 1001
#define IDC_VERSION 1006

#ifndef RC_INVOKED
// Buttons 1 and 2 of both dialogs (IDOK and IDCANCEL of the Windows API).
constexpr int kButton1 = 1;
constexpr int kButton2 = 2;
constexpr int kImageStopped = 0;
constexpr int kImageRunning = 1;
#endif
