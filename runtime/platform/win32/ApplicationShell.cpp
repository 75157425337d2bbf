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
    const CKernelHandle mutex(OpenMutexA(SYNCHRONIZE, FALSE, name));
    return mutex.Valid() || GetLastError() == ERROR_ACCESS_DENIED; // there, but not ours
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

bool CApplicationShell::AcquireInstanceMutex(const std::string& name) {
    const HANDLE mutex = CreateMutexA(nullptr, TRUE, name.c_str());
    const DWORD error = GetLastError();
    mutex_.Reset(mutex); // a second call closes the first mutex
    return !(mutex_.Valid() && error == ERROR_ALREADY_EXISTS);
}

void CApplicationShell::TakeServiceClaim() {
    if (!claim_.Valid())
        claim_.Reset(CreateMutexA(nullptr, FALSE, kServiceClaimName));
    if (!claim_.Valid())
        claim_.Reset(CreateMutexA(nullptr, FALSE, kSessionClaimName));
}

void CApplicationShell::DropServiceClaim() {
    claim_.Reset();
}

bool CApplicationShell::ServiceClaimed() {
    return MutexExists(kServiceClaimName) || MutexExists(kSessionClaimName);
}

int CApplicationShell::ShowMessage(const std::string& text, unsigned type) {
    return ToolMessageBox(GetActiveWindow(), text, type);
}
