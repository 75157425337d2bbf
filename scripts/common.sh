# Shared by the project's scripts: installing what is missing, building both builds, and
# preparing Wine prefixes. Source it; it defines functions and a few paths only, once per
# shell (a script that sources it twice keeps its Xvfb, keepalive and stand-in).
[ -z "${VT_COMMON_SOURCED:-}" ] || return 0
VT_COMMON_SOURCED=1

VT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VT_BUILD=${VT_BUILD:-$VT_ROOT/build}
VT_NATIVE=$VT_BUILD/native
VT_WINDOWS=$VT_BUILD/windows

VT_PACKAGES=(
    build-essential cmake ninja-build pkg-config clang-format
    clang libclang-rt-14-dev
    libgtest-dev googletest
    g++-mingw-w64-x86-64 mingw-w64-tools
    wine wine64 fonts-wine xvfb xauth x11-utils fonts-ipafont locales imagemagick
    unixodbc unixodbc-dev tdsodbc libsqliteodbc freetds-bin sqlite3 libsqlite3-dev
    python3 ca-certificates
    osslsigncode openssl
)

vt_log() { printf '== %s\n' "$*" >&2; }

vt_sudo() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the packages that are missing and the ja_JP.UTF-8 locale; does nothing when
# everything is there.
vt_install() {
    local missing=()
    local p
    for p in "${VT_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        vt_log "installing: ${missing[*]}"
        vt_sudo apt-get update -qq
        # Without ODBCSYSINI: the ODBC drivers' install scripts register themselves in
        # the odbcinst.ini it names, which would be the testbed's own.
        vt_sudo env -u ODBCSYSINI DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
            --no-install-recommends "${missing[@]}" >/dev/null
    fi
    # npm fetches the SQLite sources of the testbed's interpreter.
    command -v npm >/dev/null 2>&1 || {
        vt_sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
    }
    if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
        vt_log "generating the ja_JP.UTF-8 locale"
        vt_sudo sed -i 's/^# *ja_JP.UTF-8/ja_JP.UTF-8/' /etc/locale.gen
        grep -q '^ja_JP.UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | vt_sudo tee -a /etc/locale.gen >/dev/null
        vt_sudo locale-gen >/dev/null
    fi
}

vt_jobs() { nproc 2>/dev/null || echo 2; }

# Native build: the portable core and its tests, with AddressSanitizer and
# UndefinedBehaviorSanitizer.
vt_build_native() {
    cmake -S "$VT_ROOT" -B "$VT_NATIVE" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVT_SANITIZE=ON >/dev/null
    cmake --build "$VT_NATIVE" -j "$(vt_jobs)"
}

# Windows x64 build with mingw-w64 (posix threads, static runtime).
vt_build_windows() {
    cmake -S "$VT_ROOT" -B "$VT_WINDOWS" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$VT_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
    cmake --build "$VT_WINDOWS" -j "$(vt_jobs)"
}

# The environment of every Wine call of the project: a private 64-bit prefix, Japanese
# locale (ANSI code page 932), no debug noise, no Mono or Gecko prompts.
vt_wine_env() {
    export WINEPREFIX=$1
    export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=ja_JP.UTF-8
    unset LC_ALL
}

# Creates the prefix once: boot, let the first session end (two service managers would
# answer otherwise), no crash dialog, window frames drawn under a bare X server. Then the
# fonts of a Japanese Windows: the Marlett font of Wine's own package (without it the title
# bar's buttons read "0 1 r"), and IPA P Gothic, the nearest proportional Gothic, for the
# dialogs' "ＭＳ Ｐゴシック", so that texts fit their controls as on Windows.
vt_prepare_prefix() {
    vt_wine_env "$1"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        vt_log "creating Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot --init >/dev/null 2>&1
        wineserver -w
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
        wineserver -w
    fi
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    if [ ! -f "$fonts/marlett.ttf" ]; then
        mkdir -p "$fonts"
        cp "$(dpkg -L fonts-wine | grep -m1 '/marlett\.ttf$')" "$fonts/"
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /t REG_SZ \
            /d IPAPGothic /f >/dev/null 2>&1
        wineserver -w
    fi
}

# A display for dialogs: the caller's, or a private Xvfb.
VT_XVFB_PID=
vt_ensure_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return; fi
    local fd_file
    fd_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
    VT_XVFB_PID=$!
    local i
    for i in $(seq 1 50); do
        [ -s "$fd_file" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$fd_file")"
    rm -f "$fd_file"
}

# One long-lived Windows process keeps the prefix's session up, so that each program
# starts warm and services are not torn down between calls.
VT_KEEPALIVE_PID=
vt_start_keepalive() {
    wine "$VT_WINDOWS/testbed/bin/keepalive.exe" >/dev/null 2>&1 &
    VT_KEEPALIVE_PID=$!
    sleep 1
}

vt_stop_wine() {
    [ -n "$VT_DEMO_SQLDATA" ] && vt_sqlserver stop "$VT_DEMO_SQLDATA"
    [ -n "$VT_KEEPALIVE_PID" ] && kill "$VT_KEEPALIVE_PID" 2>/dev/null
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
    [ -n "$VT_XVFB_PID" ] && kill "$VT_XVFB_PID" 2>/dev/null
    VT_KEEPALIVE_PID=
    VT_XVFB_PID=
    return 0
}

# Builds the demo installation into the current prefix, with the cabinets' databases served
# by a SQL Server stand-in over <prefix>/../sqlserver (started here, stopped by
# vt_stop_wine). The catalogue names that server as "127.0.0.1,<port>".
VT_DEMO_SQLDATA=
vt_make_demo() {
    VT_DEMO_SQLDATA=$(dirname "$WINEPREFIX")/sqlserver
    mkdir -p "$VT_DEMO_SQLDATA"
    [ -f "$VT_DEMO_SQLDATA/logins.json" ] || echo '{"logins": {}}' >"$VT_DEMO_SQLDATA/logins.json"
    vt_sqlserver stop "$VT_DEMO_SQLDATA"
    local port
    port=$(vt_sqlserver start "$VT_DEMO_SQLDATA") || return 1
    python3 "$VT_ROOT/testbed/demo/make_demo.py" --prefix "$WINEPREFIX" \
        --bindir "$VT_WINDOWS/testbed/bin" --zqlencode "$VT_NATIVE/testbed/ZqlCommon_SD3/zqlencode" \
        --sqlserver-data "$VT_DEMO_SQLDATA" --sqlserver-host "127.0.0.1,$port" "$@"
}

# The services the tools meet on a server, played by the testbed's stand-in service:
# created when missing, set to automatic start and started.
vt_install_services() {
    local svcctl="$VT_WINDOWS/testbed/bin/svcctl.exe"
    local binary
    binary=$(winepath -w "$VT_WINDOWS/testbed/bin/StandinService.exe" 2>/dev/null)
    local service
    for service in "$@"; do
        wine "$svcctl" query "$service" >/dev/null 2>&1 ||
            wine "$svcctl" create "$service" "\"$binary\"" auto >/dev/null
        wine "$svcctl" config "$service" auto >/dev/null
        wine "$svcctl" start "$service" --wait >/dev/null 2>&1 || true # already running
    done
}

# The SQL Server stand-in over a data folder: start prints nothing, port prints the port.
vt_sqlserver() { "$VT_ROOT/testbed/sqlserver/sqlserverctl" "$@"; }
export ODBCSYSINI="$VT_ROOT/testbed/odbc"
