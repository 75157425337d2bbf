#include "ApplicationShell.h"

#include "AdminMutex.h"

namespace {

std::string& Title() {
    static std::string title;
    return title;
}

} // namespace

std::string LoadResourceText(int id) {
    char buffer[4096] = {};
    const int length =
        LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), buffer, sizeof buffer);
    return std::string(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
}

int ToolMessageBox(HWND owner, const std::string& text, unsigned type) {
    return MessageBoxA(owner, text.c_str(), Title().c_str(), type);
}

CApplicationShell::CApplicationShell(const ToolProfile& tool, MainDialog mainDialog)
    : mainDialog_(std::move(mainDialog)) {
    Title() = LoadResourceText(tool.idsTitle);
}

CApplicationShell::~CApplicationShell() {
    if (mutex_.Valid())
        ReleaseMutex(mutex_.Get());
}

InstanceMutex CApplicationShell::AcquireInstanceMutex(const std::string& name) {
    switch (CreateAdminMutex(name.c_str(), true, mutex_)) {
    case AdminMutex::Created:
        return InstanceMutex::Acquired;
    case AdminMutex::Opened:
        mutex_.Reset(); // not ours to release
        return InstanceMutex::AnotherCopy;
    case AdminMutex::Untrusted:
        break;
    }
    return InstanceMutex::Untrusted;
}

int CApplicationShell::ShowMessage(const std::string& text, unsigned type) {
    return ToolMessageBox(GetActiveWindow(), text, type);
}
