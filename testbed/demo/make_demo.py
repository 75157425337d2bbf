#!/usr/bin/env python3
"""Builds a demo Velmora server installation inside a Wine prefix.

Lays out both generations' folders (the install folder for generation 4, its Zeph5
subfolder for generation 5), each with sqli.exe and a data folder of SQLite databases,
copies ZqlCommon_SD3.dll into the installation folder (where the tools load it from by its
full path; they never search PATH), and writes the server's registry keys. Which generation the tools
see depends only on whether the Zeph5\\Tarn-D1 key exists, so switching generations later is
a matter of creating or deleting that key. Running it again rebuilds the data from scratch.

Standard library only. See README.md beside this file.
"""

import argparse
import collections
import os
import shutil
import sqlite3
import subprocess
import sys

import cabinets

# Cabinets of the demo catalogue. Extend here; every other table follows from this one.
#   key:       CatalogKey
#   name:      the cabinet's display name (brannockVaultName)
#   database:  its database on the SQL Server (brannockVaultDatabaseName)
#   mode:      brannockVaultOperationMode, "0" running, "1" stopped
#   user, password: the SQL Server login, stored encoded
#   corrupt_user: store a damaged encoded user, so that decoding it fails
#   no_database: the SQL Server has no such database (its login exists)
Cabinet = collections.namedtuple(
    "Cabinet", "key name database mode user password corrupt_user no_database",
    defaults=(False, False))

CABINETS = [
    Cabinet(1, "営業部", "Eigyo", "0", "velmora_eigyo", "Eig;yo=Pass}1"),
    Cabinet(2, "経理部", "Keiri", "1", "velmora_keiri", "Keiri#2024"),
    Cabinet(3, "技術資料", "Gijutsu", "0", "velmora_gijutsu", "g{i}j=u;tsu"),
    Cabinet(4, "空のキャビネット", "Clean", "0", "velmora_clean", "CleanPass1"),
    # Its database does not exist on the SQL Server.
    Cabinet(5, "欠落キャビネット", "Missing", "0", "velmora_missing", "MissingPass1",
            no_database=True),
    Cabinet(6, "暗号破損", "Broken", "0", "velmora_broken", "BrokenPass1", corrupt_user=True),
]

# Document types: (SN, DocNumberFormat, [(Lang, DisplayName), ...]).
# The four-letter text 'NULL' as format is what the tools report; a real NULL is not.
DOC_TYPES = [
    (1, "DOC-%05d", [("ja", "契約書"), ("en", "Contract")]),
    (2, "NULL", [(None, "見積書"), ("ja", "見積書（改）")]),  # two matching names
    (3, None, [("ja", "請求書")]),
    (4, "NULL", [("ja", "議事録,定例会議")]),  # comma in the name
    (5, "NULL", [("ja", "仕様書{改訂}")]),  # curly braces in the name
    (6, "INV-%06d", [("ja", "納品書"), (None, "納品書")]),
    (7, "NULL", [("ja", "報告書"), ("en", "Report")]),  # the 'en' row must not match
    (8, None, [(None, "稟議書")]),
    (9, "NULL", [("en", "English only")]),  # a finding with no Japanese name
]

# system_database rows besides the cabinets; the tools' listing leaves them out.
SYSTEM_DATABASES = ["ZqlDocType", "ZqlCatalog", "DefaultDB"]

# Paths in $$SystemDB end in this 7-character tail after the folder.
VAULT_TAIL = "\\vault\\"
VAULT_ROOT = "C:\\VelmoraData"

KEY_SERVER = r"HKEY_LOCAL_MACHINE\SOFTWARE\Brannock\Corvane2"
KEY_PRODUCT = r"HKEY_LOCAL_MACHINE\SOFTWARE\Brannock\Pellacore"
KEY_GEN4 = KEY_PRODUCT + r"\Zeph4\Tarn-G1"
KEY_GEN5 = KEY_PRODUCT + r"\Zeph5\Tarn-D1"


def wine_env(prefix):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEARCH="win64", WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=", LANG="ja_JP.UTF-8")
    return env


def run(cmd, env, check=True):
    return subprocess.run(cmd, env=env, check=check, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE)


def windows_to_unix(prefix, path):
    """C:\\a\\b -> <prefix>/drive_c/a/b (only drive C: exists in a fresh prefix)."""
    if len(path) < 3 or path[1:3] != ":\\" or path[0].upper() != "C":
        sys.exit(f"make_demo: {path!r} is not a path on drive C:")
    parts = [p for p in path[3:].split("\\") if p]
    return os.path.join(prefix, "drive_c", *parts)


def encode(zqlencode, plain):
    out = subprocess.run([zqlencode, plain], check=True, stdout=subprocess.PIPE)
    return out.stdout.decode("ascii").strip()


def corrupt(encoded):
    """Changes one digit of the cipher part: well-formed, but the checksum fails."""
    i = len("ZQ2:") + 1
    digit = "A" if encoded[i] != "A" else "B"
    return encoded[:i] + digit + encoded[i + 1:]


def create_database(path, script, rows):
    if os.path.exists(path):
        os.remove(path)
    with sqlite3.connect(path) as db:
        db.executescript(script)
        for sql, values in rows:
            db.executemany(sql, values)
    db.close()


def build_catalog(path, zqlencode, host):
    rows = []
    for c in CABINETS:
        user = encode(zqlencode, c.user)
        if c.corrupt_user:
            user = corrupt(user)
        values = [
            ("brannockVaultName", c.name),
            ("brannockVaultDatabaseName", c.database),
            ("brannockVaultOperationMode", c.mode),
            ("brannockVaultDatabaseHost", host),
            ("brannockVaultDatabaseUser", user),
            ("brannockVaultDatabasePassword", encode(zqlencode, c.password)),
        ]
        rows += [(c.key, name, value) for name, value in values]
    create_database(
        path,
        "CREATE TABLE Catalog(CatalogKey INTEGER, ValueName TEXT, StringValue TEXT);",
        [("INSERT INTO Catalog VALUES (?, ?, ?)", rows)])


def vault_path(folder_name):
    return VAULT_ROOT + "\\" + folder_name + VAULT_TAIL


def build_system_db(path, install_dir):
    rows = [(c.database, vault_path(c.name)) for c in CABINETS]
    rows += [(name, install_dir + "\\" + name + VAULT_TAIL) for name in SYSTEM_DATABASES]
    create_database(
        path,
        "CREATE TABLE system_database(Name TEXT, Paths TEXT);",
        [("INSERT INTO system_database VALUES (?, ?)", rows)])


def build_doc_types(path):
    create_database(
        path,
        "CREATE TABLE MasterDocType(SN INTEGER, DocNumberFormat TEXT);"
        "CREATE TABLE MasterDocTypeName(DocTypeSN INTEGER, Lang TEXT, DisplayName TEXT);",
        [("INSERT INTO MasterDocType VALUES (?, ?)", [(sn, fmt) for sn, fmt, _ in DOC_TYPES]),
         ("INSERT INTO MasterDocTypeName VALUES (?, ?, ?)",
          [(sn, lang, name) for sn, _, names in DOC_TYPES for lang, name in names])])


def build_sqlserver_data(data_dir):
    """Writes the cabinets' databases for the SQL Server stand-in into data_dir.

    <database>.sqlite for every cabinet that has one (a stale one of a cabinet without is
    removed), every cabinet's plain login merged into logins.json, and what the checks must
    find merged into expected.json. Returns the databases written.
    """
    os.makedirs(data_dir, exist_ok=True)
    written = []
    for c in CABINETS:
        path = os.path.join(data_dir, c.database + ".sqlite")
        if c.no_database:
            if os.path.exists(path):
                os.remove(path)
            continue
        cabinets.build_cabinet(path, c.database)
        written.append(c.database)
    cabinets.add_logins(data_dir, {c.user: c.password for c in CABINETS})
    cabinets.add_expected(data_dir, {db: cabinets.expected_json(db) for db in written})
    return written


def reg_string(value):
    return '"' + value.replace("\\", "\\\\").replace('"', '\\"') + '"'


def write_registry(prefix, env, args, install_dir):
    lines = ["Windows Registry Editor Version 5.00", "",
             f"[{KEY_SERVER}]", f'"ServerType"=dword:{args.server_type:08x}', "",
             f"[{KEY_PRODUCT}]", f'"InstallDir"={reg_string(install_dir)}', "",
             f"[{KEY_GEN4}]", f'"DataDir"={reg_string(install_dir + chr(92) + "data")}', ""]
    if args.generation == 5:
        gen5_data = install_dir + "\\Zeph5\\data"
        lines += [f"[{KEY_GEN5}]", f'"DataDir"={reg_string(gen5_data)}', ""]
    else:
        lines += [f"[-{KEY_GEN5}]", ""]
    reg_file = os.path.join(prefix, "drive_c", "windows", "temp", "velmora-demo.reg")
    os.makedirs(os.path.dirname(reg_file), exist_ok=True)
    with open(reg_file, "wb") as f:
        f.write(b"\xff\xfe" + "\r\n".join(lines).encode("utf-16-le"))
    # The import is live in the running wineserver when regedit returns. No "wineserver -w"
    # here: a keepalive process of the caller would make it wait forever.
    run(["wine", "regedit", "/S", r"C:\windows\temp\velmora-demo.reg"], env)
    os.remove(reg_file)


def reg_query(env, key, value):
    """The value's data as text, or None when the key or value is missing."""
    r = run(["wine", "reg", "query", key, "/v", value], env, check=False)
    if r.returncode != 0:
        return None
    for line in r.stdout.decode("cp932", errors="replace").splitlines():
        fields = line.split(None, 2)
        if len(fields) == 3 and fields[0] == value:
            return fields[2].strip()
    return None


def verify_registry(env, args, install_dir):
    expected = {
        (KEY_SERVER, "ServerType"): f"0x{args.server_type:x}",
        (KEY_PRODUCT, "InstallDir"): install_dir,
        (KEY_GEN4, "DataDir"): install_dir + "\\data",
        (KEY_GEN5, "DataDir"): install_dir + "\\Zeph5\\data" if args.generation == 5 else None,
    }
    for (key, value), want in expected.items():
        got = reg_query(env, key, value)
        if got != want:
            sys.exit(f"make_demo: registry {key} {value} is {got!r}, expected {want!r}")


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--prefix", required=True, help="Wine prefix (created when missing)")
    p.add_argument("--bindir", required=True,
                   help="folder with the Windows build's sqli.exe and ZqlCommon_SD3.dll")
    p.add_argument("--zqlencode", required=True, help="the native zqlencode program")
    p.add_argument("--generation", type=int, choices=(4, 5), default=5)
    p.add_argument("--server-type", type=lambda s: int(s, 0), default=0x200)
    p.add_argument("--install-dir", default="C:\\Velmora")
    p.add_argument("--sqlserver-data", metavar="DIR",
                   help="also write the cabinets' databases and logins for the SQL Server "
                        "stand-in into DIR")
    p.add_argument("--sqlserver-host", default="127.0.0.1",
                   help="the cabinets' SQL Server as the catalogue names it, e.g. 127.0.0.1,1433")
    args = p.parse_args()

    prefix = os.path.abspath(args.prefix)
    install_dir = args.install_dir.rstrip("\\")
    env = wine_env(prefix)
    binaries = {name: os.path.join(args.bindir, name) for name in ("sqli.exe", "ZqlCommon_SD3.dll")}
    for path in list(binaries.values()) + [args.zqlencode]:
        if not os.path.isfile(path):
            sys.exit(f"make_demo: {path} not found")

    if not os.path.isfile(os.path.join(prefix, "system.reg")):
        run(["wineboot", "--init"], env)
        run(["wineserver", "-w"], env)

    install = windows_to_unix(prefix, install_dir)
    os.makedirs(install, exist_ok=True)
    shutil.copy2(binaries["ZqlCommon_SD3.dll"], install)
    for folder in (install, os.path.join(install, "Zeph5")):
        data = os.path.join(folder, "data")
        shutil.rmtree(data, ignore_errors=True)
        os.makedirs(data)
        shutil.copy2(binaries["sqli.exe"], folder)
        build_catalog(os.path.join(data, "ZqlCatalog.sqlite"), args.zqlencode, args.sqlserver_host)
        build_system_db(os.path.join(data, "$$SystemDB.sqlite"), install_dir)
        build_doc_types(os.path.join(data, "ZqlDocType.sqlite"))
    for c in CABINETS:
        os.makedirs(windows_to_unix(prefix, vault_path(c.name)), exist_ok=True)

    write_registry(prefix, env, args, install_dir)
    verify_registry(env, args, install_dir)
    written = build_sqlserver_data(args.sqlserver_data) if args.sqlserver_data else []

    active = install_dir + ("\\Zeph5" if args.generation == 5 else "")
    findings = sum(1 for _, fmt, _ in DOC_TYPES if fmt == "NULL")
    print(f"Velmora demo installation in {prefix}")
    print(f"  generation {args.generation}, server type 0x{args.server_type:x}, "
          f"active folder {active}")
    print(f"  {len(CABINETS)} cabinets: " +
          ", ".join(f"{c.name} ({c.database})" for c in CABINETS))
    print(f"  {len(DOC_TYPES)} document types, {findings} with format 'NULL'")
    if args.sqlserver_data:
        print(f"  SQL Server data in {os.path.abspath(args.sqlserver_data)}: "
              + ", ".join(f"{db}.sqlite" for db in written) + ", logins.json, expected.json")
    print(f"  query: wine '{active}\\sqli.exe' /inprocess /reg "
          f"\"{KEY_GEN5 if args.generation == 5 else KEY_GEN4}\" /database ZqlCatalog "
          "/sql \"select CatalogKey, ValueName, StringValue from Catalog\"")


if __name__ == "__main__":
    main()
