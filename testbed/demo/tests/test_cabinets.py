"""The demo cabinets hold exactly the findings that cabinets.EXPECTED promises.

Runs the statements that Scrutel and Mendora send to a cabinet, word for word, on the SQLite
files that make_demo.py writes for the SQL Server stand-in. The connection is given SQL
Server's text rules first: LIKE with [A-Z] ranges, case-insensitive, and '=' that ignores case
and trailing blanks.
"""

import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import unittest

DEMO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, DEMO)

import cabinets  # noqa: E402
import make_demo  # noqa: E402
import make_large_cabinet  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(DEMO), "sqlserver"))
try:
    import tsql  # the SQL Server stand-in's dialect layer
except ImportError:
    tsql = None

# --- The tools' statements -------------------------------------------------------------------

SUSPECT_USERS = ("Select SN, AccountName, UserID, DomainName, UserSpace From UserOrGroup where "
                 "(UserSpace Is NULL) or (UserSpace = '') or  (UserID NOT LIKE '[A-Z]%%') or "
                 "(UserID Is NULL) or (UserID = '') order by SN")
VALID_ACCOUNTS = ("Select SN, AccountName, DomainName \tFrom UserOrGroup where (UserType = 0) and "
                  "(Not UserSpace = '') And (UserID LIKE '[A-Z]%%') and (Not UserID = '') "
                  "order by SN")

# table: (Scrutel's column list, Mendora's column list, from clause, ordered)
LOOKUPS = {
    "Container": ("SN, IsTrash", "SN, IsTrash",
                  "Container where (CreateUserSN = %s) order by SN", True),
    "ConfigurationHistory": (
        "SN, IsTrash", "SN, IsTrash, CreateUserSN, ReserveUserSN",
        "ConfigurationHistory where (CreateUserSN = %s)  or (ReserveUserSN = %s) order by SN", True),
    "Shortcut": ("SN, IsTrash", "SN, IsTrash", "Shortcut where (CreateUserSN = %s)", False),
    "ReferenceRelationship": (
        "SN, HeadConfigurationHistorySN, TailConfigurationHistorySN",
        "SN, HeadConfigurationHistorySN, TailConfigurationHistorySN",
        "ReferenceRelationship where (CreateUserSN = %s) order by SN", True),
    "VersionSeries": ("SN,ConfigurationHistorySN", "SN,ConfigurationHistorySN",
                      "VersionSeries where (ReserveUserSN = %s)", False),
    "VersionDescription": ("SN, VersionSeriesSN, DocVersionSN, VersionNumber",
                           "SN, VersionSeriesSN, DocVersionSN, VersionNumber",
                           "VersionDescription where (CheckInUserSN = %s) order by SN", True),
    "DocVersion": ("SN", "SN", "DocVersion where (UpdateUserSN = %s) order by SN", True),
    "DocType": (None, "SN", "DocType where (CreateUserSN = %s) order by SN", True),
    "WordBook": (None, "SN", "WordBook where (CreateUserSN = %s) order by SN", True),
    "AccessControlList": ("SN", "SN", "AccessControlList where (UserSN = %s) order by SN", True),
    "SearchRight": ("SN", "SN", "SearchRight where (UserSN = %s) order by SN", True),
}
# How many columns of each lookup the expectation holds.
EXPECTED_WIDTH = {"ConfigurationHistory": 2}

REPAIRS = {
    "Container": ["update Container set CreateUserSN=%s where (CreateUserSN = %s)"],
    "ConfigurationHistory": [
        "update ConfigurationHistory set CreateUserSN=%s where (CreateUserSN = %s)",
        "update ConfigurationHistory set ReserveUserSN=%s where (ReserveUserSN = %s)"],
    "Shortcut": ["update Shortcut set CreateUserSN=%s where (CreateUserSN = %s)"],
    "ReferenceRelationship": [
        "update ReferenceRelationShip set CreateUserSN=%s where (CreateUserSN = %s)"],
    "VersionSeries": ["update VersionSeries set ReserveUserSN=%s where (ReserveUserSN = %s)"],
    "VersionDescription": [
        "update VersionDescription set CheckInUserSN=%s where (CheckInUserSN = %s)"],
    "DocVersion": ["update DocVersion set UpdateUserSN=%s where (UpdateUserSN = %s)"],
    "DocType": ["update DocType set CreateUserSN=%s where (CreateUserSN = %s)"],
    "WordBook": ["update WordBook set CreateUserSN=%s where (CreateUserSN = %s)"],
    "AccessControlList": ["delete from AccessControlList where (UserSN = %s)"],
    "SearchRight": ["delete from SearchRight where (UserSN = %s)"],
}
DELETE_USER = "delete from UserOrGroup where (SN = %s)"

SUPPORTED = ("('.doc', '.rtf', '.docx', '.docm', '.ppt', '.pptx', '.pptm', '.xls', '.xlsx', "
             "'.xlsm', '.csv', '.vsd', '.txt', '.text', '.pdf', '.bmp', '.tiff', '.tif', "
             "'.jpeg', '.jpg', '.jpe', '.png')")
SECTION_JOIN = ("RE.SN = CE.RenditionSN and RE.RenditionType = 'Halvik-Primary' and "
                "VD.DocVersionSN = RE.DocVersionSN and VS.SN = VD.VersionSeriesSN and "
                "CH.SN = VS.ConfigurationHistorySN order by CH.SN, CE.SN")
SECTION_FROM = ("from ContentElement as CE, Rendition as RE, VersionDescription as VD, "
                "VersionSeries as VS, ConfigurationHistory as CH")
SECTION_COLUMNS = ("select CH.SN as 文書番号, VD.VersionNumber as バージョン番号, "
                   "CE.ListIndex + 1 as セクション番号, CE.StreamFormat as 拡張子, ")
CONTENT_CHECKS = {
    "SectionCountCheck":
        "select CH.SN as 文書番号, CH.SectionCount as セクション数,IsTrash as ごみ箱 \t\tfrom "
        "ConfigurationHistory as CH \t\twhere CH.SectionCount > 200 order by CH.SN",
    "ZeroByteSectionCheck":
        SECTION_COLUMNS + "CH.IsTrash as ごみ箱 \t\t" + SECTION_FROM +
        " \t\twhere CE.StreamSize = 0 and " + SECTION_JOIN,
    "OversizedSectionCheck":
        SECTION_COLUMNS + "CE.StreamSize as セクションサイズ, CH.IsTrash as ごみ箱 \t\t" +
        SECTION_FROM + " \t\twhere CE.StreamSize > 104857600 and " + SECTION_JOIN,
    "CheckedOutDocumentCheck":
        "select CH.SN as 文書番号, UOG.AccountName as チェックアウトユーザ, UOG.DomainName as "
        "ドメイン, VS.ReserveDate as チェックアウト日時, CH.IsTrash as ごみ箱 \t\tfrom UserOrGroup "
        "as UOG, VersionSeries as VS, ConfigurationHistory as CH \t\twhere CH.ReserveUserSN is "
        "not NULL and CH.SN = VS.ConfigurationHistorySN and UOG.SN = CH.ReserveUserSN order by "
        "CH.SN",
    "UnsupportedExtensionCheck":
        SECTION_COLUMNS + "CH.IsTrash as ごみ箱 \t\t" + SECTION_FROM +
        " \t\twhere (not CE.StreamFormat in " + SUPPORTED + ") and " + SECTION_JOIN,
}


# --- SQL Server's text rules on SQLite -------------------------------------------------------

def like_regex(pattern):
    out, i = [], 0
    while i < len(pattern):
        ch = pattern[i]
        if ch == "%":
            out.append(".*")
        elif ch == "_":
            out.append(".")
        elif ch == "[" and "]" in pattern[i + 1:]:
            end = pattern.index("]", i + 1)
            body = pattern[i + 1:end]
            negate = body.startswith("^")
            body = body[1:] if negate else body
            out.append("[" + ("^" if negate else "") + body.replace("\\", "\\\\") + "]")
            i = end
        else:
            out.append(re.escape(ch))
        i += 1
    return re.compile("".join(out), re.IGNORECASE | re.DOTALL)


def sqlserver_like(pattern, value):
    if pattern is None or value is None:
        return None
    return int(like_regex(pattern).fullmatch(value) is not None)


def sqlserver_text_order(a, b):
    a, b = a.rstrip(" ").casefold(), b.rstrip(" ").casefold()
    return (a > b) - (a < b)


def open_cabinet(path):
    db = sqlite3.connect(path)
    db.create_collation("NOCASE", sqlserver_text_order)
    db.create_function("like", 2, sqlserver_like, deterministic=True)
    return db


def as_expected(rows):
    return [tuple(r) for r in rows]


def trimmed(value):
    return "" if value is None else str(value).rstrip(" \t\r\n")


class DemoData(unittest.TestCase):
    """One data folder for the whole file, built as make_demo.py --sqlserver-data does."""

    data_dir = None

    @classmethod
    def setUpClass(cls):
        if DemoData.data_dir is None:
            DemoData.data_dir = tempfile.mkdtemp(prefix="cabinets-")
            # A login that someone else put there must survive, and a stale Missing must go.
            cabinets.add_logins(DemoData.data_dir, {"sa": "Other#1"})
            open(os.path.join(DemoData.data_dir, "Missing.sqlite"), "w").close()
            make_demo.build_sqlserver_data(DemoData.data_dir)

    def path(self, database):
        return os.path.join(self.data_dir, database + ".sqlite")

    def cabinet(self, database):
        db = open_cabinet(self.path(database))
        self.addCleanup(db.close)
        return db


def tearDownModule():
    if DemoData.data_dir:
        shutil.rmtree(DemoData.data_dir, ignore_errors=True)


class TextRulesTest(unittest.TestCase):
    """The stand-ins for SQL Server's LIKE and '=' that the other tests rely on."""

    def test_like_range_is_case_insensitive_and_anchored(self):
        for value, want in [("Admin", 1), ("sato", 1), ("Zaitsu", 1), ("1ito", 0), ("", 0),
                            (" Aoki", 0), ("加藤", 0), ("A", 1)]:
            self.assertEqual(sqlserver_like("[A-Z]%%", value), want, value)
        self.assertIsNone(sqlserver_like("[A-Z]%%", None))
        self.assertEqual(sqlserver_like("a_c", "ABC"), 1)
        self.assertEqual(sqlserver_like("[^a-b]%", "b1"), 0)

    def test_equality_ignores_case_and_trailing_blanks(self):
        db = open_cabinet(":memory:")
        db.execute(f"CREATE TABLE t(x {cabinets.TEXT})")
        db.executemany("INSERT INTO t VALUES (?)", [("",), ("   ",), (" a",), (".PDF",), (None,)])
        self.assertEqual(db.execute("select count(*) from t where x = ''").fetchone()[0], 2)
        self.assertEqual(db.execute("select x from t where x in ('.pdf')").fetchall(),
                         [(".PDF",)])
        db.close()


class DataFolderTest(DemoData):
    def test_every_cabinet_but_missing_has_a_database(self):
        for c in make_demo.CABINETS:
            self.assertEqual(os.path.exists(self.path(c.database)), not c.no_database,
                             c.database)

    def test_logins_are_merged_with_plain_passwords(self):
        import json
        with open(os.path.join(self.data_dir, "logins.json"), encoding="utf-8") as f:
            logins = json.load(f)["logins"]
        self.assertEqual(logins["sa"], "Other#1")
        for c in make_demo.CABINETS:  # Broken's and Missing's real logins included
            self.assertEqual(logins[c.user], c.password)

    def test_expected_json_holds_every_database(self):
        import json
        with open(os.path.join(self.data_dir, "expected.json"), encoding="utf-8") as f:
            expected = json.load(f)
        self.assertEqual(sorted(expected), sorted(cabinets.SEEDS))
        self.assertEqual(expected["Eigyo"]["counts"]["UserRecordCheck"], 9)
        self.assertEqual(set(expected["Clean"]["counts"].values()) - {0}, {3})  # 3 accounts


class SeedShapeTest(DemoData):
    """Rows hang together the way the server keeps them."""

    def test_section_count_is_the_primary_sections_of_the_last_version(self):
        for database in cabinets.SEEDS:
            db = self.cabinet(database)
            rows = db.execute(
                "select CH.SN, CH.SectionCount, (select count(*) from VersionDescription VD "
                " join Rendition RE on RE.DocVersionSN = VD.DocVersionSN "
                " join ContentElement CE on CE.RenditionSN = RE.SN "
                " where VD.VersionSeriesSN = CH.SN * 10 and RE.RenditionType = 'Halvik-Primary'"
                " and VD.VersionNumber = (select max(VersionNumber) from VersionDescription "
                "  where VersionSeriesSN = CH.SN * 10)) from ConfigurationHistory CH").fetchall()
            self.assertTrue(rows)
            for sn, stored, counted in rows:
                self.assertEqual(stored, counted, f"{database} document {sn}")

    def test_references_resolve(self):
        links = [("ContentElement", "RenditionSN", "Rendition"),
                 ("Rendition", "DocVersionSN", "DocVersion"),
                 ("VersionDescription", "DocVersionSN", "DocVersion"),
                 ("VersionDescription", "VersionSeriesSN", "VersionSeries"),
                 ("VersionSeries", "ConfigurationHistorySN", "ConfigurationHistory"),
                 ("ConfigurationHistory", "ContainerSN", "Container"),
                 ("Shortcut", "ConfigurationHistorySN", "ConfigurationHistory"),
                 ("ReferenceRelationship", "HeadConfigurationHistorySN", "ConfigurationHistory"),
                 ("ReferenceRelationship", "TailConfigurationHistorySN", "ConfigurationHistory"),
                 ("AccessControlList", "ContainerSN", "Container"),
                 ("SearchRight", "DocTypeSN", "DocType")]
        for database in cabinets.SEEDS:
            db = self.cabinet(database)
            for table, column, target in links:
                dangling = db.execute(f"select count(*) from {table} where {column} not in "
                                      f"(select SN from {target})").fetchone()[0]
                self.assertEqual(dangling, 0, f"{database} {table}.{column}")

    def test_clean_has_rows_in_every_table(self):
        db = self.cabinet("Clean")
        for t in cabinets.SCHEMA:
            self.assertGreater(db.execute(f"select count(*) from {t.name}").fetchone()[0], 0,
                               t.name)


def run_lookups(db, user_sn, tool):
    """{table: [(user SN, columns...)]} of one suspect user, as Scrutel or Mendora asks."""
    found = {}
    for table, (scrutel_cols, mendora_cols, from_clause, ordered) in LOOKUPS.items():
        columns = scrutel_cols if tool == "Scrutel" else mendora_cols
        if columns is None:
            continue
        statement = "select %s from %s" % (columns, from_clause.replace("%s", str(user_sn)))
        width = EXPECTED_WIDTH.get(table, 99)
        rows = [(user_sn,) + tuple(r)[:width] for r in db.execute(statement)]
        found[table] = rows if ordered else sorted(rows)
    return found


class UserRecordCheckTest(DemoData):
    def test_suspect_users_and_their_message(self):
        for database, expected in cabinets.EXPECTED.items():
            db = self.cabinet(database)
            got = [(sn, 103 if trimmed(space) == "" else 102)
                   for sn, _, _, _, space in db.execute(SUSPECT_USERS)]
            self.assertEqual(got, as_expected(expected["UserRecordCheck"]), database)

    def test_related_records_of_both_tools(self):
        for database, expected in cabinets.EXPECTED.items():
            db = self.cabinet(database)
            for tool in ("Scrutel", "Mendora"):
                found = {table: [] for table in LOOKUPS}
                for sn, *_ in db.execute(SUSPECT_USERS).fetchall():
                    for table, rows in run_lookups(db, sn, tool).items():
                        found[table] += rows
                for table in LOOKUPS:
                    want = as_expected(expected["RelatedRecords"][table])
                    if tool == "Scrutel" and table in cabinets.MENDORA_ONLY:
                        continue
                    if not LOOKUPS[table][3]:
                        want = sorted(want)
                    self.assertEqual(found[table], want, f"{database} {tool} {table}")

    def test_replacement_accounts(self):
        for database, expected in cabinets.EXPECTED.items():
            got = self.cabinet(database).execute(VALID_ACCOUNTS).fetchall()
            self.assertEqual(got, as_expected(expected["ValidAccounts"]), database)


class DocumentContentCheckTest(DemoData):
    def test_each_check_finds_the_expected_rows(self):
        for database, expected in cabinets.EXPECTED.items():
            db = self.cabinet(database)
            for check, statement in CONTENT_CHECKS.items():
                got = db.execute(statement).fetchall()
                want = as_expected(expected[check])
                if check == "CheckedOutDocumentCheck":  # ordered by document only
                    self.assertEqual([r[0] for r in got], [r[0] for r in want], database)
                    got, want = sorted(got, key=repr), sorted(want, key=repr)
                self.assertEqual(got, want, f"{database} {check}")

    def test_clean_cabinet_has_no_finding(self):
        db = self.cabinet("Clean")
        for statement in [SUSPECT_USERS] + list(CONTENT_CHECKS.values()):
            self.assertEqual(db.execute(statement).fetchall(), [], statement[:60])


class RefineRepairTest(DemoData):
    """Mendora's repair run on a copy: delete the suspects, hand over or delete their rows."""

    def repair(self, database):
        path = os.path.join(self.data_dir, f"repair-{database}.sqlite")
        shutil.copy(self.path(database), path)
        self.addCleanup(os.remove, path)
        db = open_cabinet(path)
        self.addCleanup(db.close)
        replacement = db.execute(VALID_ACCOUNTS).fetchone()[0]
        corrected = deleted = 0
        with db:
            suspects = [row[0] for row in db.execute(SUSPECT_USERS).fetchall()]
            for sn in suspects:
                db.execute(DELETE_USER % sn)
            for sn in suspects:
                for table, rows in run_lookups(db, sn, "Mendora").items():
                    if table in cabinets.DELETED_BY_REPAIR:
                        deleted += len(rows)
                        for statement in REPAIRS[table]:
                            db.execute(statement % sn)
                    else:
                        corrected += len(rows)
                        for statement in REPAIRS[table]:
                            db.execute(statement % (replacement, sn))
        return db, suspects, replacement, corrected, deleted

    def test_repair_counts_and_leaves_nothing_to_find(self):
        for database in ("Eigyo", "Keiri", "Broken"):
            counts = cabinets.counts(cabinets.EXPECTED[database])
            db, suspects, replacement, corrected, deleted = self.repair(database)
            self.assertEqual((corrected, deleted),
                             (counts["CorrectedRowCount"], counts["DeletedRowCount"]), database)
            self.assertEqual(db.execute(SUSPECT_USERS).fetchall(), [], database)
            for sn in suspects:
                self.assertFalse(any(run_lookups(db, sn, "Mendora").values()), (database, sn))

    def test_document_created_and_reserved_by_one_suspect_is_handed_over_whole(self):
        db, _, replacement, _, _ = self.repair("Eigyo")
        row = db.execute("select CreateUserSN, ReserveUserSN from ConfigurationHistory "
                         "where SN = 1002").fetchone()
        self.assertEqual(row, (replacement, replacement))


@unittest.skipIf(tsql is None, "the SQL Server stand-in is not in this tree")
class StandInTest(DemoData):
    """The same findings when the statements go through the stand-in's own translation."""

    def test_stand_in_finds_what_is_expected(self):
        for database, expected in cabinets.EXPECTED.items():
            con = sqlite3.connect(self.path(database))
            self.addCleanup(con.close)
            tsql.register(con, lambda: database)

            def run(sql):
                return con.execute(
                    tsql.translate(tsql.tokenize(sql), [database], database)).fetchall()

            for check, statement in CONTENT_CHECKS.items():
                self.assertEqual(sorted(run(statement), key=repr),
                                 sorted(as_expected(expected[check]), key=repr),
                                 f"{database} {check}")
            self.assertEqual([r[0] for r in run(SUSPECT_USERS)],
                             [sn for sn, _ in expected["UserRecordCheck"]], database)
            self.assertEqual(run(VALID_ACCOUNTS), as_expected(expected["ValidAccounts"]))
            for sn, _ in expected["UserRecordCheck"]:
                for table, (_, columns, from_clause, _) in LOOKUPS.items():
                    rows = run("select %s from %s" % (columns, from_clause.replace("%s", str(sn))))
                    width = EXPECTED_WIDTH.get(table, 99)
                    self.assertEqual(
                        sorted((sn,) + tuple(r)[:width] for r in rows),
                        sorted(r for r in as_expected(expected["RelatedRecords"][table])
                               if r[0] == sn), f"{database} {table} {sn}")


class LargeCabinetTest(unittest.TestCase):
    def generate(self, folder, seed):
        return make_large_cabinet.generate(os.path.join(folder, "Large.sqlite"),
                                           documents=3000, seed=seed)

    def test_statements_find_what_the_generator_counted(self):
        with tempfile.TemporaryDirectory() as folder:
            expected = self.generate(folder, 7)
            db = open_cabinet(os.path.join(folder, "Large.sqlite"))
            try:
                got = {check: len(db.execute(s).fetchall()) for check, s in CONTENT_CHECKS.items()}
                suspects = [r[0] for r in db.execute(SUSPECT_USERS)]
                got["UserRecordCheck"] = len(suspects)
                got["RelatedRecordCount"] = sum(
                    len(rows) for sn in suspects
                    for rows in run_lookups(db, sn, "Mendora").values())
                got["ValidAccounts"] = len(db.execute(VALID_ACCOUNTS).fetchall())
            finally:
                db.close()
            for name, count in got.items():
                self.assertEqual(count, expected[name], name)
                if name != "SectionCountCheck":
                    self.assertGreater(count, 0, name)

    def test_same_seed_same_cabinet(self):
        with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
            self.assertEqual(self.generate(a, 3), self.generate(b, 3))
            dumps = []
            for folder in (a, b):
                db = sqlite3.connect(os.path.join(folder, "Large.sqlite"))
                dumps.append(list(db.iterdump()))
                db.close()
            self.assertEqual(dumps[0], dumps[1])

    def test_command_line_adds_login_and_expectation(self):
        import json
        with tempfile.TemporaryDirectory() as folder:
            out = subprocess.run(
                [sys.executable, os.path.join(DEMO, "make_large_cabinet.py"),
                 "--sqlserver-data", folder, "--name", "Big", "--documents", "500"],
                check=True, stdout=subprocess.PIPE, universal_newlines=True).stdout
            self.assertIn("UnsupportedExtensionCheck", out)
            with open(os.path.join(folder, "logins.json"), encoding="utf-8") as f:
                self.assertIn("velmora_big", json.load(f)["logins"])
            with open(os.path.join(folder, "expected.json"), encoding="utf-8") as f:
                self.assertIn("Big", json.load(f))


if __name__ == "__main__":
    unittest.main()
