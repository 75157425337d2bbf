#include "RunLog.h"

#include "Findings.h"
#include "Text.h"

void CRunLog::PhaseLine(RunPhase phase, bool begun, const std::string& name) {
    if (phase == RunPhase::DocumentTypeCheck) {
        log_.Result(LogStatus::Success, Ansi(begun ? "文書タイプのデータチェックを開始しました。"
                                                   : "文書タイプのデータチェックを終了しました。"));
        return;
    }
    const int ids[][2] = {{texts_.checkBegun, texts_.checkEnded},
                          {0, 0},
                          {texts_.repairBegun, texts_.repairEnded},
                          {texts_.docTypeRepairBegun, texts_.docTypeRepairEnded}};
    const int id = ids[static_cast<int>(phase)][begun ? 0 : 1];
    if (id != 0)
        log_.Result(LogStatus::Success, FormatText(loadText_(id), {name}));
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
