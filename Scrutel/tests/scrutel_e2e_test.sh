#!/usr/bin/env bash
# Scrutel's check run under Wine, driven through its windows as an administrator would, on
# the demo installation and its SQL Server stand-in (started by scripts/test):
#   full-run          the cabinet list, four cabinets checked, the report on screen byte for
#                     byte, every finding in Scrutel.log, the service given back at the end
#   missing-database  a cabinet without its database: the error, the run ends, the report
#                     kept, Close given back
# and the same run without a window (Scrutel.exe /check), its exit code, report and JSON:
#   check-clean            a clean cabinet and clean document types: 0
#   check-findings         the four cabinets of full-run: 1, the report byte for byte as the
#                          dialog's, the JSON's counts and findings those expected
#   check-missing-database the cabinet without its database: 2
#   check-while-mendora    Mendora holds the storage service: 3, the service left to it
#   check-unknown-cabinet  an unknown cabinet name or option: 4, no check; a bad command
#                          line writes no file
#   check-report-kept      a report that cannot be replaced: 2, the old one whole
#   check-no-catalogue     the interpreter cannot be started: 2 (not an unknown cabinet)
#   scrutel_e2e_test.sh BUILD_DIR CASE
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../testbed/uidriver/drive.sh" "$@"
title=$scrutel_title

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

# Scrutel.exe /check ARGS... in a fresh working folder, where its log and files go; sets
# work and code.
run_check() { # args...
    work=$(mktemp -d)
    (cd "$work" && exec wine "$scrutel" /check "$@" >/dev/null 2>&1)
    code=$?
    echo "  Scrutel.exe /check $*: exit code $code"
}

# The JSON record as lines: per cabinet "cabinet NAME completed=B error=E", its checks as
# "  check NAME completed=B count=N" and its findings as the log writes them; then the
# document types likewise.
json_lines() { # file
    python3 - "$1" <<'PY'
import json, sys
run = json.load(open(sys.argv[1], encoding="utf-8"))
def finding(f):
    return "【%s】,%s" % (f["status"], ",".join(f["texts"]))
for c in run["cabinets"]:
    print("cabinet %s completed=%s error=%s" % (c["name"], c["completed"], c["error"]))
    for name, check in c["checks"].items():
        print("  check %s completed=%s count=%d" % (name, check["completed"], check["count"]))
    for f in c["findings"]:
        print(finding(f))
d = run["documentTypes"]
print("documentTypes completed=%s count=%d" % (d["completed"], d["count"]))
for f in d["findings"]:
    print(finding(f))
print("exitCode %d errors %s" % (run["exitCode"], " | ".join(run["errors"])))
PY
}

# The JSON lines a run over these cabinets must give: counts from the expected reports,
# findings from the expected logs (checks/tests/expected), the document types' likewise.
expected_json_lines() { # name:file...
    local cabinet
    for cabinet in "$@"; do
        echo "cabinet ${cabinet%%:*} completed=True error=None"
        paste -d' ' <(printf '%s\n' userRecords sectionCount zeroByteSections oversizedSections \
            checkedOutDocuments unsupportedExtensions) \
            <(expected_part "scrutel-${cabinet#*:}.txt" report | grep -oE '[0-9]+$') |
            awk '{ print "  check " $1 " completed=True count=" $2 }'
        expected_part "scrutel-${cabinet#*:}.txt" log | grep '^【Failure】'
    done
    echo "documentTypes completed=True count=$(expected_part scrutel-doctypes.txt report | grep -oE '[0-9]+$')"
    expected_part scrutel-doctypes.txt log | grep '^【Failure】'
}

expect_same() { # expected-file got-file what
    if ! cmp -s "$1" "$2"; then
        fail "$3 differs from what is expected"
        diff "$1" "$2" | head -n 20
    fi
}

case "$case_name" in
full-run)
    reset_service
    start_tool "$scrutel" "$title"
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
    wait_until visible "$title" 1001 10
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
    expect_text "$title" 1001 "$here/expected-report-4-cabinets.txt" "the report"

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
    expect_log Scrutel.log "$work/log-expected.txt" 'のデータチェックを開始しました。'
    # The catalogue rows are logged with the encoded login and password masked.
    rows=$(grep -c '^【Success】,getSydCabList(),[0-9]' "$work/log-all.txt")
    masked=$(grep -c '^【Success】,getSydCabList(),[0-9].*,|,\*\{8\},|,\*\{8\},,$' "$work/log-all.txt")
    echo "  catalogue rows in Scrutel.log: $rows, $masked of them masked"
    [ "$rows" -gt 0 ] || fail "no catalogue row in Scrutel.log"
    expect_equal "$masked" "$rows" "catalogue rows with their login masked"

    finish_and_close "closed after the run"
    ;;
missing-database)
    reset_service
    start_tool "$scrutel" "$title"
    expect_equal "$(ui listview-text "$title" 1000 4 0)" "欠落キャビネット" "row 4 of the cabinet list"
    ui listview-select "$title" 1000 4 >/dev/null || fail "could not select 欠落キャビネット"
    ui click "$title" 1 >/dev/null || fail "could not click OK"
    # The main dialog shares the title: wait for the box's own text control first.
    ui text "$title" 0xFFFF --timeout 30000 >/dev/null || fail "no message box after OK"
    expect_box "$title" "データベースへの接続に失敗しました。" stop
    expect_service "STOPPED DISABLED" "while the error is shown"
    ui click "$title" 1 >/dev/null || fail "could not answer the message box"
    wait_until enabled "$title" 2 5
    expect_equal "$(ui enabled "$title" 2)" 1 "button 2 after the failed run"
    ui progress "$title" 1002 --timeout 500 >/dev/null &&
        fail "the progress window is still shown after the run ended"
    expect_equal "$(read_text "$title" 1001)" 'キャビネット:欠落キャビネット\n\n' "the report"

    log_lines Scrutel.log | grep -vE "$start_lines" >"$work/log.txt"
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
check-clean)
    reset_service
    # Document types all numbered as they should be, in both generations' databases.
    doctypes=("$WINEPREFIX/drive_c/Velmora/data/ZqlDocType.sqlite"
        "$WINEPREFIX/drive_c/Velmora/Zeph5/data/ZqlDocType.sqlite")
    keep_files "${doctypes[@]}"
    for db in "${doctypes[@]}"; do
        sqlite3 "$db" "UPDATE MasterDocType SET DocNumberFormat = 'DOC-%05d' WHERE DocNumberFormat = 'NULL'"
    done
    run_check /cabinet 空のキャビネット /json run.json
    expect_equal "$code" 0 "exit code of a clean run"
    json_lines "$work/run.json" >"$work/json.txt"
    sed 's/^/  json: /' "$work/json.txt"
    expect_equal "$(grep -c 'completed=True' "$work/json.txt")" 8 "checks completed"
    expect_equal "$(grep -c 'count=0' "$work/json.txt")" 7 "checks that found nothing"
    expect_equal "$(grep -c '^【' "$work/json.txt")" 0 "findings"
    expect_service "RUNNING AUTO" "after the clean run"
    ;;
check-findings)
    reset_service
    # Named in another order than the list's: checked in list order all the same.
    run_check /cabinet 空のキャビネット /cabinet 技術資料 /cabinet 営業部 /cabinet 経理部 \
        /report 報告.txt /json run.json
    expect_equal "$code" 1 "exit code of a run with findings"
    iconv -f UTF-8 -t CP932 "$here/expected-report-4-cabinets.txt" >"$work/report-expected.txt"
    expect_same "$work/report-expected.txt" "$work/報告.txt" "the report file (CP932, CR LF)"
    json_lines "$work/run.json" >"$work/json.txt"
    { expected_json_lines 営業部:Eigyo 経理部:Keiri 技術資料:Gijutsu 空のキャビネット:Clean
      echo "exitCode 1 errors "; } >"$work/json-expected.txt"
    echo "  json: $(grep -c '^【' "$work/json.txt") findings, $(grep -c 'count=' "$work/json.txt") counts"
    expect_same "$work/json-expected.txt" "$work/json.txt" "the JSON record"
    # The log as the dialog's run writes it.
    grep -q "データチェックを終了しました" <(log_lines Scrutel.log) || fail "Scrutel.log has no end of a check"
    expect_service "RUNNING AUTO" "after the run with findings"
    ;;
check-missing-database)
    reset_service
    run_check /cabinet 欠落キャビネット /json run.json
    expect_equal "$code" 2 "exit code of a run that could not connect"
    json_lines "$work/run.json" >"$work/json.txt"
    sed 's/^/  json: /' "$work/json.txt"
    expect_equal "$(head -n1 "$work/json.txt")" \
        "cabinet 欠落キャビネット completed=False error=データベースへの接続に失敗しました。" "the cabinet's record"
    grep -q 'DataBase Connect Error\.$' <(log_lines Scrutel.log) ||
        fail "Scrutel.log holds no line ending 'DataBase Connect Error.'"
    expect_service "RUNNING AUTO" "after the failed run"
    ;;
check-while-mendora)
    reset_service
    start_tool "$mendora" "$mendora_title"
    mendora_pid=$pid
    run_check /cabinet 空のキャビネット /json run.json
    expect_equal "$code" 3 "exit code while Mendora holds the service"
    grep -q "ほかのツールがストレージサービスを停止して作業中です。" "$work/run.json" ||
        fail "the JSON does not say why the run was refused"
    expect_service "STOPPED DISABLED" "Mendora still works"
    ui click "$mendora_title" 2 >/dev/null
    expect_exit "$mendora_pid" 0 "Mendora closed"
    sleep 0.5
    expect_service "RUNNING AUTO" "after Mendora ended"
    ;;
check-unknown-cabinet)
    reset_service
    run_check /cabinet 存在しないキャビネット /report report.txt
    expect_equal "$code" 4 "exit code for an unknown cabinet"
    report=$(iconv -f CP932 -t UTF-8 "$work/report.txt" | tr -d '\r')
    echo "  report: $report"
    expect_equal "$report" "キャビネットがありません: 存在しないキャビネット" "the report file"
    log_lines Scrutel.log | grep -q 'データチェックを開始しました' && fail "a check ran"
    expect_service "RUNNING AUTO" "after the unknown cabinet"
    run_check /report report.txt /json run.json /cabinet 営業部 /reprot other.txt
    expect_equal "$code" 4 "exit code for an unknown option"
    expect_equal "$(cd "$work" && LC_ALL=C ls)" "Scrutel.log" "files written for a bad command line"
    log_lines Scrutel.log | grep -q '^【Failure】,Scrutel /check,コマンドラインが正しくありません: unknown argument: /reprot,,$' ||
        fail "Scrutel.log does not name the unknown option"
    expect_service "RUNNING AUTO" "after the unknown option"
    ;;
check-report-kept)
    # Another program reads the last run's report, which keeps it from being replaced.
    reset_service
    work=$(mktemp -d)
    printf 'the last report\r\n' >"$work/report.txt"
    (cd "$work" && exec wine cmd /c "ping -n 6 127.0.0.1 >NUL <report.txt" >/dev/null 2>&1) &
    reader=$!
    sleep 2
    (cd "$work" && exec wine "$scrutel" /check /cabinet 空のキャビネット /report report.txt \
        /json run.json >/dev/null 2>&1)
    code=$?
    echo "  Scrutel.exe /check while the report is open elsewhere: exit code $code"
    wait "$reader"
    expect_equal "$code" 2 "exit code when the report cannot be replaced"
    expect_equal "$(cat "$work/report.txt")" $'the last report\r' "the old report"
    expect_equal "$(cd "$work" && LC_ALL=C ls | tr '\n' ' ')" "Scrutel.log report.txt run.json " \
        "files in the working folder"
    grep -q 'レポートを書き込めません: report.txt: 置き換えに失敗しました' "$work/run.json" ||
        fail "the JSON does not say the report could not be replaced"
    expect_service "RUNNING AUTO" "after the run"
    ;;
check-no-catalogue)
    # A transient failure of the interpreter while the cabinet is named: a failed run.
    reset_service
    sqli="$WINEPREFIX/drive_c/Velmora/Zeph5/sqli.exe"
    keep_files "$sqli"
    rm -f "$sqli"
    run_check /cabinet 営業部 /json run.json
    expect_equal "$code" 2 "exit code when the catalogue cannot be read"
    grep -q 'キャビネットの一覧を読み込めません。' "$work/run.json" ||
        fail "the JSON does not say the catalogue could not be read"
    expect_service "RUNNING AUTO" "after the run"
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac

finish_case
