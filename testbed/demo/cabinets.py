"""Cabinet databases of the demo installation: schema, seed rows and expected findings.

Each cabinet of the demo catalogue is a database on the SQL Server stand-in, kept there as an
SQLite file. This module holds the cabinet schema (only the tables and columns that the check
tool Scrutel and the refine tool Mendora read or change, plus a few names that make the rows
readable), the seed rows of each demo cabinet, and, written by hand, what every check must find
in them. The seeds are laid out so that clean rows sit on every boundary of a check next to the
rows that are findings.

How a row becomes a finding (under the server's case-insensitive collation, where '=' also
ignores trailing blanks):
  suspect user      UserSpace NULL, '' or blanks only; or UserID NULL, '', or not starting with
                    a letter A-Z ('sato' is fine: [A-Z] matches lower case too);
  related record    a row whose user column holds a suspect user's SN (one lookup per table);
  section count     ConfigurationHistory.SectionCount > 200;
  zero-byte section a primary-rendition section with StreamSize = 0;
  oversized section a primary-rendition section with StreamSize > 104857600;
  checked out       ConfigurationHistory.ReserveUserSN set, the user exists in UserOrGroup; one
                    finding per VersionSeries row of the document;
  unsupported ext.  a primary-rendition section whose StreamFormat is not NULL and not one of
                    the 22 supported extensions.
IsTrash = 1 marks a document, folder or shortcut in the trash; the checks list trash rows too,
with the trash suffix.

Standard library only. make_demo.py writes these databases with --sqlserver-data.
"""

import collections
import json
import os
import sqlite3

PRIMARY = "Halvik-Primary"
PREVIEW = "Halvik-Preview"

ID = "INTEGER PRIMARY KEY"
INT = "INTEGER"
# SQL Server compares text case-insensitively; NOCASE gives SQLite the same, and a connection
# may redefine NOCASE to ignore trailing blanks as well.
TEXT = "TEXT COLLATE NOCASE"

Table = collections.namedtuple("Table", "name doc columns")

SCHEMA = [
    Table("UserOrGroup", """Users (UserType 0) and groups of the cabinet.
        The user record check lists the suspect accounts; the refine tool deletes them one by
        one and offers the valid user accounts as the new owner of their records. The
        checked-out document check shows the reserving user's account and domain.""",
          [("SN", ID), ("AccountName", TEXT), ("UserID", TEXT), ("DomainName", TEXT),
           ("UserSpace", TEXT), ("UserType", INT)]),
    Table("Container", """Folders. Looked up by creator for suspect users (shown with the
        trash suffix); the refine tool hands them to the replacement account.""",
          [("SN", ID), ("Name", TEXT), ("ParentContainerSN", INT), ("CreateUserSN", INT),
           ("IsTrash", INT)]),
    Table("ConfigurationHistory", """Documents; the SN is the document number. The section
        count check reads SectionCount, the checked-out document check ReserveUserSN, every
        section check the trash flag. Looked up by creator or reserver for suspect users; the
        refine tool reassigns both columns.""",
          [("SN", ID), ("Title", TEXT), ("ContainerSN", INT), ("CreateUserSN", INT),
           ("ReserveUserSN", INT), ("SectionCount", INT), ("IsTrash", INT)]),
    Table("Shortcut", """Shortcuts to documents. Looked up by creator for suspect users (with
        the trash suffix); reassigned by the refine tool.""",
          [("SN", ID), ("ConfigurationHistorySN", INT), ("ContainerSN", INT),
           ("CreateUserSN", INT), ("IsTrash", INT)]),
    Table("ReferenceRelationship", """Links from a parent document (tail) to a child document
        (head). Looked up by creator for suspect users; reassigned by the refine tool.""",
          [("SN", ID), ("HeadConfigurationHistorySN", INT), ("TailConfigurationHistorySN", INT),
           ("CreateUserSN", INT)]),
    Table("VersionSeries", """A document's version series. The checked-out document check
        shows ReserveDate, one finding per series of the document; the section checks join
        through it. Looked up by reserver for suspect users; reassigned by the refine tool.""",
          [("SN", ID), ("ConfigurationHistorySN", INT), ("ReserveUserSN", INT),
           ("ReserveDate", "DATETIME")]),
    Table("VersionDescription", """Versions of a series; the section checks show VersionNumber.
        Looked up by check-in user for suspect users; reassigned by the refine tool.""",
          [("SN", ID), ("VersionSeriesSN", INT), ("DocVersionSN", INT), ("VersionNumber", INT),
           ("CheckInUserSN", INT)]),
    Table("DocVersion", """Stored versions, joined to their renditions. Looked up by last
        updater for suspect users; reassigned by the refine tool.""",
          [("SN", ID), ("UpdateUserSN", INT)]),
    Table("DocType", """The cabinet's document types. Looked up by creator for suspect users
        by the refine tool only, which reassigns them.""",
          [("SN", ID), ("Name", TEXT), ("CreateUserSN", INT)]),
    Table("WordBook", """Dictionary entries. Looked up by creator for suspect users by the
        refine tool only, which reassigns them.""",
          [("SN", ID), ("Word", TEXT), ("CreateUserSN", INT)]),
    Table("AccessControlList", """Access rights on folders. Looked up by user for suspect
        users; the refine tool deletes them.""",
          [("SN", ID), ("ContainerSN", INT), ("UserSN", INT), ("AccessRight", INT)]),
    Table("SearchRight", """Search rights by document type. Looked up by user for suspect
        users; the refine tool deletes them.""",
          [("SN", ID), ("DocTypeSN", INT), ("UserSN", INT)]),
    Table("Rendition", """Renditions of a stored version; only 'Halvik-Primary' ones count
        for the zero-byte, oversized and unsupported-extension checks.""",
          [("SN", ID), ("DocVersionSN", INT), ("RenditionType", TEXT)]),
    Table("ContentElement", """Sections of a rendition: ListIndex (0-based, shown 1-based),
        StreamFormat (extension with its dot, NULL when unknown), StreamSize in bytes.""",
          [("SN", ID), ("RenditionSN", INT), ("ListIndex", INT), ("StreamFormat", TEXT),
           ("StreamSize", INT)]),
]

# The section checks join ContentElement -> Rendition -> VersionDescription -> VersionSeries ->
# ConfigurationHistory; the lookups select by user column.
INDEXES = [
    ("Rendition", "DocVersionSN"), ("VersionDescription", "DocVersionSN"),
    ("VersionSeries", "ConfigurationHistorySN"), ("ContentElement", "RenditionSN"),
    ("ConfigurationHistory", "CreateUserSN"), ("ConfigurationHistory", "ReserveUserSN"),
    ("Container", "CreateUserSN"), ("Shortcut", "CreateUserSN"),
    ("ReferenceRelationship", "CreateUserSN"), ("VersionSeries", "ReserveUserSN"),
    ("VersionDescription", "CheckInUserSN"), ("DocVersion", "UpdateUserSN"),
    ("AccessControlList", "UserSN"), ("SearchRight", "UserSN"),
]


def schema_sql(with_indexes=True):
    parts = []
    for t in SCHEMA:
        cols = ", ".join(f"{name} {kind}" for name, kind in t.columns)
        parts.append(f"CREATE TABLE {t.name}({cols});")
    if with_indexes:
        parts += [index_sql(table, column) for table, column in INDEXES]
    return "\n".join(parts)


def index_sql(table, column):
    return f"CREATE INDEX IX_{table}_{column} ON {table}({column});"


# ---------------------------------------------------------------------------------------------
# Seed rows. SNs of derived rows follow the document SN d: its version series are d*10 + s
# (s = 0, 1, ...), the n-th version (from 1) of series 0 is VersionDescription and DocVersion
# d*100 + n. Renditions and sections are numbered in document order. A version's checking-in
# and updating user default to the document's creator; SectionCount is the number of primary
# sections of the last version.

User = collections.namedtuple("User", "sn account user_id domain user_space user_type",
                              defaults=(0,))
Folder = collections.namedtuple("Folder", "sn name parent creator trash", defaults=(0,))
Version = collections.namedtuple("Version", "number primary checkin updater other",
                                 defaults=(None, None, ()))
Doc = collections.namedtuple(
    "Doc", "sn title container creator versions trash reserver reserve_date series",
    defaults=(0, None, None, 1))
Shortcut = collections.namedtuple("Shortcut", "sn doc container creator trash", defaults=(0,))
Reference = collections.namedtuple("Reference", "sn head tail creator")
Named = collections.namedtuple("Named", "sn name creator")   # DocType, WordBook
Acl = collections.namedtuple("Acl", "sn container user right")
SearchGrant = collections.namedtuple("SearchGrant", "sn doc_type user")

Seed = collections.namedtuple(
    "Seed", "users folders docs shortcuts references doc_types words acls search_rights")


def sections(count, ext, size):
    return [(ext, size)] * count


def one(primary, **kw):
    """A document's single version."""
    return [Version(1, primary, **kw)]


MB100 = 100 * 1024 * 1024      # 104857600, the largest section that is not a finding

SEEDS = {
    # Suspect users of every kind and their records in every table; checked-out documents.
    "Eigyo": Seed(
        users=[
            User(1, "管理者", "Admin", "EIGYO", "Default"),
            User(2, "山田太郎", "Yamada", "", "Default"),           # empty domain: no "@"
            User(3, "佐藤花子", "sato", "EIGYO", "Default"),         # lower case: valid
            User(4, "営業一課", "EigyoKa1", "EIGYO", "Default", 1),  # a group: never offered
            User(5, "鈴木一郎", "Suzuki", "EIGYO", ""),              # 103
            User(6, "高橋次郎", "Takahashi", "EIGYO", "   "),        # 103, blanks only
            User(7, "田中三郎", "Tanaka", None, None),               # 103, domain NULL
            User(8, "伊藤四郎", "1ito", "EIGYO", "Default"),         # 102, digit first
            User(9, "渡辺五郎", "", "EIGYO", "Default"),             # 102
            User(10, "中村六郎", None, "EIGYO", "Default"),          # 102
            User(11, "小林七子", "", "EIGYO", ""),                   # both bad: 103 once
            User(12, "加藤八重", "加藤", "EIGYO", "Default"),        # 102, kanji first
            User(13, "財津九郎", "Zaitsu", "EIGYO", "Default"),      # Z: valid
            User(14, "青木十兵衛", " Aoki", "EIGYO", "Default"),     # 102, leading blank; no records
        ],
        folders=[
            Folder(100, "営業部", None, 1),
            Folder(101, "提案書", 100, 5),
            Folder(102, "旧提案書", 100, 5, trash=1),
            Folder(103, "見積", 100, 2),
        ],
        docs=[
            Doc(1001, "2024年度 営業計画書", 100, 1, one(sections(3, ".docx", 52341))),
            # created and reserved by the same suspect user
            Doc(1002, "顧客訪問記録（東京）", 101, 5,
                one([(".docx", 48213), (".pdf", 120034)]),
                reserver=5, reserve_date="2024-06-03 09:15:00"),
            # two version series: listed twice as checked out
            Doc(1003, "見積書_株式会社サンプル", 103, 2, one([(".xlsx", 30120)]),
                reserver=2, reserve_date="2024-06-10 14:30:00", series=2),
            Doc(1004, "旧価格表", 102, 6, one([(".xls", 88000)]), trash=1,
                reserver=1, reserve_date="2024-05-20 11:00:00"),
            # reserved by SN 99, which has no UserOrGroup row: not listed
            Doc(1005, "引継ぎ資料", 100, 1, one([(".pptx", 2400000)]),
                reserver=99, reserve_date="2024-04-01 08:45:00"),
            Doc(1006, "議事録 2024年5月", 100, 1, one([(".docx", 15000)]),
                reserver=7, reserve_date="2024-06-12 17:05:00"),
            Doc(1007, "契約書ドラフト", 101, 8,
                [Version(1, [(".docx", 20000)]),
                 Version(2, [(".docx", 21000), (".pdf", 90000)], checkin=1, updater=9)]),
            Doc(1008, "お客様からのメール", 103, 2, one([(".msg", 30211), (".pdf", 112233)])),
        ],
        shortcuts=[
            Shortcut(501, 1002, 103, 5),
            Shortcut(502, 1004, 100, 5, trash=1),
            Shortcut(503, 1001, 103, 1),
            Shortcut(504, 1001, 101, 10),
        ],
        references=[Reference(601, 1002, 1001, 6), Reference(602, 1003, 1001, 1)],
        doc_types=[Named(1, "契約書", 1), Named(2, "見積書", 11)],
        words=[Named(1, "営業", 1), Named(2, "顧客", 12)],
        acls=[Acl(1, 100, 1, 15), Acl(2, 101, 5, 15), Acl(3, 101, 8, 1), Acl(4, 103, 13, 1)],
        search_rights=[SearchGrant(1, 1, 1), SearchGrant(2, 2, 6), SearchGrant(3, 1, 13)],
    ),
    # Two suspect users, one with 250 access rights; zero-byte and unsupported sections.
    "Keiri": Seed(
        users=[
            User(1, "経理管理者", "KeiriAdmin", "KEIRI", "Default"),
            User(2, "会計グループ", "Kaikei", "KEIRI", "Default", 1),
            User(3, "木村健", "2kimura", "KEIRI", "Default"),       # 102
            User(4, "林美咲", "Hayashi", "KEIRI", None),             # 103
            User(5, "清水翔", "shimizu", "", "Default"),             # valid
        ],
        folders=[Folder(100, "経理部", None, 1), Folder(101, "2023年度 決算", 100, 3)],
        docs=[
            Doc(2001, "請求書 2024年4月分", 100, 1, one([(".pdf", 40960), (".xlsx", 0)])),
            # two unsupported sections, in the trash
            Doc(2002, "領収書スキャン", 100, 4,
                one([(".heic", 2048000), (".HEIC", 1500000), (".jpg", 300000)]), trash=1),
            # upper case and NULL extensions are not findings
            Doc(2003, "経費精算規程", 100, 1, one([(".PDF", 81920), (None, 1024)])),
            Doc(2004, "予算案（最終）", 101, 1, one([(".xlsx", 512000)]),
                reserver=3, reserve_date="2024-03-28 16:20:00"),
            Doc(2005, "旧仕訳帳", 100, 1, one([(".csv", 0)]), trash=1),
        ],
        shortcuts=[Shortcut(501, 2001, 101, 1)],
        references=[Reference(601, 2003, 2001, 3)],
        doc_types=[Named(1, "請求書", 1)],
        words=[Named(1, "勘定科目", 4)],
        acls=[Acl(sn, 101, 3, 1) for sn in range(1, 251)] + [Acl(251, 100, 1, 15)],
        search_rights=[SearchGrant(1, 1, 1), SearchGrant(2, 1, 4)],
    ),
    # Section boundaries: counts 200/201, sizes 0/104857600/104857601, extensions, renditions.
    "Gijutsu": Seed(
        users=[
            User(1, "技術管理者", "GijutsuAdmin", "GIJUTSU", "Default"),
            User(2, "設計太郎", "Sekkei", "GIJUTSU", "Default"),
            User(3, "開発チーム", "Kaihatsu", "GIJUTSU", "Default", 1),
        ],
        folders=[Folder(100, "技術資料", None, 1), Folder(101, "図面", 100, 2),
                 Folder(102, "廃棄予定", 100, 2, trash=1)],
        docs=[
            Doc(3001, "設計図面集 第1巻", 101, 2, one(sections(200, ".pdf", 500000))),
            Doc(3002, "設計図面集 第2巻", 101, 2, one(sections(201, ".tif", 250000))),
            Doc(3003, "試験成績書（全数）", 102, 1, one(sections(250, ".pdf", 120000)), trash=1),
            # 150 primary sections and 60 preview sections: SectionCount 150
            Doc(3004, "保守マニュアル 改訂版", 100, 1,
                one(sections(150, ".docx", 30000), other=[(PREVIEW, sections(60, ".png", 8000))])),
            Doc(3005, "解析データ（上限）", 101, 2, one([(".pdf", MB100)])),
            Doc(3006, "解析データ（超過）", 101, 2, one([(".pdf", 1048576), (".tiff", MB100 + 1)])),
            Doc(3007, "旧解析データ", 102, 2, one([(".pdf", 2 * MB100)]), trash=1),
            # an old version with an unsupported section, the new one with a zero-byte one
            Doc(3008, "評価ボード回路図", 101, 2,
                [Version(1, [(".dwg", 880000)]), Version(2, [(".pdf", 0), (".pdf", 3000)])]),
            # bad sections of a preview rendition are never findings
            Doc(3009, "プレビュー付き仕様書", 100, 1,
                one([(".docx", 20000)], other=[(PREVIEW, [(".xyz", 0), (".bin", MB100 + 1)])])),
            Doc(3010, "テキスト資料", 100, 1, one([(None, 4096), (".txt", 1)])),
            Doc(3011, "破棄済み手順書", 102, 1, one([(".doc", 0)]), trash=1),
            # two unsupported sections, the second also zero bytes
            Doc(3012, "動画マニュアル", 101, 2, one([(".mp4", 52428800), (".mov", 0)])),
        ],
        shortcuts=[Shortcut(501, 3001, 100, 1), Shortcut(502, 3003, 102, 2, trash=1)],
        references=[Reference(601, 3002, 3001, 1)],
        doc_types=[Named(1, "図面", 1)],
        words=[Named(1, "回路", 2)],
        acls=[Acl(1, 100, 1, 15), Acl(2, 101, 3, 7)],
        search_rights=[SearchGrant(1, 1, 2)],
    ),
    # Rows in every table, nothing any check reports.
    "Clean": Seed(
        users=[
            User(1, "クリーン管理者", "CleanAdmin", "CLEAN", "Default"),
            User(2, "森田由美", "Morita", "", "Default"),
            User(3, "総務グループ", "Soumu", "CLEAN", "Default", 1),
            User(4, "青山誠", "aoyama", "CLEAN", "Default"),
        ],
        folders=[Folder(100, "空のキャビネット", None, 1), Folder(101, "共有", 100, 2),
                 Folder(102, "ごみ箱", 100, 1, trash=1)],
        docs=[
            Doc(4001, "年間報告書", 100, 1, one(sections(200, ".pdf", 65536))),
            Doc(4002, "上限サイズの資料", 101, 2, one([(".PDF", MB100), (None, 10), (".txt", 1)])),
            Doc(4003, "プレビュー付き資料", 100, 1,
                one([(".docx", 30000)], other=[(PREVIEW, [(".xyz", 0), (".bin", MB100 + 1)])])),
            Doc(4004, "削除済み文書", 102, 1, one([(".xlsx", 4000)]), trash=1),
            Doc(4005, "二版の文書", 101, 2,
                [Version(1, [(".doc", 1000)]),
                 Version(2, [(".docx", 1200), (".jpg", 55555)], checkin=4, updater=4)]),
        ],
        shortcuts=[Shortcut(501, 4001, 101, 1), Shortcut(502, 4004, 101, 2, trash=1)],
        references=[Reference(601, 4002, 4001, 1)],
        doc_types=[Named(1, "報告書", 1)],
        words=[Named(1, "総務", 4)],
        acls=[Acl(1, 100, 1, 15), Acl(2, 101, 3, 7)],
        search_rights=[SearchGrant(1, 1, 2), SearchGrant(2, 1, 4)],
    ),
    # The tools cannot decode its login and never connect; a finding or two shows it if they did.
    "Broken": Seed(
        users=[User(1, "破損テスト管理者", "BrokenAdmin", "BROKEN", "Default"),
               User(2, "破損テスト", "9broken", "BROKEN", "Default")],
        folders=[Folder(100, "暗号破損", None, 1)],
        docs=[Doc(6001, "破損確認用文書", 100, 1, one([(".pdf", 0)]))],
        shortcuts=[], references=[], doc_types=[Named(1, "確認", 1)], words=[],
        acls=[Acl(1, 100, 2, 1)], search_rights=[],
    ),
}

# ---------------------------------------------------------------------------------------------
# What the checks find, written by hand from the seeds above. Rows are in the columns that the
# statements select, values as stored (the server sends them as text). Related records are
# (user SN, the lookup's columns): Container/ConfigurationHistory/Shortcut (SN, IsTrash),
# ReferenceRelationship (SN, Head, Tail), VersionSeries (SN, ConfigurationHistorySN),
# VersionDescription (SN, VersionSeriesSN, DocVersionSN, VersionNumber), others (SN,).
# UserRecordCheck lists (SN, message id): 103 when the trimmed UserSpace is empty, else 102.

CHECKS = ["SectionCountCheck", "ZeroByteSectionCheck", "OversizedSectionCheck",
          "CheckedOutDocumentCheck", "UnsupportedExtensionCheck"]
LOOKUPS = ["Container", "ConfigurationHistory", "Shortcut", "ReferenceRelationship",
           "VersionSeries", "VersionDescription", "DocVersion", "DocType", "WordBook",
           "AccessControlList", "SearchRight"]
MENDORA_ONLY = {"DocType", "WordBook"}
DELETED_BY_REPAIR = {"AccessControlList", "SearchRight"}


def _nothing_related():
    return {table: [] for table in LOOKUPS}


def _expected(users=(), related=None, accounts=(), **checks):
    e = {"UserRecordCheck": list(users), "RelatedRecords": _nothing_related(),
         "ValidAccounts": list(accounts)}
    e["RelatedRecords"].update(related or {})
    for name in CHECKS:
        e[name] = list(checks.pop(name, []))
    assert not checks, checks
    return e


EXPECTED = {
    "Eigyo": _expected(
        users=[(5, 103), (6, 103), (7, 103), (8, 102), (9, 102), (10, 102), (11, 103),
               (12, 102), (14, 102)],
        related={
            "Container": [(5, 101, 0), (5, 102, 1)],
            "ConfigurationHistory": [(5, 1002, 0), (6, 1004, 1), (7, 1006, 0), (8, 1007, 0)],
            "Shortcut": [(5, 501, 0), (5, 502, 1), (10, 504, 0)],
            "ReferenceRelationship": [(6, 601, 1002, 1001)],
            "VersionSeries": [(5, 10020, 1002), (7, 10060, 1006)],
            "VersionDescription": [(5, 100201, 10020, 100201, 1), (6, 100401, 10040, 100401, 1),
                                   (8, 100701, 10070, 100701, 1)],
            "DocVersion": [(5, 100201), (6, 100401), (8, 100701), (9, 100702)],
            "DocType": [(11, 2)],
            "WordBook": [(12, 2)],
            "AccessControlList": [(5, 2), (8, 3)],
            "SearchRight": [(6, 2)],
        },
        accounts=[(1, "管理者", "EIGYO"), (2, "山田太郎", ""), (3, "佐藤花子", "EIGYO"),
                  (13, "財津九郎", "EIGYO")],
        CheckedOutDocumentCheck=[
            (1002, "鈴木一郎", "EIGYO", "2024-06-03 09:15:00", 0),
            (1003, "山田太郎", "", "2024-06-10 14:30:00", 0),
            (1003, "山田太郎", "", None, 0),
            (1004, "管理者", "EIGYO", "2024-05-20 11:00:00", 1),
            (1006, "田中三郎", None, "2024-06-12 17:05:00", 0)],
        UnsupportedExtensionCheck=[(1008, 1, 1, ".msg", 0)],
    ),
    "Keiri": _expected(
        users=[(3, 102), (4, 103)],
        related={
            "Container": [(3, 101, 0)],
            "ConfigurationHistory": [(3, 2004, 0), (4, 2002, 1)],
            "ReferenceRelationship": [(3, 601, 2003, 2001)],
            "VersionSeries": [(3, 20040, 2004)],
            "VersionDescription": [(4, 200201, 20020, 200201, 1)],
            "DocVersion": [(4, 200201)],
            "WordBook": [(4, 1)],
            "AccessControlList": [(3, sn) for sn in range(1, 251)],
            "SearchRight": [(4, 2)],
        },
        accounts=[(1, "経理管理者", "KEIRI"), (5, "清水翔", "")],
        ZeroByteSectionCheck=[(2001, 1, 2, ".xlsx", 0), (2005, 1, 1, ".csv", 1)],
        CheckedOutDocumentCheck=[(2004, "木村健", "KEIRI", "2024-03-28 16:20:00", 0)],
        UnsupportedExtensionCheck=[(2002, 1, 1, ".heic", 1), (2002, 1, 2, ".HEIC", 1)],
    ),
    "Gijutsu": _expected(
        accounts=[(1, "技術管理者", "GIJUTSU"), (2, "設計太郎", "GIJUTSU")],
        SectionCountCheck=[(3002, 201, 0), (3003, 250, 1)],
        ZeroByteSectionCheck=[(3008, 2, 1, ".pdf", 0), (3011, 1, 1, ".doc", 1),
                              (3012, 1, 2, ".mov", 0)],
        OversizedSectionCheck=[(3006, 1, 2, ".tiff", MB100 + 1, 0),
                               (3007, 1, 1, ".pdf", 2 * MB100, 1)],
        UnsupportedExtensionCheck=[(3008, 1, 1, ".dwg", 0), (3012, 1, 1, ".mp4", 0),
                                   (3012, 1, 2, ".mov", 0)],
    ),
    "Clean": _expected(
        accounts=[(1, "クリーン管理者", "CLEAN"), (2, "森田由美", ""), (4, "青山誠", "CLEAN")]),
    "Broken": _expected(
        users=[(2, 102)],
        related={"AccessControlList": [(2, 1)]},
        accounts=[(1, "破損テスト管理者", "BROKEN")],
        ZeroByteSectionCheck=[(6001, 1, 1, ".pdf", 0)],
    ),
}


def counts(expected):
    """The numbers the tools report and keep for one cabinet's expectation."""
    related = expected["RelatedRecords"]
    c = {name: len(expected[name]) for name in ["UserRecordCheck"] + CHECKS}
    c["ValidAccounts"] = len(expected["ValidAccounts"])
    c["ScrutelRelatedRows"] = sum(len(related[t]) for t in LOOKUPS if t not in MENDORA_ONLY)
    c["RelatedRecordCount"] = sum(len(rows) for rows in related.values())
    c["CorrectedRowCount"] = sum(len(related[t]) for t in LOOKUPS if t not in DELETED_BY_REPAIR)
    c["DeletedRowCount"] = sum(len(related[t]) for t in DELETED_BY_REPAIR)
    return c


def expected_json(database):
    e = json.loads(json.dumps(EXPECTED[database]))
    e["counts"] = counts(EXPECTED[database])
    return e


# ---------------------------------------------------------------------------------------------
# Writing the databases.

class RowSink:
    """Collects the rows of each table and numbers renditions and sections as they come."""

    def __init__(self):
        self.rows = collections.defaultdict(list)
        self.next_rendition = 1
        self.next_section = 1

    def add(self, table, *values):
        self.rows[table].append(values)

    def rendition(self, doc_version, kind, secs):
        sn = self.next_rendition
        self.next_rendition += 1
        self.add("Rendition", sn, doc_version, kind)
        for index, (ext, size) in enumerate(secs):
            self.add("ContentElement", self.next_section, sn, index, ext, size)
            self.next_section += 1

    def document(self, d):
        self.add("ConfigurationHistory", d.sn, d.title, d.container, d.creator, d.reserver,
                 len(d.versions[-1].primary), d.trash)
        for s in range(d.series):
            reserved = s == 0
            self.add("VersionSeries", d.sn * 10 + s, d.sn, d.reserver if reserved else None,
                     d.reserve_date if reserved else None)
        for n, v in enumerate(d.versions, 1):
            dv = d.sn * 100 + n
            self.add("DocVersion", dv, v.updater if v.updater is not None else d.creator)
            self.add("VersionDescription", dv, d.sn * 10, dv, v.number,
                     v.checkin if v.checkin is not None else d.creator)
            self.rendition(dv, PRIMARY, v.primary)
            for kind, secs in v.other:
                self.rendition(dv, kind, secs)


def seed_rows(seed):
    sink = RowSink()
    for u in seed.users:
        sink.add("UserOrGroup", u.sn, u.account, u.user_id, u.domain, u.user_space, u.user_type)
    for f in seed.folders:
        sink.add("Container", f.sn, f.name, f.parent, f.creator, f.trash)
    for d in seed.docs:
        sink.document(d)
    for s in seed.shortcuts:
        sink.add("Shortcut", s.sn, s.doc, s.container, s.creator, s.trash)
    for r in seed.references:
        sink.add("ReferenceRelationship", r.sn, r.head, r.tail, r.creator)
    for t in seed.doc_types:
        sink.add("DocType", t.sn, t.name, t.creator)
    for w in seed.words:
        sink.add("WordBook", w.sn, w.name, w.creator)
    for a in seed.acls:
        sink.add("AccessControlList", a.sn, a.container, a.user, a.right)
    for g in seed.search_rights:
        sink.add("SearchRight", g.sn, g.doc_type, g.user)
    return sink.rows


def insert_sql(table):
    columns = next(t.columns for t in SCHEMA if t.name == table)
    return f"INSERT INTO {table} VALUES ({', '.join('?' * len(columns))})"


def write_database(path, rows, with_indexes=True):
    """Creates the cabinet database at path (replacing it) from {table: [row, ...]}."""
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    try:
        db.executescript(schema_sql(with_indexes=False))
        with db:
            for table, values in rows.items():
                db.executemany(insert_sql(table), values)
        if with_indexes:
            db.executescript("".join(index_sql(t, c) for t, c in INDEXES))
    finally:
        db.close()


def build_cabinet(path, database):
    write_database(path, seed_rows(SEEDS[database]))


def merge_json(path, update):
    """Reads the JSON object at path (empty when missing), applies update(obj), writes it back."""
    data = {}
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
    update(data)
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        json.dump(data, f, ensure_ascii=False, indent=1)
        f.write("\n")
    os.replace(tmp, path)


def add_logins(data_dir, logins):
    """Adds or replaces {login: password} in <data_dir>/logins.json, keeping other logins."""
    merge_json(os.path.join(data_dir, "logins.json"),
               lambda d: d.setdefault("logins", {}).update(logins))


def add_expected(data_dir, expected):
    """Adds or replaces {database: expectation} in <data_dir>/expected.json."""
    merge_json(os.path.join(data_dir, "expected.json"), lambda d: d.update(expected))
