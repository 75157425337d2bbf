#include "HelperLibrary.h"

#include "DllSearch.h"

#include <windows.h>

const CredentialLibrary* SystemHelperLibrary(std::string* missing) {
    static const HelperLibraryBinding binding = [] {
        // No system error box when the library or one it depends on cannot be found: the
        // tool says so in its own words.
        DWORD previousMode = 0;
        SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
        HMODULE module = nullptr;
        const HelperLibraryBinding b =
            LoadHelperLibrary(SystemRegistry(), [&module](const std::string& path) {
                module = LoadLibraryByFullPath(path);
                return module == nullptr
                           ? std::optional<ExportLookup>()
                           : ExportLookup([module](const char* name) {
                                 return reinterpret_cast<void*>(GetProcAddress(module, name));
                             });
            });
        SetThreadErrorMode(previousMode, nullptr);
        if (!b.bound && module != nullptr)
            FreeLibrary(module);
        return b; // a bound library stays loaded for the life of the process
    }();
    if (missing != nullptr)
        *missing = binding.bound ? std::string() : HelperLibraryMissingText(binding);
    return binding.bound ? &binding.library : nullptr;
}
