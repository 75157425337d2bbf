#include "ToolProfile.h"

#include "MendoraIds.h"
#include "ScrutelIds.h"

const ToolProfile kScrutelProfile = {
    Tool::Scrutel,
    "Global\\Scrutel.exe", // mutexName
    "Scrutel.log",         // logFileName
    101,                   // mainDialogId
    135,                   // progressDialogId
    ScrutelIds::IDS_NOT_INSTALLED,
    ScrutelIds::IDS_STOP_QUESTION,
    ScrutelIds::IDS_TITLE,
    ScrutelIds::IDS_CHECK_STARTED,
    ScrutelIds::IDS_CHECK_FINISHED,
    ScrutelIds::IDS_USER_SECTION_HEADER,
    ScrutelIds::IDS_TRASH_SUFFIX,
    ScrutelIds::IDS_DOC_TYPE_HEADER,
    ScrutelIds::IDS_DOC_TYPE_FINDING,
    "select DT.SN, DN.DisplayName, DT.DocNumberFormat \t\tfrom MasterDocType DT, "
    "MasterDocTypeName DN \t\twhere DT.SN = DN.DocTypeSN and (DN.Lang is null or DN.Lang = "
    "'ja') \t\t\tand DT.DocNumberFormat = 'NULL' order by DT.SN",
    false,     // lookupsForRepair
    false,     // checksPumpMessages
    false,     // checksLogSummaries
    "Scrutel", // eventSource
};

const ToolProfile kMendoraProfile = {
    Tool::Mendora,
    "Global\\Mendora.exe", // mutexName
    "Mendora.log",         // logFileName
    102,                   // mainDialogId
    133,                   // progressDialogId
    MendoraIds::IDS_NOT_INSTALLED,
    MendoraIds::IDS_STOP_QUESTION,
    MendoraIds::IDS_TITLE,
    MendoraIds::IDS_CHECK_STARTED,
    MendoraIds::IDS_CHECK_FINISHED,
    MendoraIds::IDS_USER_SECTION_HEADER,
    MendoraIds::IDS_TRASH_SUFFIX,
    MendoraIds::IDS_DOC_TYPE_HEADER,
    MendoraIds::IDS_DOC_TYPE_FINDING,
    "select DT.SN, DN.DisplayName, DT.DocNumberFormat \t\t\t\t\t\t\t\t\tfrom MasterDocType DT, "
    "MasterDocTypeName DN \t\t\t\t\t\t\t\t\twhere DT.SN = DN.DocTypeSN and (DN.Lang is null or "
    "DN.Lang = 'ja') \t\t\t\t\t\t\t\t\t\tand DT.DocNumberFormat = 'NULL' order by DT.SN",
    true,      // lookupsForRepair
    true,      // checksPumpMessages
    true,      // checksLogSummaries
    "Mendora", // eventSource
};
