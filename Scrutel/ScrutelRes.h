// Resource ids of Scrutel.
#pragma once

#define IDD_SCRUTEL_DIALOG 101
#define IDD_PROGRESS 135

#define IDI_SCRUTEL 128
#define IDI_RUNNING 129
#define IDI_STOPPED 131

#define IDC_CABINET_LIST 1000
#define IDC_REPORT 1001
#define IDC_VERSION 1006
