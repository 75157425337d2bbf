// The SQL Server session of one cabinet for one step of a run, closed exactly once
// (database released, connection ended) when the step is over, on every path. The checks
// and repairs work on copies of it, which share the connection and never close it.
#pragma once

#include "CabinetCatalogue.h"
#include "RunEvents.h"
#include "SqlServerSession.h"

class CCabinetSession {
public:
    explicit CCabinetSession(const CSqlServerSession& session) : session_(session) {}
    ~CCabinetSession() { Close(); }
    CCabinetSession(CCabinetSession&& other) noexcept;
    CCabinetSession(const CCabinetSession&) = delete;
    CCabinetSession& operator=(const CCabinetSession&) = delete;
    CCabinetSession& operator=(CCabinetSession&&) = delete;

    // Logged in, with the cabinet's database opened.
    bool IsOpen() const { return session_.IsConnected() && session_.HasDatabase(); }
    CSqlServerSession& Session() { return session_; }
    const CSqlServerSession& Session() const { return session_; }
    // Releases the database and disconnects; later calls do nothing.
    void Close();

private:
    CSqlServerSession session_;
    bool closed_ = false;
};

// A session of the cabinet's SQL Server from makeSession, logged in with the cabinet's host,
// user and password; a failed login is told to events. The session comes back in every case.
CCabinetSession LogIn(const CSqlServerSession& unopened, IRunEvents& events);
// Opens the cabinet's database on the session; a failure disconnects and is told.
bool OpenDatabase(CCabinetSession& session, const CabinetRecord& record, IRunEvents& events);
