#!/usr/bin/env bash
# Where the programs take DLLs from, under Wine on the demo installation. They run elevated,
# so a DLL another user placed must never run in them:
#   planted-dlls          ZqlCommon_SD3.dll, VERSION.dll and ODBC32.dll planted in the folder
#                         the programs start in, and beside copies of them: none is loaded
#                         (each would leave a marker), and the runs work with the server's
#                         helper library and the system's driver manager
#   helper-library-on-path the helper library only on PATH: the missing-library message,
#                         exit code 1 from the dialogs and 3 from /check, the service left
#                         alone; named in HelperLibraryFolder, it is used
#   dll_loading_test.sh BUILD_DIR CASE
set -u
. "$(dirname "$0")/../../../testbed/uidriver/drive.sh" "$@"

# Scrutel.exe (the build's or a copy) /check in the working folder; sets code.
check_in_work() { # exe args...
    local exe=$1
    shift
    (cd "$work" && exec wine "$exe" /check "$@" >/dev/null 2>&1)
    code=$?
    echo "  $(basename "$exe") /check $* in $work: exit code $code"
}

# Mendora in the working folder checks 空のキャビネット (a login through ODBC) and closes.
mendora_checks_in_work() { # exe
    start_tool "$1" "$mendora_title" "$work"
    local row
    row=$(cabinet_row "$mendora_title" 空のキャビネット) || fail "空のキャビネット is not listed"
    ui listview-select "$mendora_title" 1000 "${row:-0}" >/dev/null
    ui click "$mendora_title" 1 >/dev/null || fail "could not click OK"
    sleep 0.5
    wait_enabled "$mendora_title" 2 60
    read_text "$mendora_title" 1001 | grep -q "データチェックを実行しました。" ||
        fail "$(basename "$1"): no check result"
    ui click "$mendora_title" 2 >/dev/null
    expect_exit "$pid" 0 "$(basename "$1") closed"
}

# A dialog program that cannot find the helper library: its message, OK, exit code 1.
expect_no_library() { # exe title
    wine "$1" &
    local pid=$!
    expect_box "$2" "ZqlCommon_SD3.dll を読み込めません。" stop
    ui click "$2" 1 >/dev/null
    expect_exit "$pid" 1 "$(basename "$1") without the library"
}

case "$case_name" in
planted-dlls)
    reset_service
    # Wine prefers its own odbc32.dll to a copy it finds; told to prefer the copy, it looks
    # for it as Windows looks for a DLL that is not a known DLL. (Not so for version.dll,
    # which Wine's own user32.dll imports: that the programs do not import it is read from
    # their import tables, scripts/tests/package_test.sh.)
    export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;odbc32=n,b"
    work=$(mktemp -d)
    for dll in ZqlCommon_SD3.dll VERSION.dll ODBC32.dll; do
        cp "$bin/planted.dll" "$work/$dll"
    done
    cp "$scrutel" "$mendora" "$work/"
    for exe in "$scrutel" "$work/Scrutel.exe"; do
        check_in_work "$exe" /cabinet 空のキャビネット /json run.json
        expect_equal "$code" 1 "exit code of $exe: checked, the document types have findings"
    done
    for exe in "$mendora" "$work/Mendora.exe"; do
        mendora_checks_in_work "$exe"
    done
    markers=$(cd "$work" && ls -- *.loaded 2>/dev/null | tr '\n' ' ')
    expect_equal "$markers" "" "planted DLLs that were loaded"
    expect_service "RUNNING AUTO" "after the runs"
    ;;
helper-library-on-path)
    reset_service
    library="$WINEPREFIX/drive_c/Velmora/ZqlCommon_SD3.dll"
    elsewhere="$WINEPREFIX/drive_c/VelmoraHelper"
    keep_files "$library"
    mkdir -p "$elsewhere"
    mv "$library" "$elsewhere/"
    export WINEPATH='C:\VelmoraHelper'
    wine cmd /c echo '%PATH%' 2>/dev/null | grep -qiF 'C:\VelmoraHelper' ||
        fail "C:\\VelmoraHelper is not on the programs' PATH"
    work=$(mktemp -d)
    check_in_work "$scrutel" /json run.json
    expect_equal "$code" 3 "exit code of /check without the library in the server's folders"
    for part in 'ZqlCommon_SD3.dll を読み込めません。' '探したフォルダー: C:\\Velmora\\Zeph5, C:\\Velmora\n' \
        'HelperLibraryFolder: 設定なし'; do
        grep -qF -- "$part" "$work/run.json" || fail "the JSON's error does not hold '$part'"
    done
    expect_no_library "$mendora" "$mendora_title"
    expect_no_library "$scrutel" "$scrutel_title"
    expect_service "RUNNING AUTO" "after the refusals"

    # A server that keeps its library elsewhere: the administrator names the folder.
    wine reg add 'HKLM\SOFTWARE\VelmoraTools' /v HelperLibraryFolder /t REG_SZ \
        /d 'C:\VelmoraHelper' /f >/dev/null 2>&1
    check_in_work "$scrutel" /cabinet 空のキャビネット /json run.json
    wine reg delete 'HKLM\SOFTWARE\VelmoraTools' /v HelperLibraryFolder /f >/dev/null 2>&1
    expect_equal "$code" 1 "exit code with the library in the named folder"
    mv "$elsewhere/ZqlCommon_SD3.dll" "$library"
    rmdir "$elsewhere"
    expect_service "RUNNING AUTO" "after the run"
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac

finish_case
