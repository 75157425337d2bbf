#include "Text.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <utility>

namespace {

// Invalid input is copied byte for byte, so a conversion never loses text silently.
// Opening a converter costs far more than a short conversion: keep one per direction.
struct Converters {
    std::map<std::pair<std::string, std::string>, iconv_t> open;
    ~Converters() {
        for (auto& entry : open)
            if (entry.second != reinterpret_cast<iconv_t>(-1))
                iconv_close(entry.second);
    }
};

iconv_t Converter(const char* from, const char* to) {
    thread_local Converters converters;
    auto [it, added] = converters.open.try_emplace({from, to}, reinterpret_cast<iconv_t>(-1));
    if (added)
        it->second = iconv_open(to, from);
    else
        iconv(it->second, nullptr, nullptr, nullptr, nullptr); // back to the initial state
    return it->second;
}

// Appends the conversion of text to out, through a chunk on the stack.
void ConvertAppend(std::string_view text, const char* from, const char* to, std::string& out) {
    iconv_t cd = Converter(from, to);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        out += text;
        return;
    }
    char* src = const_cast<char*>(text.data()); // iconv reads its input, never writes it
    size_t srcLeft = text.size();
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
}

std::string Convert(const std::string& text, const char* from, const char* to) {
    std::string out;
    ConvertAppend(text, from, to, out);
    return out;
}

// UTF-16 as it lies in memory.
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
const char kUtf16[] = "UTF-16BE";
#else
const char kUtf16[] = "UTF-16LE";
#endif

} // namespace

std::u16string Utf16FromAnsi(const std::string& ansi) {
    std::u16string wide;
    AppendUtf16FromAnsi(wide, ansi);
    return wide;
}

void AppendUtf16FromAnsi(std::u16string& out, std::string_view ansi) {
    std::string bytes;
    ConvertAppend(ansi, "CP932", "UTF-16LE", bytes);
    const std::size_t at = out.size();
    out.resize(at + bytes.size() / 2);
    for (std::size_t i = at; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * (i - at)]) |
                                       static_cast<unsigned char>(bytes[2 * (i - at) + 1]) << 8);
}

void AppendAnsiFromUtf16(std::string& out, const char16_t* text, std::size_t length) {
    // Most values are plain ASCII: those need no converter.
    std::size_t ascii = 0;
    while (ascii < length && text[ascii] < 0x80)
        ++ascii;
    const std::size_t at = out.size();
    out.resize(at + ascii);
    for (std::size_t i = 0; i < ascii; ++i)
        out[at + i] = static_cast<char>(text[i]);
    if (ascii == length)
        return;
    ConvertAppend(std::string_view(reinterpret_cast<const char*>(text + ascii),
                                   (length - ascii) * sizeof(char16_t)),
                  kUtf16, "CP932//TRANSLIT", out);
}

std::string Ansi(const char* utf8) {
    return Convert(utf8, "UTF-8", "CP932");
}

std::string Utf8FromAnsi(const std::string& ansi) {
    return Convert(ansi, "CP932", "UTF-8");
}

std::string AnsiFromUtf8(std::string_view utf8) {
    std::string out;
    ConvertAppend(utf8, "UTF-8", "CP932", out);
    return out;
}
