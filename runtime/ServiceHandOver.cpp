#include "ServiceHandOver.h"

#include "InstallSettings.h"
#include "Text.h"

#include <algorithm>

const char kHandOverLockName[] = "Global\\VelmoraStorageServiceHandOver";
const char kHandOverValue[] = "StorageServiceHandOver";
const char kStopWaitValue[] = "ServiceStopWaitSeconds";

namespace {

constexpr int kMaxStopWaitSeconds = 600;

const char* Service() {
    return ServiceNameOfProduct(kServerTypeStorage);
}

std::string Describe(const ServiceCondition& condition) {
    static const char* const kStartTypes[] = {"ブート", "システム", "自動", "手動", "無効"};
    const auto type = static_cast<std::size_t>(condition.startType);
    const std::string startType =
        type < std::size(kStartTypes) ? Ansi(kStartTypes[type]) : std::to_string(type);
    return startType + Ansi(condition.running ? "・実行中" : "・停止");
}

std::string Holder(const ProcessIdentity& process) {
    return Ansi("プロセスID: ") + std::to_string(process.id);
}

} // namespace

struct CServiceHandOver::Lock {
    explicit Lock(IHandOverSystem& system) : system(system), result(system.Lock()) {}
    ~Lock() {
        if (result == LockResult::Acquired)
            system.Unlock();
    }
    IHandOverSystem& system;
    LockResult result;
};

CServiceHandOver::CServiceHandOver(IServiceManager& services, IToolKey& key,
                                   IHandOverSystem& system, ILog& log, SleepFn sleep,
                                   IEventLog& events)
    : services_(services), key_(key), system_(system), log_(log), sleep_(std::move(sleep)),
      events_(events) {}

ServiceWait CServiceHandOver::Wait() const {
    const std::uint32_t seconds = key_.ReadNumber(kStopWaitValue).value_or(kStopWaitSeconds);
    return {sleep_, static_cast<int>(std::clamp<std::uint32_t>(seconds, 1, kMaxStopWaitSeconds))};
}

// A stop the tool gave up on may still finish: it is given at least the default wait.
ServiceWait CServiceHandOver::SettleWait() const {
    ServiceWait wait = Wait();
    wait.seconds = std::max(wait.seconds, kStopWaitSeconds);
    return wait;
}

void CServiceHandOver::Log(LogStatus status, const std::string& text, const std::string& detail) {
    log_.Result(status, text, Service(), detail);
}

CServiceHandOver::Result CServiceHandOver::Refuse(Result result, const std::string& text) {
    refusal_ = text;
    Log(LogStatus::Failure, text);
    return result;
}

CServiceHandOver::Result CServiceHandOver::LockRefusal(LockResult lock) {
    switch (lock) {
    case LockResult::Acquired:
        return Result::Done;
    case LockResult::Untrusted:
        return Refuse(Result::Untrusted, Ansi("ほかのユーザーが作成した同じ名前のオブジェクト (") +
                                             kHandOverLockName +
                                             Ansi(") があるため、サービスを操作できません。"));
    case LockResult::TimedOut:
        break;
    }
    return Refuse(Result::Busy, Ansi("ほかのツールがサービスを操作中のため、サービスを操作できま"
                                     "せん。しばらくしてからもう一度実行してください。"));
}

CServiceHandOver::Result CServiceHandOver::Recover() {
    const Lock lock(system_);
    if (const Result refused = LockRefusal(lock.result); refused != Result::Done)
        return refused;
    RecoverLocked();
    return Result::Done;
}

CServiceHandOver::Result CServiceHandOver::Take(bool exclusive) {
    const Lock lock(system_);
    if (const Result refused = LockRefusal(lock.result); refused != Result::Done)
        return refused;
    std::optional<HandOverRecord> record = RecoverLocked();
    if (record && exclusive)
        return Refuse(Result::HeldByAnother,
                      Ansi("ほかのツールがストレージサービスを停止して作業中です。"));
    std::string joined;
    if (record) {
        joined = Ansi("サービスはほかのツールが停止しているため、そのまま使用します。");
    } else {
        const std::optional<ServiceCondition> found = QueryServiceCondition(services_, Service());
        if (!found)
            return Refuse(Result::NotStopped, Ansi("サービスの無効化に失敗しました。"));
        // Left stopped and disabled by a tool that kept no record: the question the
        // administrator answered promises that the service starts at the end.
        const bool left = !found->running && found->startType == ServiceStartType::Disabled;
        record = HandOverRecord{left ? ServiceCondition{ServiceStartType::Auto, true} : *found, {}};
        if (left)
            joined = Ansi("停止して無効になっていたサービスを、終了時に自動で開始するものとして"
                          "引き継ぎました。");
    }
    const std::string detail =
        record->holders.empty() ? Describe(record->found) : Holder(record->holders.front());
    record->holders.push_back(system_.CurrentProcess());
    if (!key_.WriteText(kHandOverValue, FormatHandOverRecord(*record)))
        return Refuse(Result::NotRecorded,
                      Ansi("サービスの状態を記録できないため、サービスを停止できません。"));
    held_ = true;
    if (!joined.empty() && IsServiceStoppedAndDisabled(services_, Service())) {
        Log(LogStatus::Success, joined, detail);
        return Result::Done;
    }
    if (StopAndDisableService(services_, Service(), Wait()) == Outcome::Done) {
        Log(LogStatus::Success, Ansi("サービスをこの実行のために停止し、無効にしました。"),
            Ansi("元の状態: ") + Describe(record->found));
        return Result::Done;
    }
    // The stop did not finish in time: undone at once, so that a service that finishes
    // stopping after the tool has given up does not stay down.
    held_ = false;
    record->holders.pop_back();
    refusal_ = Ansi("サービスの無効化に失敗しました。");
    Log(LogStatus::Failure, refusal_);
    if (record->holders.empty()) {
        PutBackAndLog(record->found, SettleWait(),
                      Ansi("サービスが時間内に停止しなかったため、元の状態に戻しました。"),
                      Describe(record->found));
        key_.Remove(kHandOverValue);
    } else {
        key_.WriteText(kHandOverValue, FormatHandOverRecord(*record));
    }
    return Result::NotStopped;
}

void CServiceHandOver::GiveBack() {
    if (!held_)
        return;
    held_ = false;
    const Lock lock(system_);
    if (lock.result != LockResult::Acquired) {
        // The record still names this process: the next tool to start gives the service back.
        Log(LogStatus::Failure, Ansi("サービスを戻すためのロックを取得できません。次に起動した"
                                     "ツールがサービスを戻します。"));
        return;
    }
    std::optional<HandOverRecord> record = ReadRecord();
    if (!record) // removed under the run: the service is put back as the question promised
        record = HandOverRecord{{ServiceStartType::Auto, true}, {}};
    const ProcessIdentity self = system_.CurrentProcess();
    auto& holders = record->holders;
    holders.erase(std::remove(holders.begin(), holders.end(), self), holders.end());
    StrikeOutDead(*record);
    if (holders.empty()) {
        Release(*record, Ansi("サービスを元の状態に戻しました。"), Describe(record->found));
        return;
    }
    key_.WriteText(kHandOverValue, FormatHandOverRecord(*record));
    Log(LogStatus::Success, Ansi("サービスはほかのツールが使用中のため、停止したままにします。"),
        Holder(holders.front()));
}

std::optional<HandOverRecord> CServiceHandOver::ReadRecord() {
    const std::optional<std::string> text = key_.ReadText(kHandOverValue);
    if (!text)
        return std::nullopt;
    std::optional<HandOverRecord> record = ParseHandOverRecord(*text);
    if (!record) {
        Log(LogStatus::Failure, Ansi("サービスの引き継ぎの記録が読めないため、削除しました。"),
            *text);
        key_.Remove(kHandOverValue);
    }
    return record;
}

std::vector<ProcessIdentity> CServiceHandOver::StrikeOutDead(HandOverRecord& record) {
    std::vector<ProcessIdentity> dead;
    std::vector<ProcessIdentity> live;
    for (const ProcessIdentity& holder : record.holders)
        (system_.IsRunning(holder) ? live : dead).push_back(holder);
    record.holders = std::move(live);
    return dead;
}

std::optional<HandOverRecord> CServiceHandOver::RecoverLocked() {
    std::optional<HandOverRecord> record = ReadRecord();
    if (!record)
        return record;
    const std::vector<ProcessIdentity> dead = StrikeOutDead(*record);
    if (!record->holders.empty()) {
        if (!dead.empty())
            key_.WriteText(kHandOverValue, FormatHandOverRecord(*record));
        return record;
    }
    std::string holders;
    for (const ProcessIdentity& holder : dead)
        holders += " (" + Holder(holder) + ")";
    if (Release(
            *record,
            Ansi("終了時にサービスを戻さなかったツールに代わり、サービスを元の状態に戻しました。"),
            Describe(record->found) + holders))
        events_.Report(
            ServiceRecoveredEvent(Service(), Describe(record->found), holders.substr(1)));
    return std::nullopt;
}

bool CServiceHandOver::Release(const HandOverRecord& record, const std::string& line,
                               const std::string& detail) {
    const std::optional<ServiceCondition> now = QueryServiceCondition(services_, Service());
    bool putBack = false;
    if (now && !now->running && now->startType == ServiceStartType::Disabled)
        putBack = PutBackAndLog(record.found, Wait(), line, detail);
    else if (!now || now->running != record.found.running ||
             now->startType != record.found.startType)
        Log(LogStatus::Failure,
            Ansi("サービスの状態が変更されていたため、サービスはそのままにして引き継ぎの記録を"
                 "削除しました。"),
            now ? Ansi("現在: ") + Describe(*now) : std::string());
    key_.Remove(kHandOverValue);
    return putBack;
}

bool CServiceHandOver::PutBackAndLog(const ServiceCondition& found, const ServiceWait& wait,
                                     const std::string& line, const std::string& detail) {
    const char* why = nullptr;
    switch (PutServiceBack(services_, Service(), found, wait)) {
    case PutBack::Done:
        Log(LogStatus::Success, line, detail);
        return true;
    case PutBack::StartTypeNotSet:
        why = "サービスの開始の種類を元に戻せませんでした。";
        break;
    case PutBack::StillStopping:
        why = "サービスが停止処理を終えないため、開始できませんでした。";
        break;
    case PutBack::NotStarted:
        why = "サービスを開始できませんでした。";
        break;
    }
    refusal_ += (refusal_.empty() ? "" : "\r\n") + Ansi(why);
    Log(LogStatus::Failure, Ansi(why), Describe(found));
    return false;
}
