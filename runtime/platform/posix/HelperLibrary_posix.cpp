#include "HelperLibrary.h"

// The helper library exists on the server, a Windows machine; the native build decodes
// credentials only through the libraries its tests bind.
const CredentialLibrary* SystemHelperLibrary(std::string* missing) {
    if (missing != nullptr)
        *missing = HelperLibraryMissingText(LoadHelperLibrary(
            SystemRegistry(), [](const std::string&) { return std::optional<ExportLookup>(); }));
    return nullptr;
}
