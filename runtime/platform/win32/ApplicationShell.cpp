#include "ApplicationShell.h"

const char kServiceClaimName[] = "Global\\VelmoraStorageServiceClaim";

namespace {

// Without the right to create global objects (a process that is not elevated) the claim is
// made where it can be, and seen within the logon session.
const char kSessionClaimName[] = "VelmoraStorageServiceClaim";

std::string& Title() {
    static std::string title;
    return title;
}

bool MutexExists(const char* name) {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (mutex != nullptr) {
        CloseHandle(mutex);
        return true;
    }
    return GetLastError() == ERROR_ACCESS_DENIED; // there, but not ours to open
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
    DropServiceClaim();
    if (mutex_ != nullptr) {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
}

bool CApplicationShell::AcquireInstanceMutex(const std::string& name) {
    mutex_ = CreateMutexA(nullptr, TRUE, name.c_str());
    return !(mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS);
}

void CApplicationShell::TakeServiceClaim() {
    if (claim_ == nullptr)
        claim_ = CreateMutexA(nullptr, FALSE, kServiceClaimName);
    if (claim_ == nullptr)
        claim_ = CreateMutexA(nullptr, FALSE, kSessionClaimName);
}

void CApplicationShell::DropServiceClaim() {
    if (claim_ != nullptr)
        CloseHandle(claim_);
    claim_ = nullptr;
}

bool CApplicationShell::ServiceClaimed() {
    return MutexExists(kServiceClaimName) || MutexExists(kSessionClaimName);
}

int CApplicationShell::ShowMessage(const std::string& text, unsigned type) {
    return ToolMessageBox(GetActiveWindow(), text, type);
}
