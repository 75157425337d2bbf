#include "Secret.h"

#include <windows.h>

void WipeMemory(void* data, std::size_t bytes) {
    SecureZeroMemory(data, bytes);
}
