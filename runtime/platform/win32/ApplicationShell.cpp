#include "ApplicationShell.h"

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
    if (mutex_ != nullptr) {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
}

bool CApplicationShell::AcquireInstanceMutex(const std::string& name) {
    mutex_ = CreateMutexA(nullptr, TRUE, name.c_str());
    return !(mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS);
}

bool CApplicationShell::InstanceMutexExists(const std::string& name) {
    HANDLE other = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    if (other == nullptr)
        return false;
    CloseHandle(other);
    return true;
}

int CApplicationShell::ShowMessage(const std::string& text, unsigned type) {
    return ToolMessageBox(GetActiveWindow(), text, type);
}
