// Keeps a Wine prefix's session alive while a script runs several Windows programs in a
// row: without a running program the session ends a moment after the last one exits.
#include <windows.h>

int main() {
    Sleep(INFINITE);
    return 0;
}
