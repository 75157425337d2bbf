# How the programs are driven through their windows under Wine: by the Wine tests, the demo
# and the benchmark. Source it with BUILD_DIR (the Windows build folder) and a CASE name; it
# sets up the Wine environment of that build's prefix (or of the one VT_WINEPREFIX names)
# and defines the steps and expectations. Failures are counted in $failures.
build=$1
case_name=${2:-}
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
vt_wine_env "${VT_WINEPREFIX:-$build/wineprefix}"

bin="$build/testbed/bin"
scrutel="$build/Scrutel/Scrutel.exe"
mendora="$build/Mendora/Mendora.exe"
scrutel_title="Velmora データチェックツール"
mendora_title="Velmora データ補正ツール"
report_separator="----------------------------------------------------------"
sqldata="$build/sqlserver" # the demo cabinets' databases (scripts/test serves them)
failures=0

ui() { wine "$bin/uidriver.exe" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
# ui for a step whose failure fails the test: what uidriver and Wine said goes to stderr.
ui_step() {
    local errors status
    errors=$(mktemp)
    wine "$bin/uidriver.exe" "$@" 2>"$errors" | tr -d '\r'
    status=${PIPESTATUS[0]}
    if [ "$status" -ne 0 ]; then
        echo "  uidriver $1 ended with $status: $(grep -a -m3 -E 'uidriver:|err:' "$errors" | tr '\n' ' ')" >&2
    fi
    rm -f "$errors"
    return "$status"
}
svc() { wine "$bin/svcctl.exe" "$@" 2>/dev/null | tr -d '\r'; }
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
expect_service() { # STATE START_TYPE, when
    local got
    got=$(svc query HalvixStoreP)
    echo "  HalvixStoreP: $got ($2)"
    [ "$got" = "$1" ] || fail "$2: HalvixStoreP is '$got', expected '$1'"
}
expect_exit() { # pid code what
    wait "$1"
    local code=$?
    echo "  exit code $code ($3)"
    [ "$code" -eq "$2" ] || fail "$3: exit code $code, expected $2"
}
expect_box() { # title, text part, icon
    local box
    box=$(ui message-box "$1") || {
        fail "no message box titled '$1'"
        return
    }
    echo "  message box '$1': $(echo "$box" | head -n1)"
    echo "$box" | head -n1 | grep -qF -- "$2" || fail "message box text: $box"
    [ -z "${3:-}" ] || echo "$box" | grep -q "icon: $3" || fail "message box icon, expected $3: $box"
}
expect_equal() { # got expected what
    [ "$1" = "$2" ] || fail "$3: '$1', expected '$2'"
}

# The storage service as a server has it: installed, automatic start, running.
reset_service() {
    local try
    for try in $(seq 1 40); do # a deleted service may still be going away
        [ -n "$(svc query HalvixStoreP)" ] && break
        svc create HalvixStoreP "\"$(winepath -w "$bin/StandinService.exe")\"" auto >/dev/null
        sleep 0.25
    done
    svc config HalvixStoreP auto >/dev/null
    svc start HalvixStoreP --wait >/dev/null 2>&1
    expect_service "RUNNING AUTO" "before the run"
}

# Starts a tool in a working folder (where it writes its log; a fresh one unless given),
# answers Yes and waits for its cabinet list; when the list does not come up the run ends
# here rather than time out on every later step. Sets pid and work. The words of
# $tool_wrapper, when set, go before wine (a benchmark measures the process so).
start_tool() { # exe title [work]
    work=${3:-$(mktemp -d)}
    # shellcheck disable=SC2086
    (cd "$work" && exec ${tool_wrapper:-} wine "$1") &
    pid=$!
    expect_box "$2" "停止してよろしいですか" question
    ui click "$2" 6 >/dev/null
    local count
    count=$(ui listview-count "$2" 1000 --class "#32770" --timeout 30000) || {
        fail "no cabinet list in the main dialog"
        kill "$pid" 2>/dev/null
        echo "$case_name: the program did not come up"
        exit 1
    }
    echo "  cabinets listed: $count"
}

# The row of the cabinet list that shows a cabinet name; nothing when none does.
cabinet_row() { # title name
    local count i
    count=$(ui listview-count "$1" 1000) || return 1
    for ((i = 0; i < count; i++)); do
        [ "$(ui listview-text "$1" 1000 "$i" 0)" = "$2" ] && echo "$i" && return 0
    done
    return 1
}

# Selects the cabinets of these names in the cabinet list.
select_cabinets() { # title name...
    local title=$1 rows=() name row
    shift
    for name in "$@"; do
        row=$(cabinet_row "$title" "$name") || {
            fail "$name is not in the cabinet list"
            return 1
        }
        rows+=("$row")
    done
    ui listview-select "$title" 1000 "${rows[@]}" >/dev/null || fail "could not select ${*}"
}

# Waits up to $4 seconds until `ui $1 TITLE ID` prints 1; quiet: the caller checks.
wait_until() { # enabled|visible title id seconds
    local deadline=$((SECONDS + $4))
    while [ "$(ui "$1" "$2" "$3")" != 1 ]; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

# Waits up to $3 seconds until a control is enabled; a message box on the way fails.
wait_enabled() { # title id seconds
    local deadline=$((SECONDS + $3)) box
    while [ $SECONDS -lt $deadline ]; do
        [ "$(ui enabled "$1" "$2")" = 1 ] && return 0
        if box=$(ui text "$1" 0xFFFF --timeout 0); then
            fail "message box: $box"
            return 1
        fi
        sleep 0.1
    done
    fail "control $2 still disabled after $3 s"
    return 1
}

# The text of a control, read again when a read fails: a text never read would hide every
# other finding.
read_text() { # title id
    local attempt
    for attempt in 1 2 3; do
        ui_step text "$1" "$2" && return 0
        [ "$attempt" -eq 3 ] || sleep 1
    done
    fail "could not read control $2" >&2
    return 1
}

# A text as uidriver shows it on one line: CRLF and LF as the two characters \n.
one_line() { python3 -c 'import sys; t = sys.stdin.buffer.read().decode("utf-8"); sys.stdout.write(t.replace("\r\n", "\\n").replace("\n", "\\n").replace("\t", "\\t") + "\n")'; }

# Compares what a control shows with the text of a file (LF line ends).
expect_text() { # title id file what
    read_text "$1" "$2" >"$work/shown.txt" || return
    one_line <"$3" >"$work/shown-expected.txt"
    if ! cmp -s "$work/shown.txt" "$work/shown-expected.txt"; then
        fail "$4 differs from what is expected"
        diff <(sed 's/\\n/\n/g' "$work/shown-expected.txt") <(sed 's/\\n/\n/g' "$work/shown.txt") |
            head -n 20
    fi
}

# The "== report" or "== log" part of an expected file of checks/tests/expected.
expected_part() { # file part
    awk -v part="== $2" '/^== / { on = ($0 == part); next } on' "$VT_ROOT/checks/tests/expected/$1"
}

# A log of the working folder as UTF-8 lines without CR, timestamps cut off (after
# checking that they are there and that every line is CP932 ending with CR LF).
log_lines() { # file name
    local log="$work/$1"
    [ -f "$log" ] || {
        fail "no $1 in the working folder"
        return
    }
    iconv -f CP932 -t UTF-8 "$log" >"$work/log-utf8.txt" || fail "$1 is not CP932"
    local lines crlf
    lines=$(wc -l <"$log")
    crlf=$(grep -c $'\r$' "$log")
    [ "$lines" -eq "$crlf" ] || fail "$1: $crlf of $lines lines end with CRLF"
    grep -vqE '^[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2},' "$work/log-utf8.txt" &&
        fail "$1: a line without its timestamp: $(grep -vE '^[0-9]{4}/' "$work/log-utf8.txt" | head -n1)"
    tr -d '\r' <"$work/log-utf8.txt" | cut -c21-
}

# What a tool logs before its first check: the hand-over of the storage service, then the
# catalogue read when the dialog opens.
start_lines='^【(Success|Failure)】,[^,]*,HalvixStoreP,|^【Success】,getSydCabList\(\),|^【Failure】,Decode error!! '

# Compares a log from its first line holding $3 on with a file of expected lines; before
# that line only what a tool logs at its start may stand.
expect_log() { # log-name expected-file first-line-marker
    log_lines "$1" >"$work/log-all.txt"
    local first
    first=$(grep -n -m1 -F -- "$3" "$work/log-all.txt" | cut -d: -f1)
    head -n $((${first:-1} - 1)) "$work/log-all.txt" | grep -vE "$start_lines" |
        sed 's/^/  unexpected before the checks: /' | grep . && fail "$1: lines before the first check"
    tail -n +"${first:-1}" "$work/log-all.txt" >"$work/log.txt"
    echo "  $1: $(wc -l <"$work/log.txt") lines from the first check on, $(wc -l <"$2") expected"
    if ! cmp -s "$work/log.txt" "$2"; then
        fail "$1 differs from the expected lines"
        diff "$2" "$work/log.txt" | head -n 20
    fi
}

# Ends a test case: its verdict, and its working folder kept when it failed.
finish_case() {
    if [ "$failures" -gt 0 ]; then
        echo "$case_name: $failures failure(s); the run's files are in ${work:-nowhere}"
        exit 1
    fi
    [ -z "${work:-}" ] || rm -rf "$work"
    echo "$case_name: passed"
}

# Puts files back as they are now when the case ends, however it ends: a repair changes
# the demo installation that later tests read. Files the case adds go again.
kept_files=()
added_files=()
keep_files() { # file...
    local file
    for file in "$@"; do
        cp -p "$file" "$file.kept"
        kept_files+=("$file")
    done
    trap restore_files EXIT
}
add_file() { # file text
    printf '%s\n' "$2" >"$1"
    added_files+=("$1")
    trap restore_files EXIT
}
restore_files() {
    local file
    for file in "${kept_files[@]}"; do
        mv -f "$file.kept" "$file"
    done
    for file in "${added_files[@]}"; do
        rm -f "$file"
    done
}
