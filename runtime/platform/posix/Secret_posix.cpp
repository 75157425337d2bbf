#include "Secret.h"

// Stores through a volatile pointer are observable behaviour: the compiler keeps them.
void WipeMemory(void* data, std::size_t bytes) {
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    while (bytes-- > 0)
        *p++ = 0;
}
