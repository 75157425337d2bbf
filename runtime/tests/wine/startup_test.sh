#!/usr/bin/env bash
# Start-up and shut-down of both programs under Wine, driven through their windows as an
# administrator would: the question, the storage service stopped and disabled for the run,
# one copy per tool, the two tools side by side, the refusals, and the service given back
# on every path: by the last tool to end, by the next tool to start after one that was
# killed, and when the user's session ends under a dialog.
#   startup_test.sh BUILD_DIR CASE
#   CASE: sequence | answer-no | not-installed | no-service | question-while-other-ends |
#         both-end-together | slow-stop | stop-beyond-wait | refused-stop | no-helper-library |
#         killed-then-no | check-killed | session-end | old-claim-name
set -u
. "$(dirname "$0")/../../../testbed/uidriver/drive.sh" "$@"

# The tools that hold the storage service, as their hand-over record names them.
expect_holders() { # count when
    local record holders=0
    record=$(svc record)
    [ "$record" = NONE ] || holders=$(echo "${record##*Holders=}" | tr ',' '\n' | grep -c .)
    echo "  holders of the service: $holders ($2)"
    [ "$holders" -eq "$1" ] || fail "$2: $holders holders in '$record', expected $1"
}

# An administrator's wait for the service to stop, in seconds (none: the default minute).
stop_wait() { # [seconds]
    if [ -n "${1:-}" ]; then
        wine reg add 'HKLM\SOFTWARE\VelmoraTools' /v ServiceStopWaitSeconds /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    else
        wine reg delete 'HKLM\SOFTWARE\VelmoraTools' /v ServiceStopWaitSeconds /f >/dev/null 2>&1
    fi
}

# A tool that dies as Task Manager ends it: none of its handlers run.
kill_tool() { # exe-name pid
    wine taskkill /F /IM "$1" >/dev/null 2>&1
    wait "$2" 2>/dev/null
}

expect_logged() { # log-file text what
    [ -f "$1" ] && iconv -f CP932 -t UTF-8 "$1" | grep -qF -- "$2" || fail "$3: '$2' is not in $1"
}

# The storage service played by the stand-in with options (see StandinService.cpp); with no
# options, the plain one again.
service_with() { # options...
    svc stop HalvixStoreP --wait >/dev/null 2>&1
    svc delete HalvixStoreP >/dev/null 2>&1
    local try
    for try in $(seq 1 40); do # a deleted service may still be going away
        [ -z "$(svc query HalvixStoreP)" ] && break
        sleep 0.25
    done
    svc create HalvixStoreP "\"$(winepath -w "$bin/StandinService.exe")\" $*" auto >/dev/null
    svc start HalvixStoreP --wait >/dev/null
    expect_service "RUNNING AUTO" "the service with options '$*'"
}

# Starts a tool and answers its question; sets the tool's pid variable.
start_and_answer() { # exe title answer pid-variable
    wine "$1" &
    printf -v "$4" '%s' $!
    expect_box "$2" "停止してよろしいですか" question
    ui click "$2" "$3" >/dev/null
}

# Starts a tool that refuses to run: its message box, OK, and its exit code 1.
expect_refusal() { # exe title text icon what
    wine "$1" &
    local pid=$!
    expect_box "$2" "$3" "$4"
    ui click "$2" 1 >/dev/null
    expect_exit "$pid" 1 "$5"
}

case "$case_name" in
sequence)
    reset_service
    wine "$scrutel" &
    scrutel_pid=$!
    expect_box "$scrutel_title" "データチェックを行うためには" question
    expect_service "RUNNING AUTO" "Scrutel asks before it changes anything"
    expect_holders 0 "Scrutel asks"
    ui click "$scrutel_title" 6 >/dev/null
    ui wait-window "$scrutel_title" --class "#32770" >/dev/null || fail "Scrutel's main dialog"
    sleep 0.5
    expect_service "STOPPED DISABLED" "Scrutel's main dialog is open"
    expect_holders 1 "Scrutel's main dialog is open"

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
    expect_holders 0 "the last tool has ended"
    for tool in Scrutel Mendora; do # each is the source of its events, with its own texts
        wine reg query "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\$tool" \
            /v EventMessageFile 2>/dev/null | grep -qi "\\\\$tool\\.exe" ||
            fail "$tool registered as the source of its events"
    done
    ;;
question-while-other-ends)
    # Mendora waits at its question, so it holds nothing yet: Scrutel, ending, gives the
    # service back, and Mendora's No changes nothing.
    reset_service
    start_and_answer "$scrutel" "$scrutel_title" 6 scrutel_pid
    ui wait-window "$scrutel_title" --class "#32770" >/dev/null || fail "Scrutel's main dialog"
    wine "$mendora" &
    mendora_pid=$!
    expect_box "$mendora_title" "停止してよろしいですか" question
    ui click "$scrutel_title" 2 >/dev/null
    expect_exit "$scrutel_pid" 0 "Scrutel closed while Mendora asks"
    sleep 0.5
    expect_service "RUNNING AUTO" "Scrutel ended, Mendora still asks"
    ui click "$mendora_title" 7 >/dev/null
    expect_exit "$mendora_pid" 1 "Mendora answered No"
    expect_service "RUNNING AUTO" "both tools have ended"
    ;;
both-end-together)
    # Twenty rounds: whichever ends first, the last one gives the service back.
    reset_service
    for round in $(seq 1 20); do
        start_and_answer "$scrutel" "$scrutel_title" 6 scrutel_pid
        ui wait-window "$scrutel_title" --class "#32770" >/dev/null || fail "Scrutel's main dialog"
        start_and_answer "$mendora" "$mendora_title" 6 mendora_pid
        ui wait-window "$mendora_title" --class "#32770" >/dev/null || fail "Mendora's main dialog"
        ui click "$scrutel_title" 2 >/dev/null &
        first=$!
        ui click "$mendora_title" 2 >/dev/null &
        wait "$first" $!
        wait "$scrutel_pid" "$mendora_pid"
        got=$(svc query HalvixStoreP)
        [ "$got" = "RUNNING AUTO" ] || fail "round $round: HalvixStoreP is '$got' after both ended"
        [ "$(svc record)" = NONE ] || fail "round $round: a record is left: $(svc record)"
        [ "$failures" -eq 0 ] || break
    done
    echo "  $round rounds"
    expect_service "RUNNING AUTO" "both tools ended at the same moment, $round times"
    ;;
slow-stop)
    # A service that stays stop pending for seconds: the run waits for it.
    service_with --stop-delay-ms 4000
    start_and_answer "$scrutel" "$scrutel_title" 6 pid
    sleep 1
    expect_holders 1 "while the service is stopping"
    ui wait-window "$scrutel_title" --class "#32770" --timeout 30000 >/dev/null ||
        fail "Scrutel's main dialog"
    expect_service "STOPPED DISABLED" "after the slow stop"
    ui click "$scrutel_title" 2 >/dev/null
    expect_exit "$pid" 0 "Scrutel closed"
    sleep 0.5
    expect_service "RUNNING AUTO" "Scrutel has ended"
    service_with
    ;;
refused-stop)
    # A service that refuses to stop: after the wait (an administrator's, here 3 s) the tool
    # gives up, strikes itself out and leaves the service as it found it.
    refuse="$WINEPREFIX/drive_c/refuse-stop"
    add_file "$refuse" ""
    service_with --refuse-stop-while 'C:\refuse-stop'
    stop_wait 3
    start_and_answer "$mendora" "$mendora_title" 6 pid
    ui text "$mendora_title" 0xFFFF --timeout 30000 >/dev/null || fail "no message after the stop"
    expect_box "$mendora_title" "サービスの無効化に失敗しました。" exclamation
    ui click "$mendora_title" 1 >/dev/null
    expect_exit "$pid" 1 "the service could not be stopped"
    expect_service "RUNNING AUTO" "after the refused stop"
    expect_holders 0 "after the refused stop"
    stop_wait
    rm -f "$refuse"
    service_with
    ;;
stop-beyond-wait)
    # A stop that goes on after the tool has given up waiting: the tool puts the service
    # back once it has stopped, rather than leave it to finish stopping and stay down.
    service_with --stop-delay-ms 6000
    stop_wait 2
    work=$(mktemp -d)
    (cd "$work" && exec wine "$scrutel") &
    pid=$!
    expect_box "$scrutel_title" "停止してよろしいですか" question
    ui click "$scrutel_title" 6 >/dev/null
    ui text "$scrutel_title" 0xFFFF --timeout 30000 >/dev/null || fail "no message after the stop"
    expect_box "$scrutel_title" "サービスの無効化に失敗しました。" exclamation
    expect_service "RUNNING AUTO" "when the tool says the stop failed"
    ui click "$scrutel_title" 1 >/dev/null
    expect_exit "$pid" 1 "the service did not stop in time"
    expect_holders 0 "after the stop was undone"
    expect_logged "$work/Scrutel.log" "時間内に停止しなかったため、元の状態に戻しました。" "Scrutel.log"
    stop_wait
    service_with
    ;;
killed-then-no)
    # Mendora killed with its dialog open leaves the service down; the next tool to start
    # gives it back before it asks, even when the administrator then answers No.
    reset_service
    start_and_answer "$mendora" "$mendora_title" 6 mendora_pid
    ui wait-window "$mendora_title" --class "#32770" >/dev/null || fail "Mendora's main dialog"
    kill_tool Mendora.exe "$mendora_pid"
    expect_service "STOPPED DISABLED" "Mendora was killed"
    expect_holders 1 "Mendora was killed"
    work=$(mktemp -d)
    (cd "$work" && exec wine "$scrutel") &
    pid=$!
    expect_box "$scrutel_title" "停止してよろしいですか" question
    expect_service "RUNNING AUTO" "Scrutel asks after recovering the service"
    ui click "$scrutel_title" 7 >/dev/null
    expect_exit "$pid" 1 "the administrator answered No"
    expect_service "RUNNING AUTO" "after No"
    expect_holders 0 "after No"
    expect_logged "$work/Scrutel.log" "終了時にサービスを戻さなかったツールに代わり" "Scrutel.log"
    ;;
check-killed)
    # Scrutel /check killed in the middle of its run; the next /check gives the service
    # back, takes it again and runs.
    reset_service
    add_file "$sqldata/faults.json" '{"delay": [{"matching": "select", "ms": 30000}]}'
    work=$(mktemp -d)
    (cd "$work" && exec wine "$scrutel" /check /cabinet 空のキャビネット) &
    pid=$!
    for try in $(seq 1 100); do
        [ "$(svc query HalvixStoreP)" = "STOPPED DISABLED" ] && break
        sleep 0.2
    done
    sleep 1
    kill_tool Scrutel.exe "$pid"
    expect_service "STOPPED DISABLED" "/check was killed"
    rm -f "$sqldata/faults.json"
    (cd "$work" && exec wine "$scrutel" /check /cabinet 空のキャビネット)
    code=$?
    echo "  exit code $code (the next /check)"
    [ "$code" -le 1 ] || fail "the next /check ended with $code"
    expect_service "RUNNING AUTO" "after the next /check"
    expect_holders 0 "after the next /check"
    expect_logged "$work/Scrutel.log" "終了時にサービスを戻さなかったツールに代わり" "Scrutel.log"
    expect_logged "$work/Scrutel.log" "のデータチェックを終了しました。" "Scrutel.log"
    ;;
session-end)
    # The user logs off with Scrutel's dialog open: the service is back before it ends.
    reset_service
    start_and_answer "$scrutel" "$scrutel_title" 6 pid
    ui wait-window "$scrutel_title" --class "#32770" >/dev/null || fail "Scrutel's main dialog"
    expect_service "STOPPED DISABLED" "the dialog is open"
    expect_equal "$(ui end-session "$scrutel_title")" 1 "the answer to the end of the session"
    expect_exit "$pid" 2 "the session ended"
    expect_service "RUNNING AUTO" "after the end of the session"
    expect_holders 0 "after the end of the session"
    ;;
old-claim-name)
    # Anyone may create the name older tools used for their claim: it no longer counts.
    reset_service
    wine "$bin/svcctl.exe" hold-mutex 'Global\VelmoraStorageServiceClaim' >/dev/null 2>&1 &
    holder=$!
    sleep 1
    start_and_answer "$scrutel" "$scrutel_title" 6 pid
    ui wait-window "$scrutel_title" --class "#32770" >/dev/null || fail "Scrutel's main dialog"
    expect_service "STOPPED DISABLED" "Scrutel's dialog is open"
    ui click "$scrutel_title" 2 >/dev/null
    expect_exit "$pid" 0 "Scrutel closed"
    expect_service "RUNNING AUTO" "beside a holder of the old name"
    wine taskkill /F /IM svcctl.exe >/dev/null 2>&1
    wait "$holder" 2>/dev/null
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
    expect_refusal "$mendora" "$mendora_title" "Velmoraがインストールされている環境で利用してください。" \
        exclamation "ServerType with only bit 8"
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
no-helper-library)
    # The server's helper library without one of its functions, then without the library:
    # each tool says so in its own words and ends before it touches anything.
    reset_service
    library="$WINEPREFIX/drive_c/Velmora/ZqlCommon_SD3.dll"
    keep_files "$library"
    python3 - "$library" <<'PATCH'
import sys
path = sys.argv[1]
data = open(path, "rb").read()
name = b"?ZqlDecrypt2@@"
assert data.count(name) == 1
open(path, "wb").write(data.replace(name, b"?ZqlDecryptX@@"))
PATCH
    expect_refusal "$mendora" "$mendora_title" "ZqlCommon_SD3.dll に関数 ZqlDecrypt2 がありません。" \
        stop "a library without ZqlDecrypt2"
    rm -f "$library"
    expect_refusal "$scrutel" "$scrutel_title" "ZqlCommon_SD3.dll を読み込めません。" stop "no library"
    expect_service "RUNNING AUTO" "after both refusals"
    expect_holders 0 "after both refusals"
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac

finish_case
