#include "ScrutelRun.h"

#include "Application.h"
#include "DocNumberFormatCheck.h"
#include "DocumentContentCheck.h"
#include "Findings.h"
#include "LogFile.h"
#include "Text.h"
#include "UserRecordCheck.h"

#include <cstring>

namespace {

constexpr int kIdsClosingHint = 126;
constexpr int kIdsCabinetStarted = 129;
constexpr int kIdsCabinetFinished = 130;
constexpr int kIdsNoNamedCabinet = 2203;

const char kSeparator[] = "----------------------------------------------------------\r\n\r\n";

// The six checks of a cabinet, in the order of the report.
using CabinetCheck = int (*)(ICheckHost&, const CabinetRecord&, CSqlServerSession);
const CabinetCheck kCabinetChecks[] = {CheckUserRecords,        SectionCountCheck,
                                       ZeroByteSectionCheck,    OversizedSectionCheck,
                                       CheckedOutDocumentCheck, UnsupportedExtensionCheck};

} // namespace

CScrutelRun::CScrutelRun(IScrutelView& view, CServerInventory& inventory,
                         std::function<std::string(int)> loadText, SessionFactory makeSession,
                         DocTypeQuery docTypeQuery)
    : view_(view), inventory_(inventory), loadText_(std::move(loadText)),
      makeSession_(std::move(makeSession)), docTypeQuery_(std::move(docTypeQuery)) {}

void CScrutelRun::Initialise() {
    inventory_.LoadCabinets();
    FillCabinetList();
    UpdateOkButton();
}

void CScrutelRun::FillCabinetList() {
    view_.ClearList();
    if (!inventory_.IsInstalled(0))
        return;
    const std::vector<CabinetRecord>& cabinets = inventory_.Entry(0).cabinets;
    for (std::size_t i = 0; i < cabinets.size(); ++i) {
        const CabinetRecord& r = cabinets[i];
        const bool running = std::strcmp(r.operationMode, "0") == 0;
        view_.AddListItem(r.displayName[0] != '\0' ? r.displayName : r.folder, running ? 1 : 0,
                          Ansi(running ? "動作中" : "停止中"), static_cast<int>(i));
    }
}

void CScrutelRun::UpdateOkButton() {
    view_.EnableOk(!view_.SelectedItems().empty());
}

void CScrutelRun::AppendReport(const std::string& text) {
    report_ += text;
    view_.ShowReport(report_);
}

void CScrutelRun::ShowError(const std::string& message) {
    view_.ShowMessage(message, kMbOk | kMbIconStop);
}

void CScrutelRun::EndRun(IProgressWindow& progress) {
    view_.SetWaitCursor(false);
    view_.EnableClose(true);
    progress.Hide();
}

bool CScrutelRun::CheckCabinet(const CabinetRecord& record, IProgressWindow& progress,
                               int& position) {
    view_.SetWaitCursor(true);
    currentName_ = record.shortName;
    const std::string progressText =
        Ansi("キャビネット: ") + currentName_ + "\r\n" + Ansi("をチェック中です。");
    progress.SetText(progressText);
    AppendReport(Ansi("キャビネット:") + currentName_ + "\r\n\r\n");
    view_.PumpMessages();
    WriteResultLine(false, FormatText(LoadText(kIdsCabinetStarted), {currentName_}));

    // A login or database that fails ends the run like a failed check: the report stays,
    // Close is given back, and closing the dialog restores the service.
    CSqlServerSession session = makeSession_(record);
    if (session.Connect() != 0) {
        view_.ShowMessage(Ansi("SQLServerへの接続に失敗しました。"), kMbOk | kMbIconStop);
        WriteErrorCodeLine(__FILE__, __LINE__, 0, 0, "SQLServer Connect Error.");
        return false;
    }
    if (session.SelectDatabase(record.databaseName) != 0) {
        session.Disconnect();
        view_.ShowMessage(Ansi("データベースへの接続に失敗しました。"), kMbOk | kMbIconStop);
        WriteErrorCodeLine(__FILE__, __LINE__, 0, 0, "DataBase Connect Error.");
        return false;
    }
    for (CabinetCheck check : kCabinetChecks) {
        if (check(*this, record, session) != 0) {
            session.ReleaseDatabase();
            session.Disconnect();
            return false;
        }
        progress.SetPosition(++position);
        progress.SetText(progressText);
        progress.Repaint();
        view_.PumpMessages();
    }
    session.ReleaseDatabase();
    session.Disconnect();
    AppendReport(kSeparator);
    WriteResultLine(false, FormatText(LoadText(kIdsCabinetFinished), {currentName_}));
    return true;
}

void CScrutelRun::RunCheck() {
    view_.SetWaitCursor(true);
    std::unique_ptr<IProgressWindow> progress = view_.CreateProgressWindow();
    view_.ShowReportView();
    view_.EnableClose(false);
    progress->Show();
    const std::vector<int> selected = view_.SelectedItems();
    progress->SetRange(6 * static_cast<int>(selected.size()) + 1);
    progress->SetPosition(0);

    std::string product;
    if (inventory_.CountNamedCabinets(0, product) == 0) {
        view_.ShowMessage(LoadText(kIdsNoNamedCabinet), kMbOk | kMbIconExclamation);
        EndRun(*progress);
        return;
    }
    int position = 0;
    const std::vector<CabinetRecord>& cabinets = inventory_.Entry(0).cabinets;
    for (int index : selected) {
        if (!CheckCabinet(cabinets[static_cast<std::size_t>(index)], *progress, position)) {
            EndRun(*progress);
            return;
        }
    }

    progress->SetText(Ansi("文書タイプをチェック中です。"));
    view_.PumpMessages();
    WriteResultLine(false, Ansi("文書タイプのデータチェックを開始しました。"));
    if (CheckDocNumberFormat(*this) != 0) {
        EndRun(*progress);
        return;
    }
    progress->SetPosition(++position);
    progress->Repaint();
    view_.PumpMessages();
    AppendReport(kSeparator);
    WriteResultLine(false, Ansi("文書タイプのデータチェックを終了しました。"));
    progress->Hide();
    AppendReport(LoadText(kIdsClosingHint));
    view_.SetWaitCursor(false);
    view_.EnableClose(true);
}
