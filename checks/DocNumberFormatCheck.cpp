#include "DocNumberFormatCheck.h"

#include "Findings.h"
#include "LogFile.h"
#include "SqliQuery.h"
#include "Text.h"

const char kDocTypeLabel[] = "文書タイプ";

int DocTypeFailure(const std::string& text, const std::string& text2) {
    WriteResultLine(true, text, text2);
    return 1;
}

int SelectNullFormats(ICheckHost& host, CTokenList& lines) {
    std::string output;
    if (host.RunDocTypeQuery(host.Profile().docTypeQuery, output) != kSqliOk) {
        host.ShowError(Ansi("自動採番フォーマットの取得に失敗しました。"));
        return DocTypeFailure(Ansi(kDocTypeLabel), output);
    }
    lines = SplitLines(output);
    if (lines.Count() == 0)
        return DocTypeFailure(Ansi("文書タイプが見つからなかった"));
    if (IsInterpreterError(lines.At(0)))
        return DocTypeFailure(Ansi("SQLエラー!! : ") + lines.At(0));
    return 0;
}

int CheckDocNumberFormat(ICheckHost& host, int& findingCount) {
    const ToolProfile& profile = host.Profile();
    CTokenList lines;
    if (SelectNullFormats(host, lines) != 0)
        return 1;

    const long count = static_cast<long>(lines.Count()) - 1; // the first line is the header
    AppendSection(host, profile.idsDocTypeHeader, count);
    findingCount = static_cast<int>(count);
    if (count == 0)
        return 0;
    const std::string format = host.LoadText(profile.idsDocTypeFinding);
    for (std::size_t i = 1; i < lines.Count(); ++i) {
        const CTokenList values = SplitValues(lines.At(i));
        WriteFinding(Ansi(kDocTypeLabel), FormatText(format, {values.At(1)}));
        if (profile.checksPumpMessages)
            host.PumpMessages();
    }
    if (profile.checksLogSummaries)
        WriteResultLine(false, OneLine(FormatText(host.LoadText(profile.idsDocTypeHeader),
                                                  {std::to_string(count)})));
    return 0;
}
