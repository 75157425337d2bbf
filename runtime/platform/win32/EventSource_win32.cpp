#include "EventSource.h"

#include "Text.h"
#include "Win32Handles.h"

#include <vector>

namespace {

constexpr DWORD kTypesSupported =
    EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size())
            return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

std::wstring QueryText(HKEY key, const wchar_t* name) {
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return {};
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()),
                         &size) != ERROR_SUCCESS)
        return {};
    return text.substr(0, text.find(L'\0'));
}

WORD EventType(EventLevel level) {
    switch (level) {
    case EventLevel::Error:
        return EVENTLOG_ERROR_TYPE;
    case EventLevel::Warning:
        return EVENTLOG_WARNING_TYPE;
    case EventLevel::Information:
        break;
    }
    return EVENTLOG_INFORMATION_TYPE;
}

} // namespace

std::wstring EventSourceKey(const std::string& source) {
    return L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" +
           std::wstring(source.begin(), source.end());
}

bool RegisterProgramEventSource(const std::string& source) {
    const std::wstring program = ProgramPath();
    CRegistryKey key;
    if (program.empty() || RegCreateKeyExW(HKEY_LOCAL_MACHINE, EventSourceKey(source).c_str(), 0,
                                           nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                                           key.Out(), nullptr) != ERROR_SUCCESS) {
        key.Release();
        return false;
    }
    DWORD types = 0;
    DWORD size = sizeof types;
    if (QueryText(key.Get(), L"EventMessageFile") == program &&
        RegQueryValueExW(key.Get(), L"TypesSupported", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&types), &size) == ERROR_SUCCESS &&
        types == kTypesSupported)
        return true;
    const auto bytes = static_cast<DWORD>((program.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.Get(), L"EventMessageFile", 0, REG_EXPAND_SZ,
                          reinterpret_cast<const BYTE*>(program.c_str()), bytes) == ERROR_SUCCESS &&
           RegSetValueExW(key.Get(), L"TypesSupported", 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&kTypesSupported),
                          sizeof kTypesSupported) == ERROR_SUCCESS;
}

CWindowsEventLog::CWindowsEventLog(const std::string& source)
    : source_(RegisterEventSourceA(nullptr, source.c_str())) {}

CWindowsEventLog::~CWindowsEventLog() {
    if (source_ != nullptr)
        DeregisterEventSource(source_);
}

void CWindowsEventLog::Report(const ToolEvent& event) {
    if (source_ == nullptr)
        return;
    std::vector<std::wstring> inserts;
    for (const std::string& insert : event.inserts) {
        const std::u16string wide = Utf16FromAnsi(insert);
        inserts.emplace_back(wide.begin(), wide.end());
    }
    std::vector<LPCWSTR> strings;
    for (const std::wstring& insert : inserts)
        strings.push_back(insert.c_str());
    ReportEventW(source_, EventType(event.level), 0, event.id, nullptr,
                 static_cast<WORD>(strings.size()), 0, strings.empty() ? nullptr : strings.data(),
                 nullptr);
}
