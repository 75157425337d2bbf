#include "MendoraProfile.h"

#include "MendoraIds.h"
#include "MendoraRes.h"

const ToolProfile kMendoraProfile = {
    Tool::Mendora,
    "Global\\Mendora.exe", // mutexName
    "Mendora.log",         // logFileName
    IDD_MENDORA_DIALOG,
    IDD_PROGRESS,
    MendoraIds::IDS_NOT_INSTALLED,
    MendoraIds::IDS_STOP_QUESTION,
    MendoraIds::IDS_TITLE,
    "Mendora", // eventSource
};

// Mendora repairs what its checks find: its lookups read what the repair changes, and its
// sections close with summary lines in the log.
const CheckOptions kMendoraChecks = {
    MendoraIds::IDS_USER_SECTION_HEADER,
    MendoraIds::IDS_TRASH_SUFFIX,
    MendoraIds::IDS_DOC_TYPE_HEADER,
    MendoraIds::IDS_DOC_TYPE_FINDING,
    "select DT.SN, DN.DisplayName, DT.DocNumberFormat \t\t\t\t\t\t\t\t\tfrom MasterDocType DT, "
    "MasterDocTypeName DN \t\t\t\t\t\t\t\t\twhere DT.SN = DN.DocTypeSN and (DN.Lang is null or "
    "DN.Lang = 'ja') \t\t\t\t\t\t\t\t\t\tand DT.DocNumberFormat = 'NULL' order by DT.SN",
    true, // lookupsForRepair
    true, // logSummaries
};

const PhaseLogTexts kMendoraLogTexts = {
    MendoraIds::IDS_CHECK_STARTED, MendoraIds::IDS_CHECK_FINISHED, IDS_REFINE_STARTED,
    IDS_REFINE_FINISHED,           IDS_DOC_TYPE_STARTED,           IDS_DOC_TYPE_ENDED};
