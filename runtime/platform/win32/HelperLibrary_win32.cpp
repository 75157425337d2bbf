#include "HelperLibrary.h"

#include <windows.h>

const CredentialLibrary* SystemHelperLibrary(std::string* missing) {
    struct Binding {
        CredentialLibrary library{};
        std::string missing;
        bool bound = false;
    };
    static const Binding binding = [] {
        Binding b;
        // No system error box when the library or one it depends on cannot be found: the
        // tool says so in its own words.
        DWORD previousMode = 0;
        SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
        const HMODULE module = LoadLibraryA(kHelperLibraryFile);
        SetThreadErrorMode(previousMode, nullptr);
        if (module == nullptr) {
            b.missing = kHelperLibraryFile;
            return b;
        }
        const auto lookup = [module](const char* name) {
            return reinterpret_cast<void*>(GetProcAddress(module, name));
        };
        b.bound = BindCredentialLibrary(lookup, b.library, b.missing) == Outcome::Done;
        if (!b.bound)
            FreeLibrary(module);
        return b; // a bound library stays loaded for the life of the process
    }();
    if (missing != nullptr)
        *missing = binding.missing;
    return binding.bound ? &binding.library : nullptr;
}
