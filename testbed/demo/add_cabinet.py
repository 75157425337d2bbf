#!/usr/bin/env python3
"""Adds one cabinet to the catalogue of a demo installation (both generations' copies), for
cabinets made apart from the demo's own, such as the large generated one.

    add_cabinet.py --prefix P --zqlencode Z --name NAME --database DB --host HOST
                   --user LOGIN --password PASSWORD [--install-dir C:\\Velmora]
"""
import argparse
import os
import sqlite3

from make_demo import encode, windows_to_unix


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for option in ("--prefix", "--zqlencode", "--name", "--database", "--host", "--user",
                   "--password"):
        p.add_argument(option, required=True)
    p.add_argument("--install-dir", default="C:\\Velmora")
    args = p.parse_args()
    values = [("brannockVaultName", args.name), ("brannockVaultDatabaseName", args.database),
              ("brannockVaultOperationMode", "0"), ("brannockVaultDatabaseHost", args.host),
              ("brannockVaultDatabaseUser", encode(args.zqlencode, args.user)),
              ("brannockVaultDatabasePassword", encode(args.zqlencode, args.password))]
    install = windows_to_unix(os.path.abspath(args.prefix), args.install_dir)
    for folder in (install, os.path.join(install, "Zeph5")):
        db = sqlite3.connect(os.path.join(folder, "data", "ZqlCatalog.sqlite"))
        key = db.execute("select coalesce(max(CatalogKey), 0) + 1 from Catalog").fetchone()[0]
        db.execute("delete from Catalog where CatalogKey in (select CatalogKey from Catalog "
                   "where ValueName = 'brannockVaultDatabaseName' and StringValue = ?)",
                   (args.database,))
        db.executemany("insert into Catalog values (?, ?, ?)",
                       [(key, name, value) for name, value in values])
        db.commit()
        db.close()
    print(f"cabinet {args.name} ({args.database}) added to the catalogue")


if __name__ == "__main__":
    main()
