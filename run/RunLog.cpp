#include "RunLog.h"

#include "Findings.h"
#include "Text.h"

void CRunLog::PhaseLine(int id, const std::string& name) {
    if (id != 0)
        log_.Result(LogStatus::Success, FormatText(loadText_(id), {name}));
}

void CRunLog::PhaseBegun(RunPhase phase, const std::string& name) {
    switch (phase) {
    case RunPhase::CabinetCheck:
        return PhaseLine(texts_.checkBegun, name);
    case RunPhase::DocumentTypeCheck:
        return log_.Result(LogStatus::Success, Ansi("文書タイプのデータチェックを開始しました。"));
    case RunPhase::CabinetRepair:
        return PhaseLine(texts_.repairBegun, name);
    case RunPhase::DocumentTypeRepair:
        return PhaseLine(texts_.docTypeRepairBegun, name);
    }
}

void CRunLog::PhaseEnded(RunPhase phase, const std::string& name) {
    switch (phase) {
    case RunPhase::CabinetCheck:
        return PhaseLine(texts_.checkEnded, name);
    case RunPhase::DocumentTypeCheck:
        return log_.Result(LogStatus::Success, Ansi("文書タイプのデータチェックを終了しました。"));
    case RunPhase::CabinetRepair:
        return PhaseLine(texts_.repairEnded, name);
    case RunPhase::DocumentTypeRepair:
        return PhaseLine(texts_.docTypeRepairEnded, name);
    }
}

void CRunLog::Summarised(const std::string& text) {
    log_.Result(LogStatus::Success, OneLine(text));
}

void CRunLog::Failed(const RunFailure& failure) {
    if (failure.errorCode != nullptr)
        log_.ErrorCode(failure.sourceFile, failure.line, 0, 0, failure.errorCode);
    else if (!failure.logText.empty())
        log_.Result(LogStatus::Failure, failure.logText, failure.logText2);
}
