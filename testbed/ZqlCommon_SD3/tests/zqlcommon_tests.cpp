#include "ZqlEncode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

using WideString = std::basic_string<ZqlWideChar>;

// Counts the allocator's live blocks so that failures can be shown to leave none behind.
int g_liveBlocks = 0;
void* countingAlloc(std::size_t bytes) {
    ++g_liveBlocks;
    return std::malloc(bytes);
}
void countingRelease(void* block) {
    --g_liveBlocks;
    std::free(block);
}
void* failingAlloc(std::size_t) {
    return nullptr;
}

WideString toWide(const char16_t* text) {
    WideString out;
    for (; *text != 0; ++text)
        out.push_back(static_cast<ZqlWideChar>(*text));
    return out;
}

bool ansiIsCp932() {
#if defined(_WIN32)
    return GetACP() == 932;
#else
    return true; // the native build converts from CP932 itself
#endif
}

// The path the tools take: stored ANSI text -> wide -> decoded wide -> ANSI plaintext.
std::string decodeStored(const std::string& storedAnsi, ZqlStatus& status) {
    ZqlWideChar* wide = nullptr;
    status = ZqlAsciiToString(storedAnsi.c_str(), &wide, nullptr);
    if (status != ZQL_OK)
        return {};
    ZqlWideChar* plain = nullptr;
    status = ZqlDecrypt2(wide, &plain, nullptr);
    ZqlFreeMemory(wide, nullptr);
    if (status != ZQL_OK)
        return {};
    char* ansi = nullptr;
    status = ZqlStringToAscii(plain, &ansi, nullptr);
    ZqlFreeMemory(plain, nullptr);
    if (status != ZQL_OK)
        return {};
    std::string result(ansi);
    ZqlFreeMemory(ansi, nullptr);
    return result;
}

// Encodes an ANSI plaintext and returns the stored form as ANSI (it is pure ASCII).
std::string encodeAnsi(const std::string& plainAnsi) {
    ZqlWideChar* wide = nullptr;
    EXPECT_EQ(ZQL_OK, ZqlAsciiToString(plainAnsi.c_str(), &wide, nullptr));
    ZqlWideChar* encoded = nullptr;
    EXPECT_EQ(ZQL_OK, ZqlEncrypt2(wide, &encoded, nullptr));
    ZqlFreeMemory(wide, nullptr);
    std::string stored;
    for (const ZqlWideChar* p = encoded; p && *p; ++p)
        stored.push_back(static_cast<char>(*p));
    ZqlFreeMemory(encoded, nullptr);
    return stored;
}

TEST(ZqlRoundTrip, AsciiPlaintextsSurviveEncodeAndDecode) {
    for (const std::string plain : {"velmora_eigyo", "p;w=d}{x", "", "a", "with space\\back"}) {
        const std::string stored = encodeAnsi(plain);
        EXPECT_EQ(0u, stored.rfind("ZQ2:", 0)) << stored;
        if (!plain.empty()) {
            EXPECT_EQ(std::string::npos, stored.find(plain)) << stored;
        }
        ZqlStatus status = -1;
        EXPECT_EQ(plain, decodeStored(stored, status));
        EXPECT_EQ(ZQL_OK, status) << plain;
    }
}

TEST(ZqlRoundTrip, JapaneseCp932PlaintextsSurviveEncodeAndDecode) {
    if (!ansiIsCp932())
        GTEST_SKIP() << "ANSI code page is not 932";
    // 営業部 and 表ソ (trail byte 0x5C, the backslash) in CP932.
    const std::string plain = "\x89\x63\x8B\xC6\x95\x94_\x95\x5C\x83\x5C";
    ZqlWideChar* wide = nullptr;
    ASSERT_EQ(ZQL_OK, ZqlAsciiToString(plain.c_str(), &wide, nullptr));
    EXPECT_EQ(toWide(u"営業部_表ソ"), WideString(wide));
    ZqlFreeMemory(wide, nullptr);

    ZqlStatus status = -1;
    EXPECT_EQ(plain, decodeStored(encodeAnsi(plain), status));
    EXPECT_EQ(ZQL_OK, status);
}

TEST(ZqlRoundTrip, CallerAllocatorIsUsedForEveryResult) {
    g_liveBlocks = 0;
    const WideString plain = toWide(u"secret");
    ZqlWideChar* encoded = nullptr;
    ASSERT_EQ(ZQL_OK, ZqlEncrypt2(plain.c_str(), &encoded, countingAlloc));
    ZqlWideChar* decoded = nullptr;
    ASSERT_EQ(ZQL_OK, ZqlDecrypt2(encoded, &decoded, countingAlloc));
    char* ansi = nullptr;
    ASSERT_EQ(ZQL_OK, ZqlStringToAscii(decoded, &ansi, countingAlloc));
    EXPECT_EQ(3, g_liveBlocks);
    EXPECT_STREQ("secret", ansi);
    ZqlFreeMemory(encoded, countingRelease);
    ZqlFreeMemory(decoded, countingRelease);
    ZqlFreeMemory(ansi, countingRelease);
    EXPECT_EQ(0, g_liveBlocks);
}

// Every bad stored value fails with the right status, leaves *out null and allocates nothing.
TEST(ZqlDecryptFailures, BadValuesFailWithoutAllocating) {
    const std::string good = encodeAnsi("velmora_keiri");
    std::string flipped = good;
    flipped[6] = flipped[6] == 'A' ? 'B' : 'A'; // one cipher digit changed
    std::string badSum = good;
    badSum.back() = badSum.back() == '0' ? '1' : '0';
    std::string lower = good;
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);

    const struct {
        std::string stored;
        ZqlStatus expected;
    } cases[] = {
        {"", ZQL_E_MALFORMED},
        {"plain password", ZQL_E_MALFORMED},
        {"ZQ1:" + good.substr(4), ZQL_E_MALFORMED},
        {good.substr(0, good.size() - 1), ZQL_E_MALFORMED},
        {good.substr(0, good.size() - 2), ZQL_E_MALFORMED},
        {good + "00", ZQL_E_MALFORMED},
        {good.substr(0, 10) + "G" + good.substr(11), ZQL_E_MALFORMED},
        {lower, ZQL_E_MALFORMED},
        {flipped, ZQL_E_CHECKSUM},
        {badSum, ZQL_E_CHECKSUM},
        {good.substr(0, 4) + good.substr(8), ZQL_E_CHECKSUM}, // one plaintext unit dropped
    };
    for (const auto& c : cases) {
        ZqlWideChar* wide = nullptr;
        ASSERT_EQ(ZQL_OK, ZqlAsciiToString(c.stored.c_str(), &wide, nullptr));
        g_liveBlocks = 0;
        ZqlWideChar* out = reinterpret_cast<ZqlWideChar*>(&g_liveBlocks); // must be reset
        EXPECT_EQ(c.expected, ZqlDecrypt2(wide, &out, countingAlloc)) << c.stored;
        EXPECT_EQ(nullptr, out) << c.stored;
        EXPECT_EQ(0, g_liveBlocks) << c.stored;
        ZqlFreeMemory(wide, nullptr);
    }
}

TEST(ZqlArguments, NullPointersAndFailingAllocator) {
    ZqlWideChar* wide = nullptr;
    char* narrow = nullptr;
    EXPECT_EQ(ZQL_E_ARGUMENT, ZqlAsciiToString(nullptr, &wide, nullptr));
    EXPECT_EQ(ZQL_E_ARGUMENT, ZqlAsciiToString("x", nullptr, nullptr));
    EXPECT_EQ(ZQL_E_ARGUMENT, ZqlDecrypt2(nullptr, &wide, nullptr));
    EXPECT_EQ(ZQL_E_ARGUMENT, ZqlStringToAscii(nullptr, &narrow, nullptr));
    EXPECT_EQ(ZQL_E_ARGUMENT, ZqlEncrypt2(nullptr, &wide, nullptr));
    EXPECT_EQ(ZQL_E_NOMEMORY, ZqlAsciiToString("x", &wide, failingAlloc));
    EXPECT_EQ(nullptr, wide);

    // Freeing null is harmless with either allocator.
    ZqlFreeMemory(static_cast<char*>(nullptr), nullptr);
    ZqlFreeMemory(static_cast<ZqlWideChar*>(nullptr), nullptr);
    ZqlFreeMemory(static_cast<char*>(nullptr), countingRelease);
    ZqlFreeMemory(static_cast<ZqlWideChar*>(nullptr), countingRelease);
}

TEST(ZqlConversion, InvalidAnsiAndUnrepresentableTextFail) {
    if (!ansiIsCp932())
        GTEST_SKIP() << "ANSI code page is not 932";
    ZqlWideChar* wide = nullptr;
    // 0x81 is a lead byte; a lone lead byte at the end is not CP932.
    EXPECT_EQ(ZQL_E_CONVERSION, ZqlAsciiToString("ab\x81", &wide, nullptr));
    EXPECT_EQ(nullptr, wide);
    // U+00E9 has no CP932 form: it must not turn into '?' silently.
    const WideString accented = toWide(u"caf\u00e9");
    char* narrow = nullptr;
    EXPECT_EQ(ZQL_E_CONVERSION, ZqlStringToAscii(accented.c_str(), &narrow, nullptr));
    EXPECT_EQ(nullptr, narrow);
}

} // namespace
