#include "DocTypeRepair.h"

#include "DocNumberFormatCheck.h"
#include "Findings.h"
#include "MendoraRes.h"
#include "SqliQuery.h"
#include "StringIds.h"
#include "Text.h"

const char kDocNumberFormatUpdate[] =
    "update MasterDocType set DocNumberFormat = null "
    "\t\t\t\t\t\t\t\t\t\twhere SN = %s and DocNumberFormat = 'NULL'";

Outcome RepairDocNumberFormat(ICheckHost& host, const CTokenList& lines, int& correctedCount,
                              const AppliedFn& applied) {
    for (std::size_t i = 1; i < lines.Count(); ++i) {
        const CTokenList values = SplitValues(lines.At(i));
        const std::string sn = values.At(0);
        // The SN goes into the statement unquoted: anything but a number fails the update
        // as the interpreter would, and nothing is run.
        std::string output;
        if (!IsDecimalNumber(sn) ||
            host.RunDocTypeQuery(FormatText(kDocNumberFormatUpdate, {sn}), output) != kSqliOk)
            return DocTypeFailure(host, Ansi(kDocTypeLabel), output,
                                  Ansi("自動採番フォーマットの補正に失敗しました。"));
        const CTokenList answer = SplitLines(output);
        if (answer.Count() != 2)
            return DocTypeFailure(host, Ansi("文書タイプが見つからなかった"));
        if (IsInterpreterError(answer.At(0)))
            return DocTypeFailure(host, Ansi("SQLエラー!! : ") + answer.At(0));
        ++correctedCount;
        host.Events().ChangeMade(Ansi(kDocTypeLabel),
                                 FormatText(host.LoadText(IDS_DOC_TYPE_REPAIRED), {values.At(1)}));
        // "<n> row(s) affected.": a type that no longer held 'NULL' was not changed.
        if (std::string_view(answer.At(1)).substr(0, 2) != "0 " && applied(sn) != Outcome::Done)
            return Outcome::Failed;
    }
    return Outcome::Done;
}
