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

std::size_t FindSubstring(std::string_view text, std::string_view needle) {
    if (needle.empty())
        return 0;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    for (const char* p = begin; p < end && *p != '\0';) {
        if (*p == needle[0] && static_cast<std::size_t>(end - p) >= needle.size() &&
            std::memcmp(p, needle.data(), needle.size()) == 0)
            return static_cast<std::size_t>(p - begin);
        p += IsLeadByte(static_cast<unsigned char>(*p)) && p + 1 < end && p[1] != '\0' ? 2 : 1;
    }
    return std::string_view::npos;
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
