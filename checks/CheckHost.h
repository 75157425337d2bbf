// What a check needs from the run that calls it: the tool's texts and check options, the
// document-type interpreter, the events it tells what it finds, and a moment for whoever
// waits on the run (a window's messages). What a check found for later phases it returns
// to its caller; it keeps nothing in the host.
#pragma once

#include "Outcome.h"
#include "RunEvents.h"

#include <cstdint>
#include <string>

// How a tool's checks behave; each tool passes its own (Scrutel/ScrutelProfile.cpp,
// Mendora/MendoraProfile.cpp).
struct CheckOptions {
    int idsUserSectionHeader; // "エラーがあるユーザー情報..."
    int idsTrashSuffix;       // ", ごみ箱に入っています"
    int idsDocTypeHeader;     // "エラーがあった文書タイプ情報..."
    int idsDocTypeFinding; // "...採番フォーマット文字列が不正値NULLです。文書タイプ名(%s)"
    // The document type check's statement; the tools differ only in its white space.
    const char* docTypeQuery;
    // The lookups of a tool that repairs what they find cover every table the repair
    // changes (DocType and WordBook too) and read the columns the repair compares.
    bool lookupsForRepair;
    // The sections of the user and document type checks close with summary lines.
    bool logSummaries;
};

class ICheckHost {
public:
    virtual ~ICheckHost() = default;
    virtual const CheckOptions& Options() const = 0;
    // A text of the tool's string table, in the ANSI code page.
    virtual std::string LoadText(int id) const = 0;
    // Runs one statement on the document-type database (through the interpreter): its
    // status and output as the interpreter query gives them.
    virtual std::uint32_t RunDocTypeQuery(const std::string& statement, std::string& output) = 0;
    virtual IRunEvents& Events() = 0;
    // Called between rows and users of a long check: whoever waits on the run may answer
    // its window's messages.
    virtual void YieldNow() = 0;
};
