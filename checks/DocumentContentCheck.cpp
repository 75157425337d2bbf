#include "DocumentContentCheck.h"

#include "Findings.h"
#include "StringIds.h"
#include "Text.h"

const std::vector<DocumentContentCheck>& DocumentContentChecks() {
    static const std::vector<DocumentContentCheck> checks = {
        {"SectionCountCheck",
         "select CH.SN as 文書番号, CH.SectionCount as セクション数,IsTrash as ごみ箱 "
         "\t\tfrom ConfigurationHistory as CH \t\twhere CH.SectionCount > 200 "
         "order by CH.SN",
         IDS_SECTION_COUNT_HEADER, IDS_TOO_MANY_SECTIONS, "セクション数の取得に失敗しました。", 2,
         false},
        {"ZeroByteSectionCheck",
         "select CH.SN as 文書番号, VD.VersionNumber as バージョン番号, CE.ListIndex + 1 "
         "as セクション番号, CE.StreamFormat as 拡張子, CH.IsTrash as ごみ箱 \t\tfrom "
         "ContentElement as CE, Rendition as RE, VersionDescription as VD, "
         "VersionSeries as VS, ConfigurationHistory as CH \t\twhere "
         "CE.StreamSize = 0 and RE.SN = CE.RenditionSN and RE.RenditionType = "
         "'Halvik-Primary' and VD.DocVersionSN = RE.DocVersionSN and VS.SN = "
         "VD.VersionSeriesSN and CH.SN = VS.ConfigurationHistorySN order by "
         "CH.SN, CE.SN",
         IDS_ZERO_BYTE_HEADER, IDS_ZERO_BYTE_SECTION, "セクションサイズの取得に失敗しました。", 4,
         false},
        {"OversizedSectionCheck",
         "select CH.SN as 文書番号, VD.VersionNumber as バージョン番号, CE.ListIndex + 1 "
         "as セクション番号, CE.StreamFormat as 拡張子, CE.StreamSize as セクションサイズ, "
         "CH.IsTrash as ごみ箱 \t\tfrom ContentElement as CE, Rendition as RE, "
         "VersionDescription as VD, VersionSeries as VS, ConfigurationHistory "
         "as CH \t\twhere CE.StreamSize > 104857600 and RE.SN = CE.RenditionSN "
         "and RE.RenditionType = 'Halvik-Primary' and VD.DocVersionSN = "
         "RE.DocVersionSN and VS.SN = VD.VersionSeriesSN and CH.SN = "
         "VS.ConfigurationHistorySN order by CH.SN, CE.SN",
         IDS_OVERSIZED_HEADER, IDS_OVERSIZED_SECTION, "セクションサイズの取得に失敗しました。", 5,
         false},
        {"CheckedOutDocumentCheck",
         "select CH.SN as 文書番号, UOG.AccountName as チェックアウトユーザ, UOG.DomainName "
         "as ドメイン, VS.ReserveDate as チェックアウト日時, CH.IsTrash as ごみ箱 \t\tfrom "
         "UserOrGroup as UOG, VersionSeries as VS, ConfigurationHistory as CH "
         "\t\twhere CH.ReserveUserSN is not NULL and CH.SN = "
         "VS.ConfigurationHistorySN and UOG.SN = CH.ReserveUserSN order by CH.SN",
         IDS_CHECKED_OUT_HEADER, IDS_CHECKED_OUT, "チェックアウト数の取得に失敗しました。", 4,
         true},
        {"UnsupportedExtensionCheck",
         "select CH.SN as 文書番号, VD.VersionNumber as バージョン番号, CE.ListIndex + 1 "
         "as セクション番号, CE.StreamFormat as 拡張子, CH.IsTrash as ごみ箱 \t\tfrom "
         "ContentElement as CE, Rendition as RE, VersionDescription as VD, "
         "VersionSeries as VS, ConfigurationHistory as CH \t\twhere (not "
         "CE.StreamFormat in ('.doc', '.rtf', '.docx', '.docm', '.ppt', "
         "'.pptx', '.pptm', '.xls', '.xlsx', '.xlsm', '.csv', '.vsd', '.txt', "
         "'.text', '.pdf', '.bmp', '.tiff', '.tif', '.jpeg', '.jpg', '.jpe', "
         "'.png')) and RE.SN = CE.RenditionSN and RE.RenditionType = "
         "'Halvik-Primary' and VD.DocVersionSN = RE.DocVersionSN and VS.SN = "
         "VD.VersionSeriesSN and CH.SN = VS.ConfigurationHistorySN order by "
         "CH.SN, CE.SN",
         IDS_UNSUPPORTED_EXTENSION_HEADER, IDS_UNSUPPORTED_EXTENSION,
         "対象外拡張子の取得に失敗しました。", 4, false},
    };
    return checks;
}

Outcome RunDocumentContentCheck(ICheckHost& host, const DocumentContentCheck& check,
                                const CabinetRecord& cabinet, CSqlServerSession session) {
    const std::string shortName = cabinet.shortName;
    std::string text;
    long count = 0;
    if (session.ExecuteQuery(Ansi(check.statement), text, count) != Outcome::Done) {
        return ShowFailure(host, Ansi(check.failureText));
    }
    AppendSection(host, check.headerId, count);
    if (count == 0)
        return Outcome::Done;
    const std::string format = host.LoadText(check.messageId);
    const std::string trashSuffix = TrashSuffix(host);
    // Kept from one row to the next: a row costs no allocation once they have grown.
    std::vector<std::string_view> arguments;
    std::string user, message;
    for (CRowReader row(text); row.Next();) {
        arguments.clear();
        if (check.showsCheckOutUser) {
            // account name, or account@domain when the domain is known
            user = row.Column(1);
            if (const std::string_view domain = row.Column(2); !domain.empty())
                (user += '@') += domain;
            arguments.push_back(row.Column(0));
            arguments.push_back(user);
            arguments.push_back(row.Column(3));
        } else {
            for (int position = 0; position < check.trashColumn; ++position)
                arguments.push_back(row.Column(static_cast<std::size_t>(position)));
        }
        arguments.push_back(IsInTrash(row.Column(static_cast<std::size_t>(check.trashColumn)))
                                ? std::string_view(trashSuffix)
                                : std::string_view());
        FormatText(format, arguments, message);
        host.Events().Finding(shortName, message);
    }
    return Outcome::Done;
}
