#include "Mbcs.h"

#include <cstring>

namespace mbcs {

const char* FindChar(const char* text, char c) {
    for (const char* p = text; *p != '\0'; p += CharLength(p)) {
        if (*p == c && CharLength(p) == 1)
            return p;
    }
    return nullptr;
}

const char* FindLastChar(const char* text, char c) {
    const char* last = nullptr;
    for (const char* p = text; *p != '\0'; p += CharLength(p)) {
        if (*p == c && CharLength(p) == 1)
            last = p;
    }
    return last;
}

const char* FindSubstring(const char* text, const char* needle) {
    const std::size_t n = std::strlen(needle);
    for (const char* p = text;; p += CharLength(p)) {
        if (std::strncmp(p, needle, n) == 0)
            return p;
        if (*p == '\0')
            return nullptr;
    }
}

std::size_t PrefixLength(const std::string& text, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t len = CharLength(text.c_str() + end);
        if (end + len > maxBytes)
            break;
        end += len;
    }
    return end;
}

void CopyToField(char* field, std::size_t fieldSize, const std::string& text) {
    std::memset(field, 0, fieldSize);
    if (fieldSize == 0)
        return;
    const std::size_t n = PrefixLength(text, fieldSize - 1);
    std::memcpy(field, text.data(), n);
}

} // namespace mbcs
