#!/usr/bin/env python3
"""Writes a large cabinet database for the SQL Server stand-in, for timing the checks.

  make_large_cabinet.py --sqlserver-data DIR [--name Large] [--documents 100000] [--seed N]

DIR/<name>.sqlite gets the cabinet schema of cabinets.py filled with <documents> documents of
realistic shape (mostly one to a few sections, some hundreds, a few versions, a preview
rendition now and then) and a few thousand findings of every kind: suspect users owning about
one record in thirty, zero-byte, oversized and unsupported sections, documents over 200
sections, checked-out documents (some by users that no longer exist). The same seed gives the
same file. The counts every check must report are worked out while the rows are made, printed,
and merged into DIR/expected.json; the login velmora_<name> is merged into DIR/logins.json.

The cabinet is not in the demo catalogue; point a catalogue entry at its database to check it
with the tools.
"""

import argparse
import os
import random
import sys
import time

import cabinets

MB100 = cabinets.MB100
SUPPORTED = {".doc", ".rtf", ".docx", ".docm", ".ppt", ".pptx", ".pptm", ".xls", ".xlsx",
             ".xlsm", ".csv", ".vsd", ".txt", ".text", ".pdf", ".bmp", ".tiff", ".tif",
             ".jpeg", ".jpg", ".jpe", ".png"}
COMMON_EXTENSIONS = [".pdf"] * 8 + [".docx"] * 5 + [".xlsx"] * 4 + [".pptx", ".doc", ".xls",
                     ".tif", ".jpg", ".png", ".txt", ".csv", ".PDF", ".Docx", ".rtf"]
UNSUPPORTED = [".msg", ".zip", ".dwg", ".heic", ".mp4", ".7z", ".eml", ".ai"]
SURNAMES = ["佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤",
            "吉田", "山田", "佐々木", "山口", "松本", "井上", "木村", "林", "斎藤", "清水"]
GIVEN = ["太郎", "花子", "一郎", "美咲", "健", "陽菜", "翔", "結衣", "大輔", "さくら"]
ROMAJI = ["sato", "suzuki", "takahashi", "tanaka", "ito", "watanabe", "yamamoto", "nakamura",
          "kobayashi", "kato", "yoshida", "yamada", "sasaki", "yamaguchi", "matsumoto", "inoue",
          "kimura", "hayashi", "saito", "shimizu"]
TITLES = ["見積書", "議事録", "報告書", "設計書", "契約書", "請求書", "仕様書", "手順書",
          "提案書", "図面"]
# Kinds of suspect user: (UserID, UserSpace); None keeps the generated value.
SUSPECT_KINDS = [(None, ""), (None, "   "), (None, "NULL"), ("digit", None), ("", None),
                 ("NULL", None), ("kanji", None)]


def is_valid_id(user_id):
    return bool(user_id) and user_id[0].isascii() and user_id[0].isalpha()


def is_suspect(user_id, space):
    return space is None or space.strip(" ") == "" or not is_valid_id(user_id)


class Generator:
    def __init__(self, documents, seed):
        self.rng = random.Random(seed)
        self.documents = documents
        self.rows = {t.name: [] for t in cabinets.SCHEMA}
        self.counts = {name: 0 for name in cabinets.CHECKS}
        self.next_sn = {}

    def sn(self, table):
        value = self.next_sn.get(table, 1)
        self.next_sn[table] = value + 1
        return value

    def users(self):
        rng = self.rng
        count = max(60, self.documents // 200)
        self.suspects, self.user_sns = set(), []
        valid_accounts = 0
        for sn in range(1, count + 1):
            surname = rng.randrange(len(SURNAMES))
            account = SURNAMES[surname] + GIVEN[rng.randrange(len(GIVEN))]
            user_id = ROMAJI[surname].capitalize() + str(sn)
            if sn % 11 == 0:
                user_id = user_id.lower()       # matched by [A-Z] all the same
            domain = "" if sn % 7 == 0 else "LARGE"
            space, kind = "Default", 0
            if sn % 20 == 3:
                kind, account = 1, account + "グループ"
            elif sn % 33 == 7:
                bad_id, bad_space = SUSPECT_KINDS[(sn // 33) % len(SUSPECT_KINDS)]
                if bad_space is not None:
                    space = None if bad_space == "NULL" else bad_space
                user_id = {None: user_id, "digit": str(sn) + user_id, "": "", "NULL": None,
                           "kanji": SURNAMES[surname]}[bad_id]
            if is_suspect(user_id, space):
                self.suspects.add(sn)
            elif kind == 0:
                valid_accounts += 1
            self.user_sns.append(sn)
            self.rows["UserOrGroup"].append((sn, account, user_id, domain, space, kind))
        self.counts["UserRecordCheck"] = len(self.suspects)
        self.counts["ValidAccounts"] = valid_accounts
        self.gone_users = list(range(count + 1000, count + 1010))

    def user(self):
        return self.user_sns[self.rng.randrange(len(self.user_sns))]

    def section(self):
        rng = self.rng
        r = rng.random()
        if r < 0.010:
            ext = rng.choice(UNSUPPORTED)
        elif r < 0.015:
            ext = None
        else:
            ext = rng.choice(COMMON_EXTENSIONS)
        r = rng.random()
        if r < 0.003:
            size = 0
        elif r < 0.0045:
            size = rng.randint(MB100 + 1, 3 * MB100)
        elif r < 0.005:
            size = MB100
        else:
            size = min(MB100, max(1, int(rng.lognormvariate(11.5, 1.6))))
        return ext, size

    def section_total(self):
        r = self.rng.random()
        if r < 0.62:
            return 1
        if r < 0.88:
            return self.rng.randint(2, 5)
        if r < 0.985:
            return self.rng.randint(6, 20)
        if r < 0.9993:
            return self.rng.randint(21, 120)
        return self.rng.choice([200, 200, 201, self.rng.randint(202, 400)])

    def rendition(self, doc_version, kind, secs):
        rsn = self.sn("Rendition")
        self.rows["Rendition"].append((rsn, doc_version, kind))
        add = self.rows["ContentElement"].append
        for index, (ext, size) in enumerate(secs):
            add((self.sn("ContentElement"), rsn, index, ext, size))
            if kind != cabinets.PRIMARY:
                continue
            self.counts["ZeroByteSectionCheck"] += size == 0
            self.counts["OversizedSectionCheck"] += size > MB100
            self.counts["UnsupportedExtensionCheck"] += (
                ext is not None and ext.casefold() not in SUPPORTED)

    def document(self, sn, folders):
        rng = self.rng
        creator = self.user()
        trash = int(rng.random() < 0.05)
        reserver, series = None, 1
        if rng.random() < 0.01:
            reserver = rng.choice(self.gone_users) if rng.random() < 0.1 else self.user()
            series = 2 if rng.random() < 0.1 else 1
            if reserver in self.user_sns:
                self.counts["CheckedOutDocumentCheck"] += series
        total = self.section_total()
        versions = 1 if total >= 200 else rng.choice([1, 1, 1, 1, 1, 1, 2, 2, 2, 3])
        title = f"{rng.choice(TITLES)} 第{sn}号"
        self.rows["ConfigurationHistory"].append(
            (sn, title, rng.choice(folders), creator, reserver, total, trash))
        self.counts["SectionCountCheck"] += total > 200
        first_series = None
        for s in range(series):
            vs = self.sn("VersionSeries")
            first_series = first_series or vs
            date = f"2024-{rng.randint(1, 12):02d}-{rng.randint(1, 28):02d} 10:{s:02d}:00"
            self.rows["VersionSeries"].append(
                (vs, sn, reserver if s == 0 else None, date if s == 0 and reserver else None))
        for number in range(1, versions + 1):
            dv = self.sn("DocVersion")
            last = number == versions
            checkin = creator if rng.random() < 0.8 else self.user()
            self.rows["DocVersion"].append((dv, checkin if rng.random() < 0.9 else self.user()))
            self.rows["VersionDescription"].append((dv, first_series, dv, number, checkin))
            count = total if last else max(1, total - rng.randint(0, 2))
            self.rendition(dv, cabinets.PRIMARY, [self.section() for _ in range(count)])
            if rng.random() < 0.1:   # a preview; its odd sections are never findings
                odd = rng.choice([(".png", 8000), (".png", 0), (".xyz", 5000),
                                  (".png", MB100 + 1)])
                self.rendition(dv, cabinets.PREVIEW, [odd])

    def build(self):
        rng = self.rng
        self.users()
        folders = []
        for _ in range(max(10, self.documents // 50)):
            sn = self.sn("Container")
            parent = rng.choice(folders) if folders else None
            self.rows["Container"].append(
                (sn, f"フォルダ{sn}", parent, self.user(), int(rng.random() < 0.03)))
            folders.append(sn)
        for sn in range(1, self.documents + 1):
            self.document(sn, folders)
        docs = self.documents
        for _ in range(docs // 10):
            self.rows["Shortcut"].append((self.sn("Shortcut"), rng.randint(1, docs),
                                          rng.choice(folders), self.user(),
                                          int(rng.random() < 0.05)))
            self.rows["ReferenceRelationship"].append(
                (self.sn("ReferenceRelationship"), rng.randint(1, docs), rng.randint(1, docs),
                 self.user()))
        for _ in range(50):
            self.rows["DocType"].append((self.sn("DocType"), rng.choice(TITLES), self.user()))
        for _ in range(500):
            self.rows["WordBook"].append((self.sn("WordBook"), rng.choice(SURNAMES),
                                          self.user()))
        for _ in range(len(folders) * 2):
            self.rows["AccessControlList"].append((self.sn("AccessControlList"),
                                                   rng.choice(folders), self.user(),
                                                   rng.choice([1, 7, 15])))
        for _ in range(200):
            self.rows["SearchRight"].append((self.sn("SearchRight"), rng.randint(1, 50),
                                             self.user()))
        self.count_related()

    def count_related(self):
        """Rows each lookup returns, summed over the suspect users."""
        user_columns = {"Container": [3], "ConfigurationHistory": [3, 4], "Shortcut": [3],
                        "ReferenceRelationship": [3], "VersionSeries": [2],
                        "VersionDescription": [4], "DocVersion": [1], "DocType": [2],
                        "WordBook": [2], "AccessControlList": [2], "SearchRight": [2]}
        related = {}
        for table, positions in user_columns.items():
            related[table] = sum(len({row[p] for p in positions} & self.suspects)
                                 for row in self.rows[table])
        c = self.counts
        c["RelatedRecordCount"] = sum(related.values())
        c["ScrutelRelatedRows"] = sum(n for t, n in related.items()
                                      if t not in cabinets.MENDORA_ONLY)
        c["DeletedRowCount"] = sum(related[t] for t in cabinets.DELETED_BY_REPAIR)
        c["CorrectedRowCount"] = c["RelatedRecordCount"] - c["DeletedRowCount"]


def generate(path, documents, seed=1):
    """Writes the cabinet to path and returns the counts the checks must report."""
    g = Generator(documents, seed)
    g.build()
    cabinets.write_database(path, g.rows)
    return g.counts


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--sqlserver-data", required=True, metavar="DIR")
    p.add_argument("--name", default="Large", help="database name (default Large)")
    p.add_argument("--documents", type=int, default=100000)
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--password", help="login password (default <name>Pass1)")
    args = p.parse_args()
    if args.documents < 1:
        sys.exit("make_large_cabinet: --documents must be at least 1")

    os.makedirs(args.sqlserver_data, exist_ok=True)
    started = time.monotonic()
    counts = generate(os.path.join(args.sqlserver_data, args.name + ".sqlite"),
                      args.documents, args.seed)
    login = "velmora_" + args.name.lower()
    cabinets.add_logins(args.sqlserver_data, {login: args.password or args.name + "Pass1"})
    cabinets.add_expected(args.sqlserver_data, {args.name: {
        "documents": args.documents, "seed": args.seed, "counts": counts}})
    print(f"{args.name}.sqlite: {args.documents} documents, seed {args.seed}, login {login}, "
          f"{time.monotonic() - started:.1f} s")
    for name, count in counts.items():
        print(f"  {name:28} {count}")


if __name__ == "__main__":
    main()
