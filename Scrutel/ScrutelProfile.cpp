#include "ScrutelProfile.h"

#include "ScrutelIds.h"
#include "ScrutelRes.h"

const ToolProfile kScrutelProfile = {
    Tool::Scrutel,
    "Global\\Scrutel.exe", // mutexName
    "Scrutel.log",         // logFileName
    IDD_SCRUTEL_DIALOG,
    IDD_PROGRESS,
    ScrutelIds::IDS_NOT_INSTALLED,
    ScrutelIds::IDS_STOP_QUESTION,
    ScrutelIds::IDS_TITLE,
    "Scrutel", // eventSource
};

const CheckOptions kScrutelChecks = {
    ScrutelIds::IDS_USER_SECTION_HEADER,
    ScrutelIds::IDS_TRASH_SUFFIX,
    ScrutelIds::IDS_DOC_TYPE_HEADER,
    ScrutelIds::IDS_DOC_TYPE_FINDING,
    "select DT.SN, DN.DisplayName, DT.DocNumberFormat \t\tfrom MasterDocType DT, "
    "MasterDocTypeName DN \t\twhere DT.SN = DN.DocTypeSN and (DN.Lang is null or DN.Lang = "
    "'ja') \t\t\tand DT.DocNumberFormat = 'NULL' order by DT.SN",
    false, // lookupsForRepair
    false, // logSummaries
};

const PhaseLogTexts kScrutelLogTexts = {
    ScrutelIds::IDS_CHECK_STARTED, ScrutelIds::IDS_CHECK_FINISHED, 0, 0, 0, 0};
