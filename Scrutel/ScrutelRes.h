// Resource ids of Scrutel.
#pragma once

#define IDD_SCRUTEL_DIALOG 101
#define IDD_PROGRESS 135
