#include "DocNumberFormatCheck.h"

#include "Findings.h"
#include "LogFile.h"
#include "SqliQuery.h"
#include "Text.h"

const char kDocTypeLabel[] = "文書タイプ";

Outcome DocTypeFailure(ICheckHost& host, const std::string& text, const std::string& text2) {
    host.Log().Result(LogStatus::Failure, text, text2);
    return Outcome::Failed;
}

Outcome SelectNullFormats(ICheckHost& host, CTokenList& lines) {
    std::string output;
    if (host.RunDocTypeQuery(host.Profile().docTypeQuery, output) != kSqliOk) {
        host.ShowError(Ansi("自動採番フォーマットの取得に失敗しました。"));
        return DocTypeFailure(host, Ansi(kDocTypeLabel), output);
    }
    lines = SplitLines(output);
    if (lines.Count() == 0)
        return DocTypeFailure(host, Ansi("文書タイプが見つからなかった"));
    if (IsInterpreterError(lines.At(0)))
        return DocTypeFailure(host, Ansi("SQLエラー!! : ") + lines.At(0));
    return Outcome::Done;
}

Outcome CheckDocNumberFormat(ICheckHost& host, int& findingCount) {
    const ToolProfile& profile = host.Profile();
    CTokenList lines;
    if (SelectNullFormats(host, lines) != Outcome::Done)
        return Outcome::Failed;

    const long count = static_cast<long>(lines.Count()) - 1; // the first line is the header
    AppendSection(host, profile.idsDocTypeHeader, count);
    findingCount = static_cast<int>(count);
    if (count == 0)
        return Outcome::Done;
    const std::string format = host.LoadText(profile.idsDocTypeFinding);
    for (std::size_t i = 1; i < lines.Count(); ++i) {
        const CTokenList values = SplitValues(lines.At(i));
        WriteFinding(host, Ansi(kDocTypeLabel), FormatText(format, {values.At(1)}));
        if (profile.checksPumpMessages)
            host.PumpMessages();
    }
    if (profile.checksLogSummaries)
        host.Log().Result(
            LogStatus::Success,
            OneLine(FormatText(host.LoadText(profile.idsDocTypeHeader), {std::to_string(count)})));
    return Outcome::Done;
}
