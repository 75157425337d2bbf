#!/usr/bin/env bash
# Start-up and shut-down of both programs under Wine, driven through their windows as an
# administrator would: the question, the storage service stopped and disabled for the run,
# one copy per tool, the two tools side by side, the refusals, and the service given back
# on every path: the last tool's claim on the service to go gives it back.
#   startup_test.sh BUILD_DIR CASE
#   CASE: sequence | answer-no | not-installed | no-service | question-while-other-ends |
#         both-end-together | slow-stop | refused-stop | no-helper-library
set -u
. "$(dirname "$0")/../../../testbed/uidriver/drive.sh" "$@"

expect_claim() { # CLAIMED|FREE when
    local got
    got=$(svc claim)
    echo "  claim on the service: $got ($2)"
    [ "$got" = "$1" ] || fail "$2: the claim is '$got', expected '$1'"
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
    expect_claim FREE "Scrutel asks"
    ui click "$scrutel_title" 6 >/dev/null
    ui wait-window "$scrutel_title" --class "#32770" >/dev/null || fail "Scrutel's main dialog"
    sleep 0.5
    expect_service "STOPPED DISABLED" "Scrutel's main dialog is open"
    expect_claim CLAIMED "Scrutel's main dialog is open"

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
    expect_claim FREE "the last tool has ended"
    ;;
question-while-other-ends)
    # Mendora waits at its question, so it holds no claim: Scrutel, ending, gives the service
    # back, and Mendora's No changes nothing.
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
    reset_service
    start_and_answer "$scrutel" "$scrutel_title" 6 scrutel_pid
    ui wait-window "$scrutel_title" --class "#32770" >/dev/null || fail "Scrutel's main dialog"
    start_and_answer "$mendora" "$mendora_title" 6 mendora_pid
    ui wait-window "$mendora_title" --class "#32770" >/dev/null || fail "Mendora's main dialog"
    expect_service "STOPPED DISABLED" "both tools run"
    ui click "$scrutel_title" 2 >/dev/null &
    first=$!
    ui click "$mendora_title" 2 >/dev/null &
    wait "$first" $!
    expect_exit "$scrutel_pid" 0 "Scrutel closed"
    expect_exit "$mendora_pid" 0 "Mendora closed"
    sleep 0.5
    expect_service "RUNNING AUTO" "both tools ended at the same moment"
    expect_claim FREE "both tools ended"
    ;;
slow-stop)
    # A service that stays stop pending for seconds: the run waits for it.
    service_with --stop-delay-ms 4000
    start_and_answer "$scrutel" "$scrutel_title" 6 pid
    sleep 1
    expect_claim CLAIMED "while the service is stopping"
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
    # A service that refuses to stop: after a minute of waiting the tool gives up, gives its
    # claim back and leaves the service as it found it.
    refuse="$WINEPREFIX/drive_c/refuse-stop"
    add_file "$refuse" ""
    service_with --refuse-stop-while 'C:\refuse-stop'
    start_and_answer "$mendora" "$mendora_title" 6 pid
    ui text "$mendora_title" 0xFFFF --timeout 90000 >/dev/null || fail "no message after the stop"
    expect_box "$mendora_title" "サービスの無効化に失敗しました。" exclamation
    ui click "$mendora_title" 1 >/dev/null
    expect_exit "$pid" 1 "the service could not be stopped"
    expect_service "RUNNING AUTO" "after the refused stop"
    expect_claim FREE "after the refused stop"
    rm -f "$refuse"
    service_with
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
    expect_claim FREE "after both refusals"
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac

finish_case
