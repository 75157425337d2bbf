// The fixture of Mendora's dialog tests: the dialog over the shared test bed, with the steps
// an administrator takes.
#pragma once

#include "MendoraDlg.h"
#include "MendoraProfile.h"

#include "DialogTestBed.h"
#include "LogFile.h"
#include "MendoraRes.h"

#include <algorithm>

const std::string kSeparator = "----------------------------------------------------------\r\n\r\n";
const std::string kChecked =
    "データチェックを実行しました。\r\n補正を行うには、[補正実行]を押してください。\r\n";

class MendoraDialog : public DialogTestBed {
protected:
    std::unique_ptr<CMendoraDlg> dlg;

    void SetUp() override { view.HiddenAtStart({IDC_REPORT, IDC_ACCOUNT_LIST, IDC_BACK_TO_LIST}); }
    void Open(const DialogServices& services) {
        dlg = std::make_unique<CMendoraDlg>(view, Inventory(), services);
        dlg->Initialise();
    }
    void Open() { Open(Services(kMendoraProfile)); }
    void Select(int list, std::vector<int> items) {
        view.lists[list].selected = items;
        dlg->UpdateOkButton();
    }
    // Checks the cabinet of that row of the list.
    void Check(int row) {
        Select(IDC_CABINET_LIST, {row});
        dlg->Ok();
    }
    std::string Report() { return Utf8FromAnsi(view.Text(IDC_REPORT)); }
    std::string Messages() {
        std::string all;
        for (const auto& message : view.messages)
            all += Utf8FromAnsi(message.first) + "\n";
        return all;
    }
    void SuspectUser(const std::string& sn) {
        server.Answer(kSuspectUserQuery, {sn + "\tAccount\t\tDOM\tSpace"});
    }
    void DocTypeFindings(int count) {
        docTypeOutput = kDocTypeHeader;
        for (int i = 0; i < count; ++i)
            docTypeOutput += std::to_string(i + 1) + "," + Ansi("見積書") + ",NULL\r\n";
    }
    // The select of a table's lookup (and repair) for one user.
    static std::string Lookup(const char* table, const std::string& sn) {
        for (const RelatedRecordLookup& lookup : RelatedRecordLookups())
            if (std::string(lookup.table) == table)
                return LookupStatement(lookup, kMendoraChecks, sn);
        return "";
    }
    // Checks the cabinet of a row, asks for its accounts and chooses one; OK repairs.
    void ChooseAccount(int cabinetRow, int accountRow) {
        Check(cabinetRow);
        dlg->Ok();
        Select(IDC_ACCOUNT_LIST, {accountRow});
    }
    // The statements the server received from the first one equal to `first` on.
    std::vector<std::string> SentFrom(const std::string& first) {
        const auto start = std::find(server.received.begin(), server.received.end(), first);
        return {start, server.received.end()};
    }
    bool Sent(const std::string& statement) {
        return std::find(server.received.begin(), server.received.end(), statement) !=
               server.received.end();
    }
    std::string Log() { return log.Utf8Text(); }
};
