// Resource ids of Mendora (the shared ones: dialog/MainDialogIds.h).
#pragma once

#include "MainDialogIds.h"

#define IDD_MENDORA_DIALOG 102
#define IDD_PROGRESS 133

#define IDC_ACCOUNT_LIST 1005
#define IDC_BACK_TO_LIST 3 // "キャビネット一覧へ戻る"

// Texts of the string table (strings/Mendora.strings) that the dialog loads by id.
#define IDS_REFINE 129              // "補正実行"
#define IDS_FINISH 130              // "終了"
#define IDS_USER_DELETED 132        // "UserOrGroupのSN(%s)を削除しました..."
#define IDS_REPAIRED 143            // "以下の補正を行いました。"
#define IDS_CHECKED 144             // "データチェックを実行しました。..."
#define IDS_CABINET_HEADER 145      // "キャビネット: %s"
#define IDS_CLOSE 146               // "閉じる"
#define IDS_DELETED_USERS 148       // "削除したユーザー情報..."
#define IDS_CORRECTED_ROWS 149      // "補正したデータ..."
#define IDS_REFINE_STARTED 150      // "%sのデータ補正を開始しました。"
#define IDS_REFINE_FINISHED 151     // "%sのデータ補正を終了しました。"
#define IDS_DELETED_ROWS 152        // "削除したデータ..."
#define IDS_ROLLED_BACK 159         // "%sのデータ補正に失敗しました。..."
#define IDS_NON_TARGET_SERVERS 2103 // "対象でないｻｰﾊﾞｰが存在します。..."
#define IDS_NO_TARGET_SERVER 2203   // "対象ｻｰﾊﾞｰが設定されていません。"
#define IDS_DOC_TYPE_STARTED 2208   // "文書タイプの補正を開始しました。"
#define IDS_DOC_TYPE_ENDED 2209     // "文書タイプの補正を終了しました。"
#define IDS_DOC_TYPE_REPAIRED 2210 // "文書タイプ名(%s)の...を初期値に補正しました。"
#define IDS_CORRECTED_DOC_TYPES 2211 // "補正した文書タイプ情報..."
