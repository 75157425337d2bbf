// Resource ids of Mendora.
#pragma once

#define IDD_MENDORA_DIALOG 102
#define IDD_PROGRESS 133
