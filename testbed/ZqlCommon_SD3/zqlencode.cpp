// zqlencode PLAINTEXT: prints the stored form of a UTF-8 plaintext, as the catalogue keeps
// logins and passwords. Used by the demo installation builder.
#include "ZqlEncode.h"

#include <cstdio>
#include <string>

namespace {

// Strict UTF-8 -> UTF-16; false on any malformed or overlong sequence.
bool utf8ToUtf16(const std::string& in, std::basic_string<ZqlWideChar>& out) {
    std::size_t i = 0;
    while (i < in.size()) {
        const auto lead = static_cast<unsigned char>(in[i]);
        int extra;
        char32_t cp;
        if (lead < 0x80) {
            extra = 0;
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            cp = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            cp = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            cp = lead & 0x07;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= in.size())
            return false; // truncated sequence
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(in[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            cp = cp << 6 | (c & 0x3F);
        }
        static const char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<ZqlWideChar>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<ZqlWideChar>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<ZqlWideChar>(cp));
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zqlencode PLAINTEXT (UTF-8)\n");
        return 2;
    }
    std::basic_string<ZqlWideChar> plain;
    if (!utf8ToUtf16(argv[1], plain)) {
        std::fprintf(stderr, "zqlencode: argument is not valid UTF-8\n");
        return 1;
    }
    ZqlWideChar* encoded = nullptr;
    const ZqlStatus status = ZqlEncrypt2(plain.c_str(), &encoded, nullptr);
    if (status != ZQL_OK) {
        std::fprintf(stderr, "zqlencode: encoding failed with status %d\n", status);
        return 1;
    }
    std::string ascii; // the stored form is plain ASCII
    for (const ZqlWideChar* p = encoded; *p != 0; ++p)
        ascii.push_back(static_cast<char>(*p));
    ZqlFreeMemory(encoded, nullptr);
    std::printf("%s\n", ascii.c_str());
    return 0;
}
