#!/usr/bin/env bash
# The release zip of scripts/package: the two programs and the README, nothing of the
# testbed; each program imports only system DLLs that Windows resolves before the program's
# own folder (known DLLs, and the common controls through the manifest) and nothing by a
# GCC-decorated name; neither VERSION.dll nor the ODBC driver manager, which it would take
# from its own folder first; and it carries the helper library's export names it binds.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

zip=$(VT_DIST="$scratch/dist" "$root/scripts/package") || {
    echo "FAIL: scripts/package"
    exit 1
}
echo "zip: $(basename "$zip")"
version=$(sed -n 's/^project(VelmoraTools VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ "$(basename "$zip")" = "VelmoraTools-$version.zip" ] || fail "zip name, expected VelmoraTools-$version.zip"

mkdir "$scratch/unpacked"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
    "$zip" "$scratch/unpacked" || fail "the zip does not unpack"
contents=$(cd "$scratch/unpacked" && find . -mindepth 1 | sort | tr '\n' ' ')
[ "$contents" = "./Mendora.exe ./README.txt ./Scrutel.exe " ] || fail "contents: $contents"

system_dlls="ADVAPI32.dll COMCTL32.dll GDI32.dll KERNEL32.dll msvcrt.dll USER32.dll"
for exe in Scrutel.exe Mendora.exe; do
    file="$scratch/unpacked/$exe"
    [ -f "$file" ] || continue
    imports=$(x86_64-w64-mingw32-objdump -p "$file" | awk '
        /DLL Name:/ { dll = $3; next }
        /^\t[0-9a-f]+\t *[0-9]+ +[^ ]/ && dll { print dll, $3 }')
    [ -n "$imports" ] || fail "$exe: no imports read"
    for dll in $(echo "$imports" | cut -d' ' -f1 | sort -u); do
        case " $system_dlls " in
        *" $dll "*) ;;
        *) fail "$exe imports $dll" ;;
        esac
    done
    for dll in VERSION.dll ODBC32.dll; do
        ! echo "$imports" | grep -qi "^$dll " || fail "$exe imports $dll"
    done
    decorated=$(echo "$imports" | awk '$2 ~ /^_Z/')
    [ -z "$decorated" ] || fail "$exe imports GCC-decorated names: $decorated"
    for name in 'ZqlCommon_SD3.dll' '?ZqlDecrypt2@@YAHPEB_WPEAPEA_WP6APEAX_K@Z@Z' 'ZqlDecrypt2'; do
        grep -qaF -- "$name" "$file" || fail "$exe does not carry '$name'"
    done
    echo "$exe: $(echo "$imports" | wc -l) imported functions from" \
        "$(echo "$imports" | cut -d' ' -f1 | sort -u | tr '\n' ' ')"
done
head -c 3 "$scratch/unpacked/README.txt" | cmp -s - <(printf '\xef\xbb\xbf') ||
    fail "README.txt is not UTF-8 with a byte order mark"

[ "$failures" -eq 0 ] || exit 1
echo "release package: passed"
