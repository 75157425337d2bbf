// The hand-over of the storage service between the tools, and back to the server.
//
// A tool that stops "HalvixStoreP" for its run first writes down, in the tools' own key,
// how it found the service (its start type, running or not) and itself as a holder: its
// process id with the process's creation time, so that a process that later gets the same
// id is not taken for the holder. At its end the tool strikes itself out, and the last live
// holder to go puts the service back as it was found and removes the record. A tool that
// dies without giving the service back (killed, crashed, the session ended under it) leaves
// its entry behind: every tool that starts later drops the holders that no longer run and,
// when none remains, puts the service back as recorded.
//
// Every look at the record and the service, and every change of either, happens under one
// machine-wide lock that only administrators can create or hold, so that two tools never
// decide on what the other is changing. Each decision is one line of the tool's log.
#pragma once

#include "EventLog.h"
#include "HandOverRecord.h"
#include "LogFile.h"
#include "ServiceManager.h"
#include "ToolKey.h"

#include <optional>
#include <string>
#include <vector>

// The name of the lock, in the namespace every logon session of the machine sees.
extern const char kHandOverLockName[];
// The value of the tools' key that holds the record.
extern const char kHandOverValue[];
// An administrator's wait for a stop, in seconds (a number; 60 when not set).
extern const char kStopWaitValue[];

enum class LockResult {
    Acquired,
    Untrusted, // an object someone else created holds the lock's name
    TimedOut,
};

// What the hand-over needs of the machine besides the service manager and the tools' key.
class IHandOverSystem {
public:
    virtual ~IHandOverSystem() = default;
    // Waits for the machine-wide lock; Acquired also when its last owner died holding it.
    virtual LockResult Lock() = 0;
    virtual void Unlock() = 0;
    virtual ProcessIdentity CurrentProcess() const = 0;
    // Still running: the same id with the same creation time.
    virtual bool IsRunning(const ProcessIdentity& process) const = 0;
};

// The machine's side (the programs only).
IHandOverSystem& SystemHandOverSystem();

class CServiceHandOver {
public:
    enum class Result {
        Done,
        Untrusted,     // the lock's name is held by an untrusted object: nothing was touched
        Busy,          // the lock was not given within its wait: nothing was touched
        HeldByAnother, // (exclusive runs) another live tool holds the service
        NotRecorded,   // the record could not be written: the service was not stopped
        NotStopped,    // the stop did not finish in time; the service was put back
    };

    // events hears of a service recovered for a tool that ended without giving it back.
    CServiceHandOver(IServiceManager& services, IToolKey& key, IHandOverSystem& system, ILog& log,
                     SleepFn sleep, IEventLog& events = NoEventLog());
    CServiceHandOver(const CServiceHandOver&) = delete;
    CServiceHandOver& operator=(const CServiceHandOver&) = delete;

    // At every start: holders that no longer run are dropped; when none remains, the service
    // is put back as recorded, provided it is still stopped and disabled.
    Result Recover();
    // For the run: this process is recorded as a holder, then the service is stopped and
    // disabled. An exclusive run is refused while another tool holds the service.
    Result Take(bool exclusive);
    // This process is struck out; the last holder puts the service back. Does nothing when
    // this process holds nothing (also the second time).
    void GiveBack();

    // What to tell the administrator about the last result other than Done (ANSI).
    const std::string& Refusal() const { return refusal_; }

private:
    struct Lock;
    Result LockRefusal(LockResult lock);
    Result Refuse(Result result, const std::string& text);
    // The record, when there is one that can be read (one that cannot is dropped).
    std::optional<HandOverRecord> ReadRecord();
    // Strikes the holders that no longer run out of the record; those struck out.
    std::vector<ProcessIdentity> StrikeOutDead(HandOverRecord& record);
    // Under the lock: the dead holders go, and when none is left the service is put back
    // for them; what remains of the record.
    std::optional<HandOverRecord> RecoverLocked();
    // Nobody holds the service any more: back as found while it is still stopped and
    // disabled; a service someone has changed since is left alone. The record goes. Whether
    // the service was put back.
    bool Release(const HandOverRecord& record, const std::string& line, const std::string& detail);
    // The service back as found, and a line saying so or why not; whether it is back.
    bool PutBackAndLog(const ServiceCondition& found, const ServiceWait& wait,
                       const std::string& line, const std::string& detail);
    void Log(LogStatus status, const std::string& text, const std::string& detail = {});
    ServiceWait Wait() const;
    ServiceWait SettleWait() const;

    IServiceManager& services_;
    IToolKey& key_;
    IHandOverSystem& system_;
    ILog& log_;
    SleepFn sleep_;
    IEventLog& events_;
    bool held_ = false;
    std::string refusal_;
};
