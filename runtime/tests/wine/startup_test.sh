#!/usr/bin/env bash
# Start-up and shut-down of both programs under Wine, driven through their windows as an
# administrator would: the question, the storage service stopped and disabled for the run,
# one copy per tool, the two tools side by side, the refusals, and the service given back.
#   startup_test.sh BUILD_DIR CASE     CASE: sequence | answer-no | not-installed | no-service
set -u
. "$(dirname "$0")/../../../testbed/uidriver/drive.sh" "$@"

case "$case_name" in
sequence)
    reset_service
    wine "$scrutel" &
    scrutel_pid=$!
    expect_box "$scrutel_title" "データチェックを行うためには" question
    expect_service "RUNNING AUTO" "Scrutel asks before it changes anything"
    ui click "$scrutel_title" 6 >/dev/null
    ui wait-window "$scrutel_title" --class "#32770" >/dev/null || fail "Scrutel's main dialog"
    sleep 0.5
    expect_service "STOPPED DISABLED" "Scrutel's main dialog is open"

    timeout 30 wine "$scrutel" &
    expect_exit $! 0 "a second Scrutel ends at once and silently"

    wine "$mendora" &
    mendora_pid=$!
    expect_box "$mendora_title" "データ補正を行うためには" question
    ui click "$mendora_title" 6 >/dev/null
    ui wait-window "$mendora_title" --class "#32770" >/dev/null || fail "Mendora's main dialog"
    expect_service "STOPPED DISABLED" "both tools run"

    ui click "$scrutel_title" 2 >/dev/null
    expect_exit "$scrutel_pid" 0 "Scrutel closed"
    expect_service "STOPPED DISABLED" "Scrutel ended while Mendora still runs"

    ui click "$mendora_title" 2 >/dev/null
    expect_exit "$mendora_pid" 0 "Mendora closed"
    sleep 0.5
    expect_service "RUNNING AUTO" "the last tool has ended"
    ;;
answer-no)
    reset_service
    wine "$scrutel" &
    pid=$!
    expect_box "$scrutel_title" "停止してよろしいですか" question
    ui click "$scrutel_title" 7 >/dev/null
    expect_exit "$pid" 1 "the administrator answered No"
    expect_service "RUNNING AUTO" "after No"
    ;;
not-installed)
    reset_service
    wine reg add 'HKLM\SOFTWARE\Brannock\Corvane2' /v ServerType /t REG_DWORD /d 256 /f >/dev/null 2>&1
    wine "$mendora" &
    pid=$!
    expect_box "$mendora_title" "Velmoraがインストールされている環境で利用してください。" exclamation
    ui click "$mendora_title" 1 >/dev/null
    expect_exit "$pid" 1 "ServerType with only bit 8"
    wine reg add 'HKLM\SOFTWARE\Brannock\Corvane2' /v ServerType /t REG_DWORD /d 512 /f >/dev/null 2>&1
    expect_service "RUNNING AUTO" "after the refusal"
    ;;
no-service)
    reset_service
    svc stop HalvixStoreP --wait >/dev/null
    svc delete HalvixStoreP >/dev/null
    wine "$scrutel" &
    pid=$!
    expect_box "$scrutel_title" "データチェックを行うためには" question
    ui click "$scrutel_title" 6 >/dev/null
    expect_box "$scrutel_title" "サービスの無効化に失敗しました。" exclamation
    ui click "$scrutel_title" 1 >/dev/null
    expect_exit "$pid" 1 "the service could not be disabled"
    reset_service
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac

finish_case
