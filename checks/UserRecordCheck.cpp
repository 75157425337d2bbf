#include "UserRecordCheck.h"

#include "Findings.h"
#include "StringIds.h"
#include "Text.h"

const char kSuspectUserQuery[] =
    "Select SN, AccountName, UserID, DomainName, UserSpace From UserOrGroup where (UserSpace "
    "Is NULL) or (UserSpace = '') or  (UserID NOT LIKE '[A-Z]%%') or (UserID Is NULL) or "
    "(UserID = '') order by SN";

namespace {

using Shows = RelatedRecordLookup::Shows;

} // namespace

void RowFields(const RelatedRecordLookup& lookup, std::string_view userSN, const CRowReader& row,
               std::vector<std::string_view>& fields) {
    fields.clear();
    fields.push_back(userSN);
    fields.push_back(row.Column(0));
    switch (lookup.shows) {
    case Shows::Reference:
        fields.push_back(row.Column(2));
        fields.push_back(row.Column(1));
        break;
    case Shows::VersionSeries:
        fields.push_back(row.Column(1));
        break;
    case Shows::VersionDescription:
        fields.push_back(row.Column(1));
        fields.push_back(row.Column(3));
        break;
    case Shows::Trash:
    case Shows::SerialNumber:
        break;
    }
}

const std::vector<RelatedRecordLookup>& RelatedRecordLookups() {
    static const std::vector<RelatedRecordLookup> lookups = {
        {"Container", "SN, IsTrash", nullptr, "Container where (CreateUserSN = %s) order by SN",
         IDS_RELATED_CONTAINER, "Containerの取得に失敗しました。", Shows::Trash, false},
        {"ConfigurationHistory", "SN, IsTrash", "SN, IsTrash, CreateUserSN, ReserveUserSN",
         "ConfigurationHistory where (CreateUserSN = %s)  or (ReserveUserSN = %s) order by SN",
         IDS_RELATED_CONFIGURATION_HISTORY, "ConfigurationHistoryの取得に失敗しました。",
         Shows::Trash, false},
        {"Shortcut", "SN, IsTrash", nullptr, "Shortcut where (CreateUserSN = %s)",
         IDS_RELATED_SHORTCUT, "Shortcutの取得に失敗しました。", Shows::Trash, false},
        {"ReferenceRelationship", "SN, HeadConfigurationHistorySN, TailConfigurationHistorySN",
         nullptr, "ReferenceRelationship where (CreateUserSN = %s) order by SN",
         IDS_RELATED_REFERENCE, "ReferenceRelationShipの取得に失敗しました。", Shows::Reference,
         false},
        {"VersionSeries", "SN,ConfigurationHistorySN", nullptr,
         "VersionSeries where (ReserveUserSN = %s)", IDS_RELATED_VERSION_SERIES,
         "VersionSeriesの取得に失敗しました。", Shows::VersionSeries, false},
        {"VersionDescription", "SN, VersionSeriesSN, DocVersionSN, VersionNumber", nullptr,
         "VersionDescription where (CheckInUserSN = %s) order by SN",
         IDS_RELATED_VERSION_DESCRIPTION, "VersionDescriptionの取得に失敗しました。",
         Shows::VersionDescription, false},
        {"DocVersion", "SN", nullptr, "DocVersion where (UpdateUserSN = %s) order by SN",
         IDS_RELATED_DOC_VERSION, "DocVersionの取得に失敗しました。", Shows::SerialNumber, false},
        {"DocType", "SN", nullptr, "DocType where (CreateUserSN = %s) order by SN",
         IDS_RELATED_DOC_TYPE, "DocTypeの取得に失敗しました。", Shows::SerialNumber, true},
        {"WordBook", "SN", nullptr, "WordBook where (CreateUserSN = %s) order by SN",
         IDS_RELATED_WORD_BOOK, "WordBookの取得に失敗しました。", Shows::SerialNumber, true},
        {"AccessControlList", "SN", nullptr, "AccessControlList where (UserSN = %s) order by SN",
         IDS_RELATED_ACCESS_CONTROL, "AccessControlの取得に失敗しました。", Shows::SerialNumber,
         false},
        {"SearchRight", "SN", nullptr, "SearchRight where (UserSN = %s) order by SN",
         IDS_RELATED_SEARCH_RIGHT, "SearchRightの取得に失敗しました。", Shows::SerialNumber, false},
    };
    return lookups;
}

std::string LookupStatement(const RelatedRecordLookup& lookup, const CheckOptions& options,
                            const std::string& userSN) {
    const char* columns = options.lookupsForRepair && lookup.repairColumns != nullptr
                              ? lookup.repairColumns
                              : lookup.columns;
    return FormatText("select %s from %s",
                      {columns, FormatText(lookup.fromClause, {userSN, userSN})});
}

Outcome RunRelatedRecordLookup(ICheckHost& host, const RelatedRecordLookup& lookup,
                               const std::string& shortName, CSqlServerSession session,
                               const std::string& userSN, int& relatedCount) {
    // An SN goes into the statement unquoted: only a decimal number may. Anything else
    // fails the lookup as a server error would, and nothing is sent.
    std::string text;
    long rows = 0;
    if (!IsDecimalNumber(userSN) ||
        session.ExecuteQuery(LookupStatement(lookup, host.Options(), userSN), text, rows) !=
            Outcome::Done)
        return ShowFailure(host, Ansi(lookup.failureText));
    if (rows == 0)
        return Outcome::Done;
    const std::string format = host.LoadText(lookup.messageId);
    const std::string trashSuffix = lookup.shows == Shows::Trash ? TrashSuffix(host) : "";
    // Kept from one row to the next: a row costs no allocation once they have grown.
    std::vector<std::string_view> arguments;
    std::string message;
    std::size_t index = 0;
    for (CRowReader row(text); row.Next(); ++index) {
        RowFields(lookup, userSN, row, arguments);
        if (lookup.shows == Shows::Trash)
            arguments.push_back(IsInTrash(row.Column(1)) ? std::string_view(trashSuffix)
                                                         : std::string_view());
        FormatText(format, arguments, message);
        host.Events().Finding(shortName, message);
        if (index % 100 == 0)
            host.YieldNow();
        ++relatedCount;
    }
    return Outcome::Done;
}

Outcome CheckUserRecords(ICheckHost& host, const CabinetRecord& cabinet, CSqlServerSession session,
                         UserCheckResult& found) {
    const std::string shortName = cabinet.shortName;
    const CheckOptions& options = host.Options();
    found = UserCheckResult();
    std::string text;
    long count = 0;
    if (session.ExecuteQuery(kSuspectUserQuery, text, count) != Outcome::Done)
        return ShowFailure(host, Ansi("UserOrGroupの取得に失敗しました。"));
    AppendSection(host, options.idsUserSectionHeader, count);
    found.InvalidUserCount = static_cast<int>(count);
    if (count == 0)
        return Outcome::Done;

    for (CRowReader user(text); user.Next();) {
        const std::string sn(user.Column(0));
        const std::string_view account = user.Column(1);
        const std::string_view userId = user.Column(2);
        const std::string_view userSpace = user.Column(4);
        const std::string message =
            userSpace.empty()
                ? FormatText(host.LoadText(IDS_BAD_USER_SPACE), {sn, userSpace, account})
                : FormatText(host.LoadText(IDS_BAD_USER_ID), {sn, userId, account});
        host.Events().Finding(shortName, message);
        host.YieldNow();
        for (const RelatedRecordLookup& lookup : RelatedRecordLookups()) {
            if (lookup.repairOnly && !options.lookupsForRepair)
                continue;
            if (RunRelatedRecordLookup(host, lookup, shortName, session, sn,
                                       found.RelatedRecordCount) != Outcome::Done)
                return Outcome::Failed;
            host.YieldNow();
        }
        found.InvalidUserSNs.push_back(sn);
    }
    if (options.logSummaries) {
        host.Events().Summarised(
            FormatText(host.LoadText(options.idsUserSectionHeader), {std::to_string(count)}));
        const std::string related = FormatText(host.LoadText(IDS_RELATED_HEADER),
                                               {std::to_string(found.RelatedRecordCount)});
        host.Events().ReportAppended(related);
        host.Events().Summarised(related);
    }
    return Outcome::Done;
}
