#include "HelperLibrary.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

ZqlStatus AsciiToString(const char*, ZqlWideChar**, ZqlAllocFn) {
    return 0;
}
ZqlStatus Decrypt2(const ZqlWideChar*, ZqlWideChar**, ZqlAllocFn) {
    return 0;
}
ZqlStatus StringToAscii(const ZqlWideChar*, char**, ZqlAllocFn) {
    return 0;
}
void FreeNarrow(char*, ZqlReleaseFn) {}
void FreeWide(ZqlWideChar*, ZqlReleaseFn) {}

// An export table: names to addresses.
using Exports = std::map<std::string, void*>;
ExportLookup LookupIn(const Exports& exports) {
    return [&exports](const char* name) -> void* {
        const auto found = exports.find(name);
        return found == exports.end() ? nullptr : found->second;
    };
}

void* Address(ZqlStatus (*function)(const char*, ZqlWideChar**, ZqlAllocFn)) {
    return reinterpret_cast<void*>(function);
}
void* Address(ZqlStatus (*function)(const ZqlWideChar*, ZqlWideChar**, ZqlAllocFn)) {
    return reinterpret_cast<void*>(function);
}
void* Address(ZqlStatus (*function)(const ZqlWideChar*, char**, ZqlAllocFn)) {
    return reinterpret_cast<void*>(function);
}
template <typename Text> void* Address(void (*function)(Text*, ZqlReleaseFn)) {
    return reinterpret_cast<void*>(function);
}

} // namespace

TEST(HelperLibraryTest, BindsTheCompilersNamesAndElsePlainOnes) {
    const Exports microsoft = {
        {"?ZqlAsciiToString@@YAHPEBDPEAPEA_WP6APEAX_K@Z@Z", Address(AsciiToString)},
        {"?ZqlDecrypt2@@YAHPEB_WPEAPEA_WP6APEAX_K@Z@Z", Address(Decrypt2)},
        {"?ZqlStringToAscii@@YAHPEB_WPEAPEADP6APEAX_K@Z@Z", Address(StringToAscii)},
        {"?ZqlFreeMemory@@YAXPEADP6AXPEAX@Z@Z", Address(FreeNarrow)},
        {"?ZqlFreeMemory@@YAXPEA_WP6AXPEAX@Z@Z", Address(FreeWide)},
        {"ZqlDecrypt2", nullptr}, // a plain name never wins over the compiler's
    };
    CredentialLibrary library{};
    std::string missing;
    ASSERT_EQ(BindCredentialLibrary(LookupIn(microsoft), library, missing), Outcome::Done);
    EXPECT_EQ(library.asciiToString, &AsciiToString);
    EXPECT_EQ(library.decrypt2, &Decrypt2);
    EXPECT_EQ(library.stringToAscii, &StringToAscii);
    EXPECT_EQ(library.freeNarrow, &FreeNarrow);
    EXPECT_EQ(library.freeWide, &FreeWide);

    // A C-style export: one ZqlFreeMemory releases both kinds of text.
    const Exports plain = {{"ZqlAsciiToString", Address(AsciiToString)},
                           {"ZqlDecrypt2", Address(Decrypt2)},
                           {"ZqlStringToAscii", Address(StringToAscii)},
                           {"ZqlFreeMemory", Address(FreeNarrow)}};
    library = {};
    ASSERT_EQ(BindCredentialLibrary(LookupIn(plain), library, missing), Outcome::Done);
    EXPECT_EQ(library.decrypt2, &Decrypt2);
    EXPECT_EQ(reinterpret_cast<void*>(library.freeWide), Address(FreeNarrow));
}

TEST(HelperLibraryTest, AFunctionUnderNoNameIsNamedAsMissing) {
    const Exports withoutDecrypt = {{"ZqlAsciiToString", Address(AsciiToString)},
                                    {"ZqlStringToAscii", Address(StringToAscii)},
                                    {"ZqlFreeMemory", Address(FreeNarrow)}};
    CredentialLibrary library{};
    std::string missing;
    EXPECT_EQ(BindCredentialLibrary(LookupIn(withoutDecrypt), library, missing), Outcome::Failed);
    EXPECT_EQ(missing, "ZqlDecrypt2");
    EXPECT_NE(HelperLibraryMissingText(missing).find("ZqlDecrypt2"), std::string::npos);
}
