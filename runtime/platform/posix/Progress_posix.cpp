#include "Progress.h"

// The native build has no window system: nothing is ever queued.
void PumpMessages() {}
