#!/usr/bin/env bash
# The release zip of scripts/package: the two programs and the README, nothing of the
# testbed; each program imports only system DLLs that Windows resolves before the program's
# own folder (known DLLs, and the common controls through the manifest) and nothing by a
# GCC-decorated name; neither VERSION.dll nor the ODBC driver manager, which it would take
# from its own folder first; and it carries the helper library's export names it binds.
# Given a certificate, the programs are signed (the test makes its own).
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

# Signing: without a certificate the programs are not signed; with a test certificate made
# here (never kept) both carry a signature that verifies against it; a certificate that
# cannot be used stops the release and leaves the zip before it alone.
for exe in Scrutel.exe Mendora.exe; do
    ! osslsigncode verify -in "$scratch/unpacked/$exe" >/dev/null 2>&1 ||
        fail "$exe is signed though no certificate was given"
done
cert=$scratch/cert
mkdir "$cert"
printf 'test-%s' "$RANDOM$RANDOM" >"$cert/password"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Velmora Tools Test Signing" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$cert/key.pem" -out "$cert/cert.pem" \
    2>/dev/null && openssl pkcs12 -export -in "$cert/cert.pem" -inkey "$cert/key.pem" \
    -out "$cert/test.pfx" -passout "file:$cert/password" || fail "openssl made no test certificate"
package_signed() { # pfx password-file -> the zip's path
    VT_DIST="$scratch/signed" VT_SIGN_PFX="$1" VT_SIGN_PASSWORD_FILE="$2" \
        VT_SIGN_CA_FILE="$cert/cert.pem" "$root/scripts/package" 2>"$scratch/package.err"
}
if zip=$(package_signed "$cert/test.pfx" "$cert/password"); then
    mkdir "$scratch/signed-unpacked"
    python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
        "$zip" "$scratch/signed-unpacked"
    for exe in Scrutel.exe Mendora.exe; do
        verified=$(osslsigncode verify -in "$scratch/signed-unpacked/$exe" \
            -CAfile "$cert/cert.pem" 2>&1) || fail "$exe: the signature does not verify"
        grep -q "Subject: /CN=Velmora Tools Test Signing" <<<"$verified" ||
            fail "$exe is not signed with the test certificate"
        grep -q "Message digest algorithm  : SHA256" <<<"$verified" || fail "$exe: not SHA-256"
        echo "$exe: osslsigncode verify"
        sed 's/^/    /' <<<"$verified"
    done
    before=$(sha256sum <"$zip")
    echo wrong >"$cert/wrong-password"
    ! package_signed "$cert/test.pfx" "$cert/wrong-password" >/dev/null ||
        fail "signed with a wrong password"
    grep -q "signing Scrutel.exe failed" "$scratch/package.err" || fail "no word of the failed signing"
    [ "$(sha256sum <"$zip")" = "$before" ] || fail "a failed signing changed the zip before it"
    ! package_signed "$cert/test.pfx" "$cert/none" >/dev/null || fail "signed without a password"
    grep -q "VT_SIGN_PASSWORD_FILE" "$scratch/package.err" || fail "no word of the password file"
    ! package_signed "$cert/none.pfx" "$cert/password" >/dev/null || fail "signed without a PFX"
    grep -q "VT_SIGN_PFX: no such file" "$scratch/package.err" || fail "no word of the PFX"
else
    cat "$scratch/package.err"
    fail "scripts/package with a certificate"
fi

[ "$failures" -eq 0 ] || exit 1
echo "release package: passed"
