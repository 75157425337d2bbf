#include "CabinetSession.h"

CCabinetSession::CCabinetSession(CCabinetSession&& other) noexcept
    : session_(other.session_), closed_(other.closed_) {
    other.closed_ = true; // the connection is this one's to close now
}

void CCabinetSession::Close() {
    if (closed_)
        return;
    closed_ = true;
    session_.ReleaseDatabase();
    session_.Disconnect();
}
