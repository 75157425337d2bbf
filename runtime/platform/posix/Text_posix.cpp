#include "Text.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace {

// Invalid input is copied byte for byte, so a conversion never loses text silently.
std::string Convert(const std::string& text, const char* from, const char* to) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return text;
    std::string out;
    std::string in = text;
    char* src = in.data();
    size_t srcLeft = in.size();
    char chunk[4096];
    while (srcLeft > 0) {
        char* dst = chunk;
        size_t dstLeft = sizeof chunk;
        const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(chunk, sizeof chunk - dstLeft);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            out.push_back(*src++);
            --srcLeft;
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace

std::string Ansi(const char* utf8) {
    return Convert(utf8, "UTF-8", "CP932");
}

std::string Utf8FromAnsi(const std::string& ansi) {
    return Convert(ansi, "CP932", "UTF-8");
}
