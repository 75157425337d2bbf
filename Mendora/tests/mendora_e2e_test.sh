#!/usr/bin/env bash
# Mendora under Wine, driven through its windows as an administrator would, on the demo
# installation and its SQL Server stand-in (started by scripts/test):
#   check-and-accounts  営業部 checked: the report on screen byte for byte, its findings in
#                       Mendora.log, 補正実行 shows the valid accounts, button 2 ends the
#                       dialog, the storage service off while it is open and back after it
#   repair              営業部 repaired for 管理者: the report, the log, the cabinet's tables
#                       and the document types afterwards
#   doc-types-only      空のキャビネット has only document type errors: 補正実行 repairs
#                       them at once, without an account list or a transaction
#   repair-fails        a statement of the transaction fails: the cabinet is as before and
#                       the report and the log say that nothing was changed
#   repair-holds-session  the end of the user's session is refused while the transaction
#                       is open
#   repair-killed       Mendora killed in the middle of its transaction: the cabinet is as
#                       before, and the next tool to start gives the service back
#   repair-undo         営業部 repaired through the dialog, then Mendora.exe /undo on the
#                       repair's journal: the cabinet's tables and the document types as before
#   mendora_e2e_test.sh BUILD_DIR CASE
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../testbed/uidriver/drive.sh" "$@"
title=$mendora_title
doc_types=("$WINEPREFIX/drive_c/Velmora/data/ZqlDocType.sqlite"
    "$WINEPREFIX/drive_c/Velmora/Zeph5/data/ZqlDocType.sqlite")

# Checks the cabinet of a row and waits for the check result. Starts the report and log
# expectations of that cabinet ($work/report-expected.txt, $work/log-expected.txt).
check_cabinet() { # row name expected-name
    ui listview-select "$title" 1000 "$1" >/dev/null || fail "could not select $2"
    ui click "$title" 1 >/dev/null || fail "could not click OK"
    sleep 0.5
    wait_enabled "$title" 2 60
    {
        printf '%s\n' "データチェックを実行しました。" "補正を行うには、[補正実行]を押してください。" \
            "$report_separator" "" "キャビネット: $2" ""
        expected_part "mendora-$3.txt" report
        expected_part mendora-doctypes.txt report
        printf '%s\n' "$report_separator" "" ""
    } >"$work/report-expected.txt"
    {
        echo "【Success】,$2のデータチェックを開始しました。,,,"
        expected_part "mendora-$3.txt" log
        echo "【Success】,文書タイプのデータチェックを開始しました。,,,"
        expected_part mendora-doctypes.txt log
        echo "【Success】,文書タイプのデータチェックを終了しました。,,,"
        echo "【Success】,$2のデータチェックを終了しました。,,,"
    } >"$work/log-expected.txt"
}

# The document type repair of the demo's five findings, as the log tells it.
doc_type_repair_log() {
    echo "【Success】,文書タイプの補正を開始しました。,,,"
    expected_part mendora-doctypes.txt log | grep -F '文書タイプ名(' |
        sed 's/.*文書タイプ名(\(.*\)),,$/【Success】,文書タイプ,文書タイプ名(\1)のDocNumberFormatを初期値に補正しました。,,/'
    echo "【Success】,補正した文書タイプ情報 文書タイプ数：5  ,,,"
    echo "【Success】,文書タイプの補正を終了しました。,,,"
}

# The line of the report and the log that names the undo journal the last repair wrote.
journal_named() {
    local folder
    folder="$(dirname "$mendora")/UndoJournals"
    echo "補正を取り消すための記録: $(winepath -w "$folder/$(ls -t "$folder" | head -n 1)" | tr -d '\r')"
}

# Presses a button and waits for the end of the repair run it starts.
run_repair() { # button what
    ui click "$title" "$1" >/dev/null || fail "could not click $2"
    sleep 0.5
    wait_enabled "$title" 2 120
    expect_equal "$(ui text "$title" 2)" "閉じる" "button 2 after the repair"
    expect_equal "$(ui visible "$title" 1)" 0 "button 1 after the repair"
    expect_equal "$(ui visible "$title" 3)" 1 "button 3 after the repair"
}

# Mendora up, 営業部 checked and 管理者 chosen to inherit its invalid users' records.
choose_account_for_eigyo() {
    reset_service
    start_tool "$mendora" "$title"
    check_cabinet 0 営業部 Eigyo
    ui click "$title" 1 >/dev/null || fail "could not click 補正実行"
    wait_until visible "$title" 1005 5
    ui listview-select "$title" 1005 0 >/dev/null || fail "could not select 管理者"
}

# Starts the repair of 営業部 for 管理者 with one statement of its transaction held back by
# the stand-in for ms milliseconds, and returns once the stand-in holds it.
start_slow_repair() { # ms
    add_file "$sqldata/faults.json" "{\"delay\": [{\"matching\": \"update DocVersion\", \"ms\": $1}]}"
    local seen
    seen=$(wc -l <"$sqldata/server.log")
    choose_account_for_eigyo
    ui click "$title" 1 >/dev/null || fail "could not click OK"
    wait_for_server_log "$seen" "injecting a delay" || fail "the stand-in never held the statement back"
}

# Waits up to 20 s for a line holding text in the stand-in's log after its first lines.
wait_for_server_log() { # lines-to-skip text
    local try
    for try in $(seq 1 100); do
        tail -n +"$(($1 + 1))" "$sqldata/server.log" | grep -qF -- "$2" && return 0
        sleep 0.2
    done
    return 1
}

close_mendora() { # what
    ui click "$title" 2 >/dev/null || fail "could not click button 2"
    expect_exit "$pid" 0 "$1"
    sleep 0.5
    expect_service "RUNNING AUTO" "after Mendora closed"
}

case "$case_name" in
check-and-accounts)
    reset_service
    start_tool "$mendora" "$title"
    expect_equal "$(ui listview-count "$title" 1000)" 6 "cabinets listed"
    expect_equal "$(ui enabled "$title" 1)" 0 "OK with no cabinet selected"
    expect_equal "$(ui text "$title" 2)" "キャンセル" "button 2 at start"
    expect_equal "$(ui visible "$title" 3)" 0 "button 3 at start"
    expect_service "STOPPED DISABLED" "the dialog is open"

    check_cabinet 0 営業部 Eigyo
    expect_text "$title" 1001 "$work/report-expected.txt" "the check result"
    expect_equal "$(ui text "$title" 1)" "補正実行" "button 1 after the check"
    expect_equal "$(ui enabled "$title" 1)" 1 "補正実行 with invalid users"
    expect_equal "$(ui text "$title" 2)" "終了" "button 2 after the check"
    expect_equal "$(ui visible "$title" 3)" 1 "button 3 after the check"
    expect_log Mendora.log "$work/log-expected.txt" 'のデータチェックを開始しました。'

    # The accounts that may inherit the records: users (not groups) with a user space and
    # a user ID from A to Z, by SN.
    ui click "$title" 1 >/dev/null || fail "could not click 補正実行"
    wait_until visible "$title" 1005 5
    expect_equal "$(ui visible "$title" 1005)" 1 "the account list"
    expect_equal "$(ui visible "$title" 1001)" 0 "the report beside the account list"
    accounts=$(for i in $(seq 0 $(($(ui listview-count "$title" 1005) - 1))); do
        echo "$(ui listview-text "$title" 1005 "$i" 0)|$(ui listview-text "$title" 1005 "$i" 1)|$(ui listview-text "$title" 1005 "$i" 2)"
    done)
    echo "$accounts" | sed 's/^/  account: /'
    expect_equal "$accounts" "1|管理者|EIGYO
2|山田太郎|
3|佐藤花子|EIGYO
13|財津九郎|EIGYO" "the accounts of 営業部"
    expect_equal "$(ui text "$title" 1)" "OK" "button 1 on the account list"
    expect_equal "$(ui enabled "$title" 1)" 0 "OK with no account selected"
    ui listview-select "$title" 1005 1 >/dev/null || fail "could not select an account"
    expect_equal "$(ui enabled "$title" 1)" 1 "OK with an account selected"
    expect_equal "$(ui text "$title" 2)" "キャンセル" "button 2 on the account list"
    close_mendora "closed on the account list"
    ;;
repair | repair-fails)
    keep_files "$sqldata/Eigyo.sqlite" "${doc_types[@]}"
    before=$(python3 "$VT_ROOT/testbed/demo/dump_cabinet.py" "$sqldata/Eigyo.sqlite")
    [ "$case_name" = repair ] ||
        add_file "$sqldata/faults.json" '{"fail": [{"matching": "update DocVersion"}]}'

    choose_account_for_eigyo
    run_repair 1 OK

    if [ "$case_name" = repair ]; then
        printf '%s\n' "以下の補正を行いました。" "$report_separator" "" "キャビネット: 営業部" "" \
            "削除したユーザー情報" "ユーザー情報数:9" "" "補正したデータ" "データ数：21" "" \
            "削除したデータ" "データ数：3" "" "文書タイプ:" "" "補正した文書タイプ情報" \
            "文書タイプ数：5" "" "$(journal_named)" "" "$report_separator" "" \
            >>"$work/report-expected.txt"
        {
            head -n -1 "$here/expected/Eigyo-repair-log.txt"
            doc_type_repair_log
            echo "【Success】,$(journal_named),,,"
            tail -n 1 "$here/expected/Eigyo-repair-log.txt"
        } >>"$work/log-expected.txt"
        python3 "$VT_ROOT/testbed/demo/dump_cabinet.py" "$sqldata/Eigyo.sqlite" >"$work/tables.txt"
        cmp -s "$work/tables.txt" "$here/expected/Eigyo-repaired.txt" ||
            fail "営業部's tables differ from expected/Eigyo-repaired.txt: $(diff "$here/expected/Eigyo-repaired.txt" "$work/tables.txt" | head -n 6)"
    else
        rolled_back="営業部のデータ補正に失敗しました。補正はすべて取り消され、データは変更されていません。"
        printf '%s\n' "以下の補正を行いました。" "$report_separator" "" "キャビネット: 営業部" "" \
            "削除したユーザー情報" "ユーザー情報数:9" "" "$rolled_back" "" "$report_separator" "" \
            >>"$work/report-expected.txt"
        {
            # up to the first DocVersion line: the failing update is the one after it
            sed '/に関連するDocVersion(/q' "$here/expected/Eigyo-repair-log.txt"
            echo "【Failure】,$rolled_back,,,"
        } >>"$work/log-expected.txt"
        expect_equal "$(python3 "$VT_ROOT/testbed/demo/dump_cabinet.py" "$sqldata/Eigyo.sqlite")" \
            "$before" "営業部's tables after the failed repair"
    fi
    expect_text "$title" 1001 "$work/report-expected.txt" "the repair result"
    expect_log Mendora.log "$work/log-expected.txt" 'のデータチェックを開始しました。'
    close_mendora "closed after the repair"
    ;;
repair-holds-session)
    keep_files "$sqldata/Eigyo.sqlite" "${doc_types[@]}"
    start_slow_repair 3000
    # Asked while the statement is held back, Mendora answers when it next pumps its
    # messages: between two statements of the open transaction.
    expect_equal "$(ui end-session "$title" --query-only --timeout 30000)" 0 \
        "the answer to the end of the session during the repair"
    wait_enabled "$title" 2 120
    close_mendora "closed after the repair"
    ;;
repair-killed)
    keep_files "$sqldata/Eigyo.sqlite" "${doc_types[@]}"
    before=$(python3 "$VT_ROOT/testbed/demo/dump_cabinet.py" "$sqldata/Eigyo.sqlite")
    seen=$(wc -l <"$sqldata/server.log")
    start_slow_repair 4000
    wine taskkill /F /IM Mendora.exe >/dev/null 2>&1
    wait "$pid" 2>/dev/null
    expect_service "STOPPED DISABLED" "Mendora was killed in its repair"
    wait_for_server_log "$seen" "rolling back open transaction" ||
        fail "the stand-in did not roll the transaction back"
    expect_equal "$(python3 "$VT_ROOT/testbed/demo/dump_cabinet.py" "$sqldata/Eigyo.sqlite")" \
        "$before" "営業部's tables after Mendora was killed in its repair"
    wine "$scrutel" &
    pid=$!
    expect_box "$scrutel_title" "停止してよろしいですか" question
    expect_service "RUNNING AUTO" "the next tool asks"
    ui click "$scrutel_title" 7 >/dev/null
    expect_exit "$pid" 1 "the administrator answered No"
    ;;
repair-undo)
    keep_files "$sqldata/Eigyo.sqlite" "${doc_types[@]}"
    doc_type_formats() {
        python3 - "${doc_types[@]}" <<'PY'
import sqlite3, sys
for path in sys.argv[1:]:
    for row in sqlite3.connect(path).execute("select SN, DocNumberFormat from MasterDocType order by SN"):
        print(path, row)
PY
    }
    before=$(python3 "$VT_ROOT/testbed/demo/dump_cabinet.py" "$sqldata/Eigyo.sqlite")
    formats=$(doc_type_formats)
    choose_account_for_eigyo
    run_repair 1 OK
    close_mendora "closed after the repair"
    [ "$(python3 "$VT_ROOT/testbed/demo/dump_cabinet.py" "$sqldata/Eigyo.sqlite")" != "$before" ] ||
        fail "the repair changed nothing"
    folder="$(dirname "$mendora")/UndoJournals"
    journal=$(winepath -w "$folder/$(ls -t "$folder" | head -n 1)" | tr -d '\r')
    wine "$mendora" /undo "$journal" /report "$(winepath -w "$work/undo.txt" | tr -d '\r')" &
    expect_exit $! 0 "Mendora.exe /undo $journal"
    expect_equal "$(python3 "$VT_ROOT/testbed/demo/dump_cabinet.py" "$sqldata/Eigyo.sqlite")" \
        "$before" "営業部's tables after the undo"
    expect_equal "$(doc_type_formats)" "$formats" "the document types after the undo"
    expect_service "RUNNING AUTO" "after the undo"
    ;;
doc-types-only)
    keep_files "${doc_types[@]}"
    reset_service
    start_tool "$mendora" "$title"
    check_cabinet 3 空のキャビネット Clean
    expect_equal "$(ui enabled "$title" 1)" 1 "補正実行 with document type errors only"
    run_repair 1 補正実行
    expect_equal "$(ui visible "$title" 1005)" 0 "the account list"
    printf '%s\n' "以下の補正を行いました。" "$report_separator" "" "文書タイプ:" "" \
        "補正した文書タイプ情報" "文書タイプ数：5" "" "$(journal_named)" "" "$report_separator" "" \
        >>"$work/report-expected.txt"
    { doc_type_repair_log; echo "【Success】,$(journal_named),,,"; } >>"$work/log-expected.txt"
    expect_text "$title" 1001 "$work/report-expected.txt" "the repair result"
    expect_log Mendora.log "$work/log-expected.txt" 'のデータチェックを開始しました。'
    close_mendora "closed after the repair"
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac

finish_case
