#include "CabinetSession.h"

#include "Text.h"

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

namespace {

void TellFailure(IRunEvents& events, const char* shown, const char* errorCode, int line) {
    RunFailure failure;
    failure.shown = Ansi(shown);
    failure.errorCode = errorCode;
    failure.sourceFile = __FILE__;
    failure.line = line;
    events.Failed(failure);
}

} // namespace

CCabinetSession LogIn(const CSqlServerSession& unopened, IRunEvents& events) {
    CCabinetSession session(unopened);
    if (session.Session().Connect() != Outcome::Done)
        TellFailure(events, "SQLServerへの接続に失敗しました。", "SQLServer Connect Error.",
                    __LINE__);
    return session;
}

bool OpenDatabase(CCabinetSession& session, const CabinetRecord& record, IRunEvents& events) {
    if (session.Session().SelectDatabase(record.databaseName) == Outcome::Done)
        return true;
    session.Session().Disconnect();
    TellFailure(events, "データベースへの接続に失敗しました。", "DataBase Connect Error.",
                __LINE__);
    return false;
}
