// What differs between the two tools, gathered in one value per tool: names, resource and
// string ids, the document type statement, and how the checks behave in each. Start-up,
// the checks and the main dialogs read the profile they are given; no shared code asks
// which tool it runs in.
#pragma once

enum class Tool { Scrutel, Mendora };

struct ToolProfile {
    Tool tool;
    const char* mutexName;   // "Global\\Scrutel.exe" / "Global\\Mendora.exe": one copy per machine
    const char* logFileName; // "Scrutel.log" / "Mendora.log"
    int mainDialogId;
    int progressDialogId;

    // String ids; the two string tables hold the same texts under partly different ids.
    int idsNotInstalled;
    int idsStopQuestion;
    int idsTitle;             // the title of every message box of the tool
    int idsCheckStarted;      // "%sのデータチェックを開始しました。"
    int idsCheckFinished;     // "%sのデータチェックを終了しました。"
    int idsUserSectionHeader; // "エラーがあるユーザー情報..."
    int idsTrashSuffix;       // ", ごみ箱に入っています"
    int idsDocTypeHeader;     // "エラーがあった文書タイプ情報..."
    int idsDocTypeFinding; // "...採番フォーマット文字列が不正値NULLです。文書タイプ名(%s)"

    // The document type check's statement; the tools differ only in its white space.
    const char* docTypeQuery;

    // Mendora repairs what its checks find: its lookups cover every table the repair
    // changes (DocType and WordBook too) and read the columns the repair compares.
    bool lookupsForRepair;
    // Mendora's checks keep the windows alive themselves (messages pumped, the wait cursor
    // and the progress text set again); Scrutel's run does that between its checks.
    bool checksPumpMessages;
    // Mendora's checks close their sections with summary lines in the log.
    bool checksLogSummaries;

    const char* eventSource; // "Scrutel" / "Mendora": the tool's source in the Application log
};

extern const ToolProfile kScrutelProfile;
extern const ToolProfile kMendoraProfile;
