#include "DocNumberFormatCheck.h"

#include "Findings.h"
#include "SqliQuery.h"
#include "Text.h"

const char kDocTypeLabel[] = "文書タイプ";

Outcome DocTypeFailure(ICheckHost& host, const std::string& text, const std::string& text2,
                       const std::string& shown) {
    RunFailure failure;
    failure.shown = shown;
    failure.logText = text;
    failure.logText2 = text2;
    host.Events().Failed(failure);
    return Outcome::Failed;
}

Outcome SelectNullFormats(ICheckHost& host, CTokenList& lines) {
    std::string output;
    if (host.RunDocTypeQuery(host.Options().docTypeQuery, output) != kSqliOk)
        return DocTypeFailure(host, Ansi(kDocTypeLabel), output,
                              Ansi("自動採番フォーマットの取得に失敗しました。"));
    lines = SplitLines(output);
    if (lines.Count() == 0)
        return DocTypeFailure(host, Ansi("文書タイプが見つからなかった"));
    if (IsInterpreterError(lines.At(0)))
        return DocTypeFailure(host, Ansi("SQLエラー!! : ") + lines.At(0));
    return Outcome::Done;
}

Outcome CheckDocNumberFormat(ICheckHost& host, int& findingCount) {
    const CheckOptions& options = host.Options();
    CTokenList lines;
    if (SelectNullFormats(host, lines) != Outcome::Done)
        return Outcome::Failed;

    const long count = static_cast<long>(lines.Count()) - 1; // the first line is the header
    AppendSection(host, options.idsDocTypeHeader, count);
    findingCount = static_cast<int>(count);
    if (count == 0)
        return Outcome::Done;
    const std::string format = host.LoadText(options.idsDocTypeFinding);
    for (std::size_t i = 1; i < lines.Count(); ++i) {
        const CTokenList values = SplitValues(lines.At(i));
        host.Events().Finding(Ansi(kDocTypeLabel), FormatText(format, {values.At(1)}));
        host.YieldNow();
    }
    if (options.logSummaries)
        host.Events().Summarised(
            FormatText(host.LoadText(options.idsDocTypeHeader), {std::to_string(count)}));
    return Outcome::Done;
}
