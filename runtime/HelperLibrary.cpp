#include "HelperLibrary.h"

#include "Text.h"

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

std::string HelperLibraryMissingText(const std::string& missing) {
    const std::string what =
        missing == kHelperLibraryFile
            ? std::string(kHelperLibraryFile) + " を読み込めません。"
            : std::string(kHelperLibraryFile) + " に関数 " + missing + " がありません。";
    return Ansi((what + "\nサーバーの補助ライブラリを使えないため、起動できません。"
                        "\nサーバーがインストールされたマシンで実行してください。")
                    .c_str());
}
