#include "platform/odbc/OdbcApi.h"

#include "DllSearch.h"

#include <optional>

const OdbcApi* Odbc() {
    static const std::optional<OdbcApi> api = []() -> std::optional<OdbcApi> {
        const HMODULE module = LoadSystemLibrary(L"odbc32.dll");
        if (module == nullptr)
            return std::nullopt;
        OdbcApi bound{};
        bool complete = true;
#define VT_ODBC_BIND(name)                                                                         \
    bound.name = reinterpret_cast<decltype(bound.name)>(                                           \
        reinterpret_cast<void*>(GetProcAddress(module, #name)));                                   \
    complete = complete && bound.name != nullptr;
        VT_ODBC_FUNCTIONS(VT_ODBC_BIND)
#undef VT_ODBC_BIND
        if (!complete)
            return std::nullopt;
        return bound; // the driver manager stays loaded for the life of the process
    }();
    return api ? &*api : nullptr;
}
