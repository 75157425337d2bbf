#include "UserRepair.h"

#include "UndoJournal.h"

#include "Findings.h"
#include "MendoraRes.h"
#include "StringIds.h"
#include "Text.h"

#include <cstring>

namespace {

constexpr int kRowsPerRefresh = 100;

const RelatedRecordLookup& Lookup(const char* table) {
    for (const RelatedRecordLookup& lookup : RelatedRecordLookups())
        if (std::strcmp(lookup.table, table) == 0)
            return lookup;
    return RelatedRecordLookups().front(); // not reached: every table below has its lookup
}

// Whether a result whose changes are about to be sent holds exactly as many rows as the
// server counted, so that no value can have forged a row of its own.
bool HasExactRows(std::string_view text, long count) {
    long rows = 0;
    for (CRowReader row(text); row.Next();)
        ++rows;
    return rows == count;
}

// Shown and logged as it is.
Outcome TellFailure(ICheckHost& host, const std::string& text) {
    RunFailure failure;
    failure.shown = text;
    failure.logText = text;
    host.Events().Failed(failure);
    return Outcome::Failed;
}

} // namespace

const char kHeirQuery[] =
    "Select SN From UserOrGroup where (SN = %s) and (UserType = 0) and (Not UserSpace = '') "
    "And (UserID LIKE '[A-Z]%%') and (Not UserID = '')";

std::string ChangedTable(const RelatedRecordRepair::Change& change) {
    std::string_view statement = change.statement; // "update T set ..." or "delete from T ..."
    for (const std::string_view verb : {"update ", "delete from "})
        if (statement.substr(0, verb.size()) == verb) {
            statement.remove_prefix(verb.size());
            return std::string(statement.substr(0, statement.find(' ')));
        }
    return {};
}

std::string ChangedColumn(const RelatedRecordRepair::Change& change) {
    const std::string_view statement = change.statement;
    const std::size_t set = statement.find(" set ");
    if (set == std::string_view::npos)
        return {};
    const std::size_t start = set + 5;
    return std::string(statement.substr(start, statement.find('=', start) - start));
}

JournalScope RepairJournalScope() {
    JournalScope scope;
    scope.deletedTables.insert("UserOrGroup");
    for (const RelatedRecordRepair& repair : RelatedRecordRepairs())
        for (const RelatedRecordRepair::Change& change : repair.changes) {
            if (repair.deletes)
                scope.deletedTables.insert(ChangedTable(change));
            else
                scope.changedColumns.insert({ChangedTable(change), ChangedColumn(change)});
        }
    scope.plannedColumns = {{"MasterDocType", "DocNumberFormat"}};
    return scope;
}

std::string AccountDisplayName(const Account& account) {
    return account.domainName.empty() ? account.accountName
                                      : account.accountName + "@" + account.domainName;
}

const std::vector<RelatedRecordRepair>& RelatedRecordRepairs() {
    using Change = RelatedRecordRepair::Change;
    const auto update = [](const char* table, int messageId, const char* statement) {
        return RelatedRecordRepair{&Lookup(table), {Change{-1, messageId, statement}}, false};
    };
    static const std::vector<RelatedRecordRepair> repairs = {
        update("Container", IDS_CONTAINER_REPAIRED,
               "update Container set CreateUserSN=%s where (CreateUserSN = %s)"),
        // A document the user both created and reserved is logged twice and counted once.
        {&Lookup("ConfigurationHistory"),
         {Change{2, IDS_CONFIGURATION_CREATOR_REPAIRED,
                 "update ConfigurationHistory set CreateUserSN=%s where (CreateUserSN = %s)"},
          Change{3, IDS_CONFIGURATION_RESERVER_REPAIRED,
                 "update ConfigurationHistory set ReserveUserSN=%s where (ReserveUserSN = %s)"}},
         false},
        update("Shortcut", IDS_SHORTCUT_REPAIRED,
               "update Shortcut set CreateUserSN=%s where (CreateUserSN = %s)"),
        update("ReferenceRelationship", IDS_REFERENCE_REPAIRED,
               "update ReferenceRelationShip set CreateUserSN=%s where (CreateUserSN = %s)"),
        update("VersionSeries", IDS_VERSION_SERIES_REPAIRED,
               "update VersionSeries set ReserveUserSN=%s where (ReserveUserSN = %s)"),
        update("VersionDescription", IDS_VERSION_DESCRIPTION_REPAIRED,
               "update VersionDescription set CheckInUserSN=%s where (CheckInUserSN = %s)"),
        update("DocVersion", IDS_DOC_VERSION_REPAIRED,
               "update DocVersion set UpdateUserSN=%s where (UpdateUserSN = %s)"),
        update("DocType", IDS_DOC_TYPE_CREATOR_REPAIRED,
               "update DocType set CreateUserSN=%s where (CreateUserSN = %s)"),
        update("WordBook", IDS_WORD_BOOK_REPAIRED,
               "update WordBook set CreateUserSN=%s where (CreateUserSN = %s)"),
        {&Lookup("AccessControlList"),
         {Change{-1, IDS_ACCESS_CONTROL_DELETED,
                 "delete from AccessControlList where (UserSN = %s)"}},
         true},
        {&Lookup("SearchRight"),
         {Change{-1, IDS_SEARCH_RIGHT_DELETED, "delete from SearchRight where (UserSN = %s)"}},
         true},
    };
    return repairs;
}

Outcome CheckHeir(ICheckHost& host, CSqlServerSession session, const Account& heir) {
    std::string text;
    long count = 0;
    if (!IsDecimalNumber(heir.sn) ||
        session.ExecuteQuery(FormatText(kHeirQuery, {heir.sn}), text, count) != Outcome::Done ||
        count != 1 || !HasExactRows(text, count)) {
        const std::string why = FormatText(host.LoadText(IDS_HEIR_INVALID), {heir.sn});
        return TellFailure(host, why);
    }
    return Outcome::Done;
}

Outcome DeleteInvalidUsers(ICheckHost& host, const std::string& cabinetName,
                           CSqlServerSession session, const std::vector<std::string>& checked,
                           IRepairRecord& record) {
    host.YieldNow();
    std::string text;
    long count = 0;
    if (session.ExecuteQuery(kSuspectUserQuery, text, count) != Outcome::Done ||
        (count > 0 && !HasExactRows(text, count)))
        return ShowFailure(host, Ansi("UserOrGroupの取得に失敗しました。"));
    // The users deleted are those whose records are handed over: the check's.
    std::vector<std::string> found;
    for (CRowReader user(text); count > 0 && user.Next();)
        found.emplace_back(user.Column(0));
    if (found != checked)
        return TellFailure(host, FormatText(host.LoadText(IDS_DATA_CHANGED), {cabinetName}));
    if (count == 0)
        return Outcome::Done;
    // An SN goes into the statement unquoted: a user whose SN is not a number fails the
    // deletion as a server error would, before anything is sent.
    for (const std::string& sn : found)
        if (!IsDecimalNumber(sn))
            return Outcome::Failed;
    const std::string format = host.LoadText(IDS_USER_DELETED);
    std::size_t i = 0;
    for (CRowReader user(text); user.Next(); ++i) {
        host.Events().ChangeMade(cabinetName,
                                 FormatText(format, {user.Column(0), user.Column(2), user.Column(4),
                                                     user.Column(1), user.Column(3)}));
        if (i % kRowsPerRefresh == 0)
            host.YieldNow();
        const std::string condition = FormatText("(SN = %s)", {user.Column(0)});
        if (record.BeforeDelete("UserOrGroup", condition) != Outcome::Done ||
            session.ExecuteStatement("delete from UserOrGroup where " + condition) != Outcome::Done)
            return Outcome::Failed;
    }
    const std::string section =
        FormatText(host.LoadText(IDS_DELETED_USERS), {std::to_string(count)});
    host.Events().ReportAppended(section);
    host.Events().Summarised(section);
    return Outcome::Done;
}

Outcome RunRelatedRecordRepair(ICheckHost& host, const RelatedRecordRepair& repair,
                               const std::string& cabinetName, CSqlServerSession session,
                               const std::string& userSN, const Account& replacement,
                               RepairCounters& counters, IRepairRecord& record) {
    const RelatedRecordLookup& lookup = *repair.lookup;
    host.YieldNow();
    // SNs go into the statements unquoted: one that is not a number fails the repair as a
    // server error would, before anything is sent.
    if (!IsDecimalNumber(userSN))
        return ShowFailure(host, Ansi(lookup.failureText));
    if (!repair.deletes && !IsDecimalNumber(replacement.sn))
        return Outcome::Failed;
    std::string text;
    long count = 0;
    if (session.ExecuteQuery(LookupStatement(lookup, host.Options(), userSN), text, count) !=
            Outcome::Done ||
        (count > 0 && !HasExactRows(text, count)))
        return ShowFailure(host, Ansi(lookup.failureText));
    if (count == 0)
        return Outcome::Done;
    (repair.deletes ? counters.DeletedRowCount : counters.CorrectedRowCount) +=
        static_cast<int>(count);

    const std::string displayName = AccountDisplayName(replacement);
    std::vector<std::string> formats;
    for (const RelatedRecordRepair::Change& change : repair.changes)
        formats.push_back(host.LoadText(change.messageId));
    // Kept from one row to the next: a row costs no allocation once they have grown.
    std::vector<std::string_view> arguments;
    std::string message;
    std::size_t i = 0;
    for (CRowReader row(text); row.Next(); ++i) {
        RowFields(lookup, userSN, row, arguments);
        if (!repair.deletes) {
            arguments.push_back(replacement.sn);
            arguments.push_back(displayName);
        }
        for (std::size_t c = 0; c < repair.changes.size(); ++c) {
            const int cell = repair.changes[c].cell;
            if (cell < 0 || row.Column(static_cast<std::size_t>(cell)) == userSN) {
                FormatText(formats[c], arguments, message);
                host.Events().ChangeMade(cabinetName, message);
                if (!repair.deletes &&
                    record.BeforeChange(ChangedTable(repair.changes[c]), std::string(row.Column(0)),
                                        ChangedColumn(repair.changes[c]), userSN,
                                        replacement.sn) != Outcome::Done)
                    return Outcome::Failed;
            }
        }
        if (i % kRowsPerRefresh == 0)
            host.YieldNow();
    }
    for (const RelatedRecordRepair::Change& change : repair.changes) {
        if (repair.deletes &&
            record.BeforeDelete(ChangedTable(change), FormatText("(UserSN = %s)", {userSN})) !=
                Outcome::Done)
            return Outcome::Failed;
        const std::string statement = repair.deletes
                                          ? FormatText(change.statement, {userSN})
                                          : FormatText(change.statement, {replacement.sn, userSN});
        if (session.ExecuteStatement(statement) != Outcome::Done)
            return Outcome::Failed;
    }
    return Outcome::Done;
}
