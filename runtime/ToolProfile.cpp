#include "ToolProfile.h"

const ToolProfile kScrutelProfile = {
    Tool::Scrutel,
    "Global\\Scrutel.exe", // mutexName
    "Scrutel.log",         // logFileName
    101,                   // mainDialogId
    135,                   // progressDialogId
    128,                   // idsNotInstalled
    131,                   // idsStopQuestion
    132,                   // idsTitle
    129,                   // idsCheckStarted
    130,                   // idsCheckFinished
    119,                   // idsUserSectionHeader
    127,                   // idsTrashSuffix
    125,                   // idsDocTypeHeader
    118,                   // idsDocTypeFinding
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
    126,                   // idsNotInstalled
    154,                   // idsStopQuestion
    153,                   // idsTitle
    127,                   // idsCheckStarted
    128,                   // idsCheckFinished
    118,                   // idsUserSectionHeader
    125,                   // idsTrashSuffix
    2206,                  // idsDocTypeHeader
    2207,                  // idsDocTypeFinding
    "select DT.SN, DN.DisplayName, DT.DocNumberFormat \t\t\t\t\t\t\t\t\tfrom MasterDocType DT, "
    "MasterDocTypeName DN \t\t\t\t\t\t\t\t\twhere DT.SN = DN.DocTypeSN and (DN.Lang is null or "
    "DN.Lang = 'ja') \t\t\t\t\t\t\t\t\t\tand DT.DocNumberFormat = 'NULL' order by DT.SN",
    true,      // lookupsForRepair
    true,      // checksPumpMessages
    true,      // checksLogSummaries
    "Mendora", // eventSource
};
