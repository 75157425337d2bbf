#include "HelperLibrary.h"

#include "FakeRegistry.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

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
}

// Loaded by its full path from the server's folders, the edition's first, then from the
// folder the administrator names; the message says where it was looked for.
TEST(HelperLibraryTest, LoadedByFullPathFromTheServersFoldersThenTheNamedOne) {
    FakeRegistry registry = FakeRegistry::Installation(true);
    registry.keys.insert(kToolKeyPath);
    registry.strings[{kToolKeyPath, kHelperLibraryFolderValue}] = "D:\\Lib\\";
    std::vector<std::string> tried;
    HelperLibraryBinding binding = LoadHelperLibrary(registry, [&tried](const std::string& path) {
        tried.push_back(path);
        return std::optional<ExportLookup>();
    });
    EXPECT_FALSE(binding.bound);
    EXPECT_EQ(tried, (std::vector<std::string>{"C:\\Velmora\\Zeph5\\ZqlCommon_SD3.dll",
                                               "C:\\Velmora\\ZqlCommon_SD3.dll",
                                               "D:\\Lib\\ZqlCommon_SD3.dll"}));
    std::string text = Utf8FromAnsi(HelperLibraryMissingText(binding));
    for (const char* part :
         {"ZqlCommon_SD3.dll を読み込めません。\n探したフォルダー: C:\\Velmora\\Zeph5, "
          "C:\\Velmora, D:\\Lib\\\n",
          "HKEY_LOCAL_MACHINE\\SOFTWARE\\VelmoraTools の HelperLibraryFolder: D:\\Lib\\\n"})
        EXPECT_NE(text.find(part), std::string::npos) << text;

    // The first folder that has it is the one, and a function it lacks is named.
    const Exports withoutDecrypt = {{"ZqlAsciiToString", Address(AsciiToString)},
                                    {"ZqlStringToAscii", Address(StringToAscii)},
                                    {"ZqlFreeMemory", Address(FreeNarrow)}};
    tried.clear();
    binding = LoadHelperLibrary(registry, [&](const std::string& path) {
        tried.push_back(path);
        return tried.size() == 2 ? std::optional<ExportLookup>(LookupIn(withoutDecrypt))
                                 : std::nullopt;
    });
    EXPECT_EQ(tried.size(), 2u);
    EXPECT_FALSE(binding.bound);
    EXPECT_EQ(Utf8FromAnsi(HelperLibraryMissingText(binding))
                  .rfind("C:\\Velmora\\ZqlCommon_SD3.dll に関数 ZqlDecrypt2 がありません。", 0),
              0u);
}

// A folder that is no full path would be looked up from the current folder: never searched.
TEST(HelperLibraryTest, FoldersThatAreNoFullPathsAreNotSearched) {
    FakeRegistry registry = FakeRegistry::Installation(true);
    registry.strings[{"SOFTWARE\\Brannock\\Pellacore", "InstallDir"}] = "";
    registry.keys.insert(kToolKeyPath);
    registry.strings[{kToolKeyPath, kHelperLibraryFolderValue}] = "lib";
    int tries = 0;
    const HelperLibraryBinding binding = LoadHelperLibrary(registry, [&tries](const std::string&) {
        ++tries;
        return std::optional<ExportLookup>();
    });
    EXPECT_EQ(tries, 0);
    const std::string text = Utf8FromAnsi(HelperLibraryMissingText(binding));
    EXPECT_NE(text.find("探したフォルダー: なし\n"), std::string::npos) << text;
    EXPECT_NE(text.find("HelperLibraryFolder: lib (フルパスではないため使いません)"),
              std::string::npos)
        << text;
}
