"""Dialect and collation of the SQL Server stand-in, checked on SQLite directly (no network)."""
import os
import sqlite3
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
import tsql  # noqa: E402


class LikeTest(unittest.TestCase):
    def test_doubled_percent_is_two_wildcards(self):
        # The user check sends '[A-Z]%%' literally; it must match what '[A-Z]%' matches.
        for value in ('Alice', 'a', 'zed', 'Q1', 'ｂｏｂ'):
            self.assertEqual(tsql.like('[A-Z]%%', value), tsql.like('[A-Z]%', value), value)
            self.assertEqual(tsql.like('[A-Z]%%', value), 1, value)
        for value in ('1bob', '', ' alice', '_x', '日本', 'ユーザー'):
            self.assertEqual(tsql.like('[A-Z]%%', value), 0, value)

    def test_case_width_and_kana_insensitive(self):
        self.assertEqual(tsql.like('abc', 'ABC'), 1)
        self.assertEqual(tsql.like('ＡＢＣ%', 'abcd'), 1)
        self.assertEqual(tsql.like('ゆーざー', 'ユーザー'), 1)
        self.assertEqual(tsql.like('ﾕｰｻﾞｰ', 'ユーザー'), 1)
        # accents stay significant
        self.assertEqual(tsql.like('resume', 'résumé'), 0)
        self.assertEqual(tsql.like('[a-f]%', 'é'), 1)  # é sorts between e and f

    def test_sets_ranges_and_negation(self):
        self.assertEqual(tsql.like('[abc]x', 'Bx'), 1)
        self.assertEqual(tsql.like('[abc]x', 'dx'), 0)
        self.assertEqual(tsql.like('[^a-b]%', 'c1'), 1)
        self.assertEqual(tsql.like('[^a-b]%', 'B1'), 0)
        self.assertEqual(tsql.like('[0-9][0-9]', '42'), 1)
        self.assertEqual(tsql.like('[0-9][0-9]', '4a'), 0)
        self.assertEqual(tsql.like('[%]%', '%abc'), 1)
        self.assertEqual(tsql.like('[%]%', 'abc'), 0)
        self.assertEqual(tsql.like('a[-]b', 'a-b'), 1)
        self.assertEqual(tsql.like('[]]', ']'), 1)
        self.assertEqual(tsql.like('a[bc', 'a[bc'), 0)  # unclosed set matches nothing

    def test_wildcards_and_backtracking(self):
        self.assertEqual(tsql.like('a_c', 'abc'), 1)
        self.assertEqual(tsql.like('a_c', 'ac'), 0)
        self.assertEqual(tsql.like('%b%b%', 'abcabc'), 1)
        self.assertEqual(tsql.like('%bcx', 'abcbcbcx'), 1)
        self.assertEqual(tsql.like('%', ''), 1)
        self.assertEqual(tsql.like('_', ''), 0)
        self.assertEqual(tsql.like('日本%', '日本語'), 1)
        self.assertEqual(tsql.like('abc', 'abc '), 0)  # trailing blanks count for nvarchar

    def test_escape_and_null(self):
        self.assertEqual(tsql.like('10!%', '10%', '!'), 1)
        self.assertEqual(tsql.like('10!%', '100', '!'), 0)
        self.assertEqual(tsql.like('a![b', 'a[b', '!'), 1)
        self.assertIsNone(tsql.like('a%', None))
        self.assertIsNone(tsql.like(None, 'a'))


class CollationTest(unittest.TestCase):
    def test_equality(self):
        self.assertEqual(tsql.collate('abc', 'ABC'), 0)
        self.assertEqual(tsql.collate('abc', 'abc   '), 0)  # trailing blanks ignored by '='
        self.assertEqual(tsql.collate('ＡＢＣ', 'abc'), 0)
        self.assertEqual(tsql.collate('かな', 'カナ'), 0)
        self.assertNotEqual(tsql.collate('e', 'é'), 0)
        self.assertNotEqual(tsql.collate('abc', ' abc'), 0)

    def test_order(self):
        words = ['b', 'A', 'é', 'a1', '10', '_x', 'E', 'f', '日本']
        ordered = sorted(words, key=tsql.sort_key)
        self.assertEqual(ordered, ['_x', '10', 'A', 'a1', 'b', 'E', 'é', 'f', '日本'])


class TranslateTest(unittest.TestCase):
    DBS = ['master', 'tempdb', 'model', 'msdb', 'Cab1', 'cab2']

    def tr(self, sql):
        return tsql.translate(tsql.tokenize(sql), self.DBS, 'Cab1', {'TRANCOUNT': 2})

    def refuse(self, sql, number=40000):
        with self.assertRaises(tsql.TsqlError) as cm:
            self.tr(sql)
        self.assertEqual(cm.exception.number, number, cm.exception.message)
        return cm.exception.message

    def setUp(self):
        self.db = sqlite3.connect(':memory:', isolation_level=None)
        tsql.register(self.db, lambda: 'Cab1')
        self.db.executescript("""
            create table UserOrGroup(SN integer primary key, AccountName text, UserID text,
                                     DomainName text, UserSpace text, UserType int);
            insert into UserOrGroup values
                (1, 'alice', 'alice', 'D', 'sp', 0), (2, 'Bob', '1bob', 'D', 'sp', 0),
                (3, 'carol', NULL, 'D', 'sp', 0), (4, 'dave', 'Dave', 'D', '', 0),
                (5, 'eve', 'eve', 'D', NULL, 0), (6, 'ふみ', 'ふみ', 'D', 'sp', 0),
                (7, 'Zed', 'zed', 'D', '  ', 1), (8, 'frank', '', 'D', 'sp', 0);
        """)

    def run_sql(self, sql):
        return self.db.execute(self.tr(sql)).fetchall()

    def test_user_checks(self):
        suspects = self.run_sql(
            "Select SN, AccountName, UserID, DomainName, UserSpace From UserOrGroup where "
            "(UserSpace Is NULL) or (UserSpace = '') or  (UserID NOT LIKE '[A-Z]%%') or "
            "(UserID Is NULL) or (UserID = '') order by SN")
        # 7: a UserSpace of blanks equals '' in SQL Server
        self.assertEqual([r[0] for r in suspects], [2, 3, 4, 5, 6, 7, 8])
        accounts = self.run_sql(
            "Select SN, AccountName, DomainName \tFrom UserOrGroup where (UserType = 0) and "
            "(Not UserSpace = '') And (UserID LIKE '[A-Z]%%') and (Not UserID = '') order by SN")
        self.assertEqual([r[0] for r in accounts], [1])

    def test_text_comparison_in_order_and_group(self):
        self.assertEqual(self.run_sql("select SN from UserOrGroup where AccountName = 'BOB'"), [(2,)])
        self.assertEqual(self.run_sql("select SN from UserOrGroup where AccountName in ('ALICE', N'ZED') "
                                      "order by SN"), [(1,), (7,)])
        self.assertEqual(self.run_sql("select SN from UserOrGroup where not AccountName in ('ALICE') "
                                      "and SN < 3"), [(2,)])
        self.assertEqual(self.run_sql("select SN from UserOrGroup where AccountName not in ('ALICE') "
                                      "and SN < 3"), [(2,)])
        names = self.run_sql("select AccountName from UserOrGroup where SN in (1, 2, 7) "
                             "order by AccountName desc")
        self.assertEqual(names, [('Zed',), ('Bob',), ('alice',)])
        grouped = self.run_sql("select upper(UserID), count(*) from UserOrGroup where UserID in "
                               "('ALICE', 'alice') group by UserID having count(*) >= 1")
        self.assertEqual(grouped, [('ALICE', 1)])
        self.db.execute("insert into UserOrGroup values (9, 'ALICE', 'x', 'D', 's', 0)")
        self.assertEqual(self.run_sql("select count(*) from UserOrGroup group by AccountName "
                                      "having count(*) > 1"), [(2,)])

    def test_updates_keep_assignments(self):
        self.run_sql("update UserOrGroup set UserType=3, DomainName = 'E' where SN = 123")
        self.run_sql("update dbo.UserOrGroup set UserType=3, DomainName = 'E' where (SN = 2)")
        self.assertEqual(self.run_sql("select UserType, DomainName from UserOrGroup where SN = 2"),
                         [(3, 'E')])
        self.run_sql("delete from [UserOrGroup] where (SN = 2)")
        self.assertEqual(self.run_sql("select count(*) from UserOrGroup"), [(7,)])

    def test_identifiers_literals_and_prefixes(self):
        self.assertEqual(self.run_sql("select [SN] from [dbo].[UserOrGroup] where [AccountName] = N'ふみ'"),
                         [(6,)])
        self.assertEqual(self.run_sql("select SN from Cab1.dbo.UserOrGroup where SN = 1"), [(1,)])
        self.assertEqual(self.run_sql("select SN from Cab1..UserOrGroup where SN = 1"), [(1,)])
        self.assertEqual(self.run_sql("select 'it''s', N'日本'"), [("it's", '日本')])
        # A double-quoted name never falls back to a string, as SQLite would do
        with self.assertRaises(sqlite3.OperationalError):
            self.run_sql('select "NoSuchColumn" from UserOrGroup')

    def test_top_and_functions(self):
        self.assertEqual(self.run_sql("select top 2 SN from UserOrGroup order by SN desc"), [(8,), (7,)])
        self.assertEqual(self.run_sql("select SN from UserOrGroup where SN in "
                                      "(select top (1) SN from UserOrGroup order by SN) "), [(1,)])
        self.assertEqual(self.run_sql("select isnull(UserID, 'none'), len('ab  '), len(NULL) "
                                      "from UserOrGroup where SN = 3"), [('none', 2, None)])
        self.assertEqual(self.run_sql("select avg(SN) from UserOrGroup where SN in (1, 2)"), [(1,)])
        self.assertEqual(self.run_sql("select @@TRANCOUNT, db_name()"), [(2, 'Cab1')])
        self.assertRegex(self.run_sql("select getdate()")[0][0],
                         r'^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}$')

    def test_database_list(self):
        self.assertEqual(self.run_sql("SELECT name FROM sys.databases ORDER BY database_id"),
                         [(n,) for n in self.DBS])
        self.assertEqual(self.run_sql("select d.name from sys.databases d where d.database_id > 4"),
                         [('Cab1',), ('cab2',)])
        self.assertEqual(self.run_sql("select name from master.dbo.sysdatabases where dbid = 1"),
                         [('master',)])

    def test_refusals(self):
        self.refuse("select 'a' + 'b'")
        self.refuse("select AccountName + N'x' from UserOrGroup")
        self.refuse("create table T(SN int IDENTITY(1,1) primary key)")
        self.refuse("select SN / 0 from UserOrGroup")
        self.refuse("select substring(UserID, 1, 2) from UserOrGroup")
        self.refuse("select SN from cab2.dbo.UserOrGroup")
        self.refuse("select name from sys.tables")
        self.refuse("select top 10 percent SN from UserOrGroup")
        self.refuse("select SN into T2 from UserOrGroup")
        self.refuse("select @@IDENTITY")
        self.refuse("select SN from UserOrGroup order by SN offset 1 rows")
        self.refuse("select hex(SN) from UserOrGroup", 195)
        self.refuse("select SN from UserOrGroup limit 1", 102)
        self.refuse("select UserID || 'x' from UserOrGroup", 102)
        self.refuse("pragma table_info(UserOrGroup)", 102)
        with self.assertRaises(tsql.TsqlError) as cm:
            tsql.tokenize("select 'unclosed")
        self.assertEqual(cm.exception.number, 105)

    def test_batch_split(self):
        stmts = tsql.split_statements("BEGIN TRANSACTION; update T set a = ';' where b = 1;")
        self.assertEqual([len(s) for s in stmts], [2, 10])


if __name__ == '__main__':
    unittest.main()
