#!/usr/bin/env bash
# Mendora under Wine, driven through its windows as an administrator would, on the demo
# installation and its SQL Server stand-in (started by scripts/test):
#   check-and-accounts  営業部 checked: the report on screen byte for byte, its findings in
#                       Mendora.log, 補正実行 shows the valid accounts, button 2 ends the
#                       dialog, the storage service off while it is open and back after it
#   mendora_e2e_test.sh BUILD_DIR CASE
set -u
. "$(dirname "$0")/../../testbed/uidriver/drive.sh" "$@"
title=$mendora_title

case "$case_name" in
check-and-accounts)
    reset_service
    start_tool "$mendora" "$title"
    expect_equal "$(ui listview-count "$title" 1000)" 6 "cabinets listed"
    expect_equal "$(ui enabled "$title" 1)" 0 "OK with no cabinet selected"
    expect_equal "$(ui text "$title" 2)" "キャンセル" "button 2 at start"
    expect_equal "$(ui visible "$title" 3)" 0 "button 3 at start"
    expect_service "STOPPED DISABLED" "the dialog is open"

    ui listview-select "$title" 1000 0 >/dev/null || fail "could not select 営業部"
    ui click "$title" 1 >/dev/null || fail "could not click OK"
    sleep 0.5
    wait_enabled "$title" 2 60

    {
        printf '%s\n' "データチェックを実行しました。" "補正を行うには、[補正実行]を押してください。" \
            "$report_separator" "" "キャビネット: 営業部" ""
        expected_part mendora-Eigyo.txt report
        expected_part mendora-doctypes.txt report
        printf '%s\n' "$report_separator" "" ""
    } >"$work/report-expected.txt"
    expect_text "$title" 1001 "$work/report-expected.txt" "the check result"
    expect_equal "$(ui text "$title" 1)" "補正実行" "button 1 after the check"
    expect_equal "$(ui enabled "$title" 1)" 1 "補正実行 with invalid users"
    expect_equal "$(ui text "$title" 2)" "終了" "button 2 after the check"
    expect_equal "$(ui visible "$title" 3)" 1 "button 3 after the check"

    {
        echo "【Success】,営業部のデータチェックを開始しました。,,,"
        expected_part mendora-Eigyo.txt log
        echo "【Success】,文書タイプのデータチェックを開始しました。,,,"
        expected_part mendora-doctypes.txt log
        echo "【Success】,文書タイプのデータチェックを終了しました。,,,"
        echo "【Success】,営業部のデータチェックを終了しました。,,,"
    } >"$work/log-expected.txt"
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

    ui click "$title" 2 >/dev/null || fail "could not click キャンセル"
    expect_exit "$pid" 0 "closed on the account list"
    sleep 0.5
    expect_service "RUNNING AUTO" "after Mendora closed"
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac

finish_case
