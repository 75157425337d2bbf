# Shared by the Wine tests that drive the programs through their windows. Source it after
# setting build (the Windows build folder); it sets up the Wine environment of that build's
# prefix and defines the steps and expectations the tests use. Failures are counted in
# $failures.
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
vt_wine_env "$build/wineprefix"

bin="$build/testbed/bin"
scrutel="$build/Scrutel/Scrutel.exe"
mendora="$build/Mendora/Mendora.exe"
scrutel_title="Velmora データチェックツール"
mendora_title="Velmora データ補正ツール"
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
