#include "HelperLibrary.h"

#include "Text.h"

#include <cstring>
#include <initializer_list>

const char kHelperLibraryFile[] = "ZqlCommon_SD3.dll";

namespace {

template <typename Function>
bool Bind(const ExportLookup& lookup, Function& function, std::initializer_list<const char*> names,
          std::string& missing) {
    for (const char* name : names) {
        if (void* address = lookup(name)) {
            function = reinterpret_cast<Function>(address);
            return true;
        }
    }
    missing = *(names.end() - 1);
    return false;
}

} // namespace

Outcome BindCredentialLibrary(const ExportLookup& lookup, CredentialLibrary& library,
                              std::string& missing) {
#define ZQL_EXPORT(member, ...)                                                                    \
    if (!Bind(lookup, library.member, {__VA_ARGS__}, missing))                                     \
        return Outcome::Failed;
#include "HelperLibraryExports.inc"
#undef ZQL_EXPORT
    return Outcome::Done;
}

Outcome DecodeCredential(const std::string& encoded, CSecretString& plain,
                         const CredentialLibrary& library) {
    ZqlWideChar* wideEncoded = nullptr;
    ZqlWideChar* widePlain = nullptr;
    char* narrowPlain = nullptr;
    library.asciiToString(encoded.c_str(), &wideEncoded, nullptr);
    // A step that hands back no text has failed, whatever its status says.
    bool decoded = wideEncoded != nullptr &&
                   library.decrypt2(wideEncoded, &widePlain, nullptr) == 0 && widePlain != nullptr;
    if (decoded) {
        library.stringToAscii(widePlain, &narrowPlain, nullptr);
        decoded = narrowPlain != nullptr;
    }
    if (decoded) {
        const std::size_t length = std::strlen(narrowPlain);
        plain.Reserve(plain.Text().size() + length);
        plain.Room().append(narrowPlain, length);
    }
    if (wideEncoded != nullptr)
        library.freeWide(wideEncoded, nullptr);
    if (widePlain != nullptr) {
        std::size_t units = 0;
        while (widePlain[units] != 0)
            ++units;
        WipeMemory(widePlain, units * sizeof(ZqlWideChar));
        library.freeWide(widePlain, nullptr);
    }
    if (narrowPlain != nullptr) {
        WipeMemory(narrowPlain, std::strlen(narrowPlain));
        library.freeNarrow(narrowPlain, nullptr);
    }
    return decoded ? Outcome::Done : Outcome::Failed;
}

std::string HelperLibraryMissingText(const std::string& missing) {
    const std::string what =
        missing == kHelperLibraryFile
            ? std::string(kHelperLibraryFile) + " を読み込めません。"
            : std::string(kHelperLibraryFile) + " に関数 " + missing + " がありません。";
    return Ansi((what + "\nサーバーの補助ライブラリを使えないため、起動できません。"
                        "\nサーバーがインストールされたマシンで実行してください。")
                    .c_str());
}
