#include "HelperLibrary.h"

#include "InstallSettings.h"
#include "Mbcs.h"
#include "Text.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

const char kHelperLibraryFile[] = "ZqlCommon_SD3.dll";
const char kHelperLibraryFolderValue[] = "HelperLibraryFolder";

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

std::string PathInFolder(const std::string& folder, const char* file) {
    const char* last = mbcs::FindLastChar(folder.c_str(), '\\');
    const bool endsInSeparator = last != nullptr && last[1] == '\0';
    return folder + (endsInSeparator ? "" : "\\") + file;
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

HelperLibrarySearch FindHelperLibraryFolders(const IRegistry& registry) {
    HelperLibrarySearch search;
    search.namedFolder = registry.QueryString(kToolKeyPath, kHelperLibraryFolderValue).value_or("");
    const std::string candidates[] = {
        ReadInstallFolder(ResolveEdition(kServerTypeStorage, registry), registry),
        ReadInstallDir(registry), search.namedFolder};
    for (const std::string& folder : candidates)
        if (IsFullFolderPath(folder) &&
            std::find(search.folders.begin(), search.folders.end(), folder) == search.folders.end())
            search.folders.push_back(folder);
    return search;
}

HelperLibraryBinding LoadHelperLibrary(const IRegistry& registry, const LibraryLoader& load) {
    HelperLibraryBinding binding;
    binding.search = FindHelperLibraryFolders(registry);
    binding.missing = kHelperLibraryFile;
    for (const std::string& folder : binding.search.folders) {
        const std::string path = PathInFolder(folder, kHelperLibraryFile);
        if (const std::optional<ExportLookup> lookup = load(path)) {
            binding.loadedFrom = path;
            binding.bound =
                BindCredentialLibrary(*lookup, binding.library, binding.missing) == Outcome::Done;
            break;
        }
    }
    return binding;
}

std::string HelperLibraryMissingText(const HelperLibraryBinding& binding) {
    std::string what;
    if (binding.missing == kHelperLibraryFile) {
        std::string folders;
        for (const std::string& folder : binding.search.folders)
            folders += (folders.empty() ? "" : ", ") + folder;
        const std::string& named = binding.search.namedFolder;
        what = std::string(kHelperLibraryFile) + Ansi(" を読み込めません。\n探したフォルダー: ") +
               (folders.empty() ? Ansi("なし") : folders) + "\nHKEY_LOCAL_MACHINE\\" +
               kToolKeyPath + Ansi(" の ") + kHelperLibraryFolderValue + ": " +
               (named.empty() ? Ansi("設定なし")
                              : named + (IsFullFolderPath(named)
                                             ? ""
                                             : Ansi(" (フルパスではないため使いません)")));
    } else {
        what = binding.loadedFrom + Ansi(" に関数 ") + binding.missing + Ansi(" がありません。");
    }
    return what + Ansi("\nサーバーの補助ライブラリを使えないため、起動できません。"
                       "\nサーバーがインストールされたマシンで実行してください。");
}
