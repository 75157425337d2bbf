#include "DocNumberFormatCheck.h"

#include "Findings.h"
#include "LogFile.h"
#include "SqliQuery.h"
#include "Text.h"

const char kMendoraDocTypeQuery[] =
    "select DT.SN, DN.DisplayName, DT.DocNumberFormat "
    "\t\t\t\t\t\t\t\t\tfrom MasterDocType DT, MasterDocTypeName DN "
    "\t\t\t\t\t\t\t\t\twhere DT.SN = DN.DocTypeSN and (DN.Lang is null or "
    "DN.Lang = 'ja') \t\t\t\t\t\t\t\t\t\tand DT.DocNumberFormat = 'NULL' "
    "order by DT.SN";

const char kScrutelDocTypeQuery[] =
    "select DT.SN, DN.DisplayName, DT.DocNumberFormat \t\tfrom "
    "MasterDocType DT, MasterDocTypeName DN \t\twhere DT.SN = DN.DocTypeSN "
    "and (DN.Lang is null or DN.Lang = 'ja') \t\t\tand DT.DocNumberFormat "
    "= 'NULL' order by DT.SN";

namespace {

const char kLogLabel[] = "文書タイプ";

int Fail(const std::string& text, const std::string& text2 = {}) {
    WriteResultLine(true, text, text2);
    return 1;
}

} // namespace

int CheckDocNumberFormat(ICheckHost& host) {
    const bool mendora = host.Variant() == ToolVariant::Mendora;
    const ToolStrings& strings = StringsOf(host.Variant());
    std::string output;
    if (host.RunDocTypeQuery(mendora ? kMendoraDocTypeQuery : kScrutelDocTypeQuery, output) !=
        kSqliOk) {
        host.ShowError(Ansi("自動採番フォーマットの取得に失敗しました。"));
        return Fail(Ansi(kLogLabel), output);
    }
    const CTokenList lines = SplitLines(output);
    if (lines.Count() == 0)
        return Fail(Ansi("文書タイプが見つからなかった"));
    if (IsInterpreterError(lines.At(0)))
        return Fail(Ansi("SQLエラー!! : ") + lines.At(0));

    const long count = static_cast<long>(lines.Count()) - 1; // the first line is the header
    AppendSection(host, strings.docTypeHeader, count);
    if (MendoraCheckState* kept = host.MendoraState())
        kept->DocTypeFindingCount = static_cast<int>(count);
    if (mendora && count == 0)
        return 0;
    const std::string format = host.LoadText(strings.docTypeFinding);
    for (std::size_t i = 1; i < lines.Count(); ++i) {
        const CTokenList values = SplitValues(lines.At(i));
        WriteFinding(Ansi(kLogLabel), FormatText(format, {values.At(1)}));
        if (mendora)
            host.PumpMessages();
    }
    if (mendora)
        WriteResultLine(false, OneLine(FormatText(host.LoadText(strings.docTypeHeader),
                                                  {std::to_string(count)})));
    return 0;
}
