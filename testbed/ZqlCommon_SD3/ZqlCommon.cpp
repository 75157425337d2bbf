// Stand-in for the server's helper library: character set conversion between the ANSI code
// page and UTF-16, and the reversible encoding of catalogue credentials (see README.md).
#include "ZqlEncode.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace {

using WideString = std::basic_string<ZqlWideChar>;

// The fixed key every installation shares. Its FNV-1a hash seeds the keystream.
constexpr char kKey[] = "Brannock/Pellacore Zeph credential key";
constexpr char kPrefix[] = "ZQ2:";
constexpr std::size_t kPrefixLength = sizeof(kPrefix) - 1;
constexpr std::size_t kChecksumDigits = 8;
constexpr std::uint32_t kChecksumSalt = 0x5A514C32u; // "ZQL2"

std::uint32_t fnv1a(const unsigned char* data, std::size_t size, std::uint32_t hash = 2166136261u) {
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= 16777619u;
    }
    return hash;
}

// xorshift32 seeded from the key; one byte of keystream per step.
class Keystream {
public:
    Keystream() : state_(fnv1a(reinterpret_cast<const unsigned char*>(kKey), sizeof(kKey) - 1)) {
        if (state_ == 0)
            state_ = 1;
    }
    unsigned char next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<unsigned char>(state_ >> 24);
    }

private:
    std::uint32_t state_;
};

std::uint32_t checksum(const std::vector<unsigned char>& plainBytes) {
    return fnv1a(plainBytes.data(), plainBytes.size()) ^ kChecksumSalt;
}

std::size_t wideLength(const ZqlWideChar* text) {
    std::size_t n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

// Copies `count` elements plus a terminating zero into a block from `alloc` (or malloc).
template <typename Char>
ZqlStatus allocateCopy(const Char* data, std::size_t count, Char** out, ZqlAllocFn alloc) {
    const std::size_t bytes = (count + 1) * sizeof(Char);
    void* block = alloc ? alloc(bytes) : std::malloc(bytes);
    if (block == nullptr)
        return ZQL_E_NOMEMORY;
    Char* text = static_cast<Char*>(block);
    if (count != 0)
        std::memcpy(text, data, count * sizeof(Char));
    text[count] = 0;
    *out = text;
    return ZQL_OK;
}

int hexValue(ZqlWideChar c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1; // lowercase is not produced by the encoder and not accepted
}

void appendHex(WideString& out, std::uint32_t value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out.push_back(static_cast<ZqlWideChar>(kDigits[(value >> shift) & 0xF]));
}

#if !defined(_WIN32)
// The ANSI code page the Windows programs see under a Japanese locale.
constexpr char kAnsiCharset[] = "CP932";

// Converts a whole buffer with iconv; false if any input cannot be converted.
bool iconvAll(const char* to, const char* from, const char* in, std::size_t inBytes,
              std::string& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out.assign(inBytes * 4 + 16, '\0');
    char* src = const_cast<char*>(in);
    char* dst = &out[0];
    std::size_t dstLeft = out.size();
    bool ok = iconv(cd, &src, &inBytes, &dst, &dstLeft) != static_cast<std::size_t>(-1) &&
              iconv(cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (ok)
        out.resize(out.size() - dstLeft);
    return ok;
}
#endif

} // namespace

ZqlStatus ZqlAsciiToString(const char* text, ZqlWideChar** out, ZqlAllocFn alloc) {
    if (text == nullptr || out == nullptr)
        return ZQL_E_ARGUMENT;
    *out = nullptr;
    const std::size_t length = std::strlen(text);
    WideString wide;
    if (length != 0) {
#if defined(_WIN32)
        const int inLength = static_cast<int>(length);
        int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, inLength, nullptr, 0);
        if (n <= 0)
            return ZQL_E_CONVERSION;
        wide.resize(static_cast<std::size_t>(n));
        if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, inLength, &wide[0], n) != n)
            return ZQL_E_CONVERSION;
#else
        std::string bytes;
        if (!iconvAll("UTF-16LE", kAnsiCharset, text, length, bytes))
            return ZQL_E_CONVERSION;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            wide.push_back(static_cast<ZqlWideChar>(static_cast<unsigned char>(bytes[i]) |
                                                    static_cast<unsigned char>(bytes[i + 1]) << 8));
#endif
    }
    return allocateCopy(wide.data(), wide.size(), out, alloc);
}

ZqlStatus ZqlStringToAscii(const ZqlWideChar* text, char** out, ZqlAllocFn alloc) {
    if (text == nullptr || out == nullptr)
        return ZQL_E_ARGUMENT;
    *out = nullptr;
    const std::size_t length = wideLength(text);
    std::string narrow;
    if (length != 0) {
#if defined(_WIN32)
        const int inLength = static_cast<int>(length);
        // A character the code page lacks would silently become '?': report it instead.
        // (The UTF-8 code page refuses the lpUsedDefaultChar argument.)
        const UINT acp = GetACP();
        const DWORD flags = acp == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
        BOOL usedDefault = FALSE;
        BOOL* usedDefaultArg = acp == CP_UTF8 ? nullptr : &usedDefault;
        int n =
            WideCharToMultiByte(CP_ACP, flags, text, inLength, nullptr, 0, nullptr, usedDefaultArg);
        if (n <= 0 || usedDefault)
            return ZQL_E_CONVERSION;
        narrow.resize(static_cast<std::size_t>(n));
        if (WideCharToMultiByte(CP_ACP, flags, text, inLength, &narrow[0], n, nullptr,
                                usedDefaultArg) != n)
            return ZQL_E_CONVERSION;
#else
        std::string bytes;
        bytes.reserve(length * 2);
        for (std::size_t i = 0; i < length; ++i) {
            bytes.push_back(static_cast<char>(text[i] & 0xFF));
            bytes.push_back(static_cast<char>(text[i] >> 8));
        }
        if (!iconvAll(kAnsiCharset, "UTF-16LE", bytes.data(), bytes.size(), narrow))
            return ZQL_E_CONVERSION;
#endif
    }
    return allocateCopy(narrow.data(), narrow.size(), out, alloc);
}

ZqlStatus ZqlEncrypt2(const ZqlWideChar* plain, ZqlWideChar** out, ZqlAllocFn alloc) {
    if (plain == nullptr || out == nullptr)
        return ZQL_E_ARGUMENT;
    *out = nullptr;
    const std::size_t length = wideLength(plain);
    std::vector<unsigned char> plainBytes;
    plainBytes.reserve(length * 2);
    for (std::size_t i = 0; i < length; ++i) {
        plainBytes.push_back(static_cast<unsigned char>(plain[i] & 0xFF));
        plainBytes.push_back(static_cast<unsigned char>(plain[i] >> 8));
    }
    WideString encoded(kPrefix, kPrefix + kPrefixLength);
    Keystream keystream;
    for (unsigned char b : plainBytes)
        appendHex(encoded, static_cast<unsigned char>(b ^ keystream.next()), 2);
    appendHex(encoded, checksum(plainBytes), static_cast<int>(kChecksumDigits));
    return allocateCopy(encoded.data(), encoded.size(), out, alloc);
}

ZqlStatus ZqlDecrypt2(const ZqlWideChar* encoded, ZqlWideChar** out, ZqlAllocFn alloc) {
    if (encoded == nullptr || out == nullptr)
        return ZQL_E_ARGUMENT;
    *out = nullptr;
    const std::size_t length = wideLength(encoded);
    if (length < kPrefixLength + kChecksumDigits)
        return ZQL_E_MALFORMED;
    for (std::size_t i = 0; i < kPrefixLength; ++i) {
        if (encoded[i] != static_cast<ZqlWideChar>(kPrefix[i]))
            return ZQL_E_MALFORMED;
    }
    const ZqlWideChar* digits = encoded + kPrefixLength;
    const std::size_t cipherDigits = length - kPrefixLength - kChecksumDigits;
    if (cipherDigits % 4 != 0) // two hex digits a byte, two bytes a UTF-16 unit
        return ZQL_E_MALFORMED;
    for (std::size_t i = 0; i < cipherDigits + kChecksumDigits; ++i) {
        if (hexValue(digits[i]) < 0)
            return ZQL_E_MALFORMED;
    }

    std::vector<unsigned char> plainBytes;
    plainBytes.reserve(cipherDigits / 2);
    Keystream keystream;
    for (std::size_t i = 0; i < cipherDigits; i += 2) {
        const int cipher = hexValue(digits[i]) << 4 | hexValue(digits[i + 1]);
        plainBytes.push_back(static_cast<unsigned char>(cipher ^ keystream.next()));
    }
    std::uint32_t stored = 0;
    for (std::size_t i = 0; i < kChecksumDigits; ++i)
        stored = stored << 4 | static_cast<std::uint32_t>(hexValue(digits[cipherDigits + i]));
    if (stored != checksum(plainBytes))
        return ZQL_E_CHECKSUM;

    WideString plain;
    plain.reserve(plainBytes.size() / 2);
    for (std::size_t i = 0; i < plainBytes.size(); i += 2) {
        const auto unit = static_cast<ZqlWideChar>(plainBytes[i] | plainBytes[i + 1] << 8);
        if (unit == 0)
            return ZQL_E_MALFORMED;
        plain.push_back(unit);
    }
    return allocateCopy(plain.data(), plain.size(), out, alloc);
}

void ZqlFreeMemory(char* text, ZqlReleaseFn release) {
    if (text == nullptr)
        return;
    if (release)
        release(text);
    else
        std::free(text);
}

void ZqlFreeMemory(ZqlWideChar* text, ZqlReleaseFn release) {
    if (text == nullptr)
        return;
    if (release)
        release(text);
    else
        std::free(text);
}
