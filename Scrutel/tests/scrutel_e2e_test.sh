#!/usr/bin/env bash
# Scrutel's check run under Wine, driven through its windows as an administrator would, on
# the demo installation and its SQL Server stand-in (started by scripts/test):
#   full-run          the cabinet list, four cabinets checked, the report on screen byte for
#                     byte, every finding in Scrutel.log, the service given back at the end
#   missing-database  a cabinet without its database: the error, the run ends, the report
#                     kept, Close given back
#   scrutel_e2e_test.sh BUILD_DIR CASE
set -u
build=$1
case_name=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../testbed/uidriver/drive.sh"
expected_dir="$VT_ROOT/checks/tests/expected"
title="Velmora データチェックツール"
separator="----------------------------------------------------------"
expect_equal() { # got expected what
    [ "$1" = "$2" ] || fail "$3: '$1', expected '$2'"
}

# The service as a server has it: installed, automatic start, running.
reset_service() {
    svc config HalvixStoreP auto >/dev/null
    svc start HalvixStoreP --wait >/dev/null 2>&1
    expect_service "RUNNING AUTO" "before the run"
}

# Starts Scrutel in a fresh working folder (where it writes Scrutel.log), answers Yes and
# waits for the cabinet list. Sets pid and work.
start_scrutel() {
    work=$(mktemp -d)
    (cd "$work" && exec wine "$scrutel") &
    pid=$!
    expect_box "$title" "停止してよろしいですか" question
    ui click "$title" 6 >/dev/null
    local count
    count=$(ui listview-count "$title" 1000 --class "#32770" --timeout 30000) || {
        # Nothing else can be checked: end here rather than time out on every step.
        fail "no cabinet list in the main dialog"
        kill "$pid" 2>/dev/null
        echo "$case_name: Scrutel did not come up"
        exit 1
    }
    echo "  cabinets listed: $count"
}

# The cabinet list of the demo: name and state column per row, in catalogue order.
expect_cabinet_list() {
    local expected=("営業部 動作中" "経理部 停止中" "技術資料 動作中" "空のキャビネット 動作中"
        "欠落キャビネット 動作中" "暗号破損 動作中")
    expect_equal "$(ui listview-count "$title" 1000)" "${#expected[@]}" "number of cabinets"
    local i row
    for i in "${!expected[@]}"; do
        row="$(ui listview-text "$title" 1000 "$i" 0) $(ui listview-text "$title" 1000 "$i" 1)"
        echo "  row $i: $row"
        expect_equal "$row" "${expected[$i]}" "row $i of the cabinet list"
    done
}

# Waits until button 2 is enabled again (the run is over), for up to $1 seconds; meanwhile
# records the progress bar as "pos min max" lines in $work/progress.txt.
wait_for_end_of_run() {
    local deadline=$((SECONDS + $1))
    : >"$work/progress.txt"
    local box
    while [ $SECONDS -lt $deadline ]; do
        [ "$(ui enabled "$title" 2)" = 1 ] && return 0
        if box=$(ui text "$title" 0xFFFF --timeout 0); then # a message box stops the run
            fail "message box during the run: $box"
            return 1
        fi
        ui progress "$title" 1002 --timeout 200 >>"$work/progress.txt"
    done
    fail "button 2 still disabled after $1 s"
    return 1
}

# Scrutel.log as UTF-8 lines without CR, timestamps cut off (after checking they are there).
log_lines() {
    local log="$work/Scrutel.log"
    [ -f "$log" ] || {
        fail "no Scrutel.log in the working folder"
        return
    }
    iconv -f CP932 -t UTF-8 "$log" >"$work/log-utf8.txt" || fail "Scrutel.log is not CP932"
    local lines crlf
    lines=$(wc -l <"$log")
    crlf=$(grep -c $'\r$' "$log")
    [ "$lines" -eq "$crlf" ] || fail "Scrutel.log: $crlf of $lines lines end with CRLF"
    grep -vqE '^[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2},' "$work/log-utf8.txt" &&
        fail "Scrutel.log: a line without its timestamp: $(grep -vE '^[0-9]{4}/' "$work/log-utf8.txt" | head -n1)"
    tr -d '\r' <"$work/log-utf8.txt" | cut -c21-
}

# The "== report" or "== log" part of an expected file.
expected_part() { # file part
    awk -v part="== $2" '/^== / { on = ($0 == part); next } on' "$expected_dir/$1"
}

# A text as uidriver shows it on one line: CRLF and LF as the two characters \n.
one_line() { python3 -c 'import sys; t = sys.stdin.buffer.read().decode("utf-8"); sys.stdout.write(t.replace("\r\n", "\\n").replace("\n", "\\n").replace("\t", "\\t") + "\n")'; }

finish_and_close() { # what
    expect_equal "$(ui text "$title" 2)" "閉じる" "button 2 after the run"
    if ! ui click "$title" 2 >/dev/null; then
        fail "could not click 閉じる"
        kill "$pid" 2>/dev/null
    fi
    expect_exit "$pid" 0 "$1"
    sleep 0.5
    expect_service "RUNNING AUTO" "after Scrutel closed"
}

case "$case_name" in
full-run)
    reset_service
    start_scrutel
    expect_cabinet_list
    version=$(ui text "$title" 1006)
    echo "  version: $version"
    [[ "$version" =~ ^Version\ [0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "version text '$version'"
    expect_equal "$(ui enabled "$title" 1)" 0 "OK with no cabinet selected"
    expect_equal "$(ui text "$title" 2)" "ｷｬﾝｾﾙ" "button 2 before the run"

    # Selected bottom up: the checks still go in list order.
    ui listview-select "$title" 1000 3 2 1 0 >/dev/null || fail "could not select the cabinets"
    expect_equal "$(ui enabled "$title" 1)" 1 "OK with four cabinets selected"
    ui click "$title" 1 >/dev/null || fail "could not click OK"

    # Running: the report view is up, Close is held back, the storage service is off.
    ui wait-window "$title" --timeout 2000 >/dev/null
    for i in $(seq 1 100); do
        [ "$(ui visible "$title" 1001)" = 1 ] && break
        sleep 0.1
    done
    running_close=$(ui enabled "$title" 2)
    running_service=$(svc query HalvixStoreP)
    echo "  while running: button 2 enabled=$running_close, HalvixStoreP $running_service"
    expect_equal "$running_close" 0 "button 2 while the checks run"
    expect_equal "$running_service" "STOPPED DISABLED" "HalvixStoreP while the checks run"
    expect_equal "$(ui visible "$title" 1000)" 0 "the cabinet list during the run"
    expect_equal "$(ui visible "$title" 1)" 0 "OK during the run"
    wait_for_end_of_run 240
    sort -u "$work/progress.txt" | sed 's/^/  progress: /' | tail -n 8

    # The progress bar runs 0..6n+1 and never goes back or beyond.
    if [ -s "$work/progress.txt" ]; then
        awk '$2 != 0 || $3 != 25 { bad = "range " $2 ".." $3 }
             $1 < last || $1 > 25  { bad = "position " $1 " after " last }
             { last = $1 } END { if (bad != "") { print bad; exit 1 } }' "$work/progress.txt" ||
            fail "progress bar: $(awk '$2 != 0 || $3 != 25 || $1 > 25' "$work/progress.txt" | head -n1), expected range 0..25 rising"
    fi
    expect_equal "$(ui visible "$title" 1001)" 1 "the report after the run"

    # The report on screen, as the expected files make it up.
    # Read again when a read fails: a report never read would hide every other finding.
    for attempt in 1 2 3; do
        ui_step text "$title" 1001 >"$work/report.txt" && break
        if [ "$attempt" -eq 3 ]; then fail "could not read the report"; else sleep 1; fi
    done
    one_line <"$here/expected-report-4-cabinets.txt" >"$work/report-expected.txt"
    if ! cmp -s "$work/report.txt" "$work/report-expected.txt"; then
        fail "the report differs from expected-report-4-cabinets.txt"
        diff <(sed 's/\\n/\n/g' "$work/report-expected.txt") <(sed 's/\\n/\n/g' "$work/report.txt") |
            head -n 20
    fi

    # The log: per cabinet its start line, its findings, its end line; then the document
    # types the same way.
    {
        for cabinet in 営業部:Eigyo 経理部:Keiri 技術資料:Gijutsu 空のキャビネット:Clean; do
            echo "【Success】,${cabinet%%:*}のデータチェックを開始しました。,,,"
            expected_part "scrutel-${cabinet#*:}.txt" log
            echo "【Success】,${cabinet%%:*}のデータチェックを終了しました。,,,"
        done
        echo "【Success】,文書タイプのデータチェックを開始しました。,,,"
        expected_part scrutel-doctypes.txt log
        echo "【Success】,文書タイプのデータチェックを終了しました。,,,"
    } >"$work/log-expected.txt"
    log_lines >"$work/log-all.txt"
    # Before the checks: only what reading the catalogue wrote when the dialog opened.
    first=$(grep -n -m1 'のデータチェックを開始しました。' "$work/log-all.txt" | cut -d: -f1)
    head -n $((${first:-1} - 1)) "$work/log-all.txt" | grep -vE '^【Success】,getSydCabList\(\),|^【Failure】,Decode error!! ' |
        sed 's/^/  unexpected before the checks: /' | grep . && fail "Scrutel.log: lines before the first check"
    tail -n +"${first:-1}" "$work/log-all.txt" >"$work/log.txt"
    echo "  Scrutel.log: $(wc -l <"$work/log.txt") lines from the first check on, $(wc -l <"$work/log-expected.txt") expected"
    if ! cmp -s "$work/log.txt" "$work/log-expected.txt"; then
        fail "Scrutel.log differs from the expected findings"
        diff "$work/log-expected.txt" "$work/log.txt" | head -n 20
    fi

    finish_and_close "closed after the run"
    ;;
missing-database)
    reset_service
    start_scrutel
    expect_equal "$(ui listview-text "$title" 1000 4 0)" "欠落キャビネット" "row 4 of the cabinet list"
    ui listview-select "$title" 1000 4 >/dev/null || fail "could not select 欠落キャビネット"
    ui click "$title" 1 >/dev/null || fail "could not click OK"
    # The main dialog shares the title: wait for the box's own text control first.
    ui text "$title" 0xFFFF --timeout 30000 >/dev/null || fail "no message box after OK"
    expect_box "$title" "データベースへの接続に失敗しました。" stop
    expect_service "STOPPED DISABLED" "while the error is shown"
    ui click "$title" 1 >/dev/null || fail "could not answer the message box"
    for i in $(seq 1 50); do
        [ "$(ui enabled "$title" 2)" = 1 ] && break
        sleep 0.1
    done
    expect_equal "$(ui enabled "$title" 2)" 1 "button 2 after the failed run"
    ui progress "$title" 1002 --timeout 500 >/dev/null &&
        fail "the progress window is still shown after the run ended"
    expect_equal "$(ui text "$title" 1001)" 'キャビネット:欠落キャビネット\n\n' "the report"

    log_lines | grep -vE '^【Success】,getSydCabList\(\),|^【Failure】,Decode error!! ' >"$work/log.txt"
    sed 's/^/  log: /' "$work/log.txt"
    expect_equal "$(head -n1 "$work/log.txt")" "【Success】,欠落キャビネットのデータチェックを開始しました。,,," \
        "first line of Scrutel.log"
    grep -q 'DataBase Connect Error\.$' "$work/log.txt" ||
        fail "Scrutel.log holds no line ending 'DataBase Connect Error.'"
    grep -q 'データチェックを終了しました' "$work/log.txt" &&
        fail "Scrutel.log says a check ended although the run stopped"
    expect_equal "$(wc -l <"$work/log.txt")" 2 "lines in Scrutel.log"

    finish_and_close "closed after the failed run"
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac

if [ "$failures" -gt 0 ]; then
    echo "$case_name: $failures failure(s); the run's files are in $work"
    exit 1
fi
rm -rf "$work"
echo "$case_name: passed"
