"""The SQL Server stand-in through the real client chain: unixODBC, FreeTDS's ODBC driver
(registered as "SQL Server" by testbed/odbc/odbcinst.ini) and the wide ODBC functions."""
import json
import os
import shutil
import sqlite3
import subprocess
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
CTL = os.path.join(HERE, '..', 'sqlserverctl')
os.environ['ODBCSYSINI'] = os.path.abspath(os.path.join(HERE, '..', '..', 'odbc'))

import odbc_client  # noqa: E402  (loads libodbc after ODBCSYSINI is set)
from odbc_client import Connection, OdbcError  # noqa: E402

PASSWORD = 'pa;ss=w}rd'


def make_cabinet(path, rows=()):
    db = sqlite3.connect(path)
    db.executescript("""
        create table UserOrGroup(SN integer primary key, AccountName nvarchar(64),
            UserID nvarchar(64), DomainName nvarchar(64), UserSpace nvarchar(64), UserType int);
        insert into UserOrGroup values (1, 'alice', 'alice', 'D', 'sp', 0),
            (2, '山田', '1bob', 'D', NULL, 0), (3, 'carol', 'Carol', NULL, '', 0);
        create table Container(SN integer primary key, CreateUserSN int, IsTrash int);
        insert into Container values (10, 2, 0), (11, 2, 1), (12, 1, 0);
        create table VersionSeries(SN integer primary key, Size INTEGER, ReserveDate DATETIME);
        insert into VersionSeries values (1, 3000000000, '2024-03-28 16:20:00'),
            (2, NULL, NULL), (3, -7, '1999-12-31 23:59:59.999'), (4, 0, '2024-06-03'),
            (5, 1, 'soon');
        create table Grants(SN integer primary key autoincrement, UserSN int not null,
            Label nvarchar(8), Note text collate nocase, Granted datetime, Total bigint);
        insert into Grants values (1, 2, 'read', NULL, '2024-03-28 16:20:00', 5),
            (7, 2, 'a label longer than eight', 'x', NULL, NULL);
        create table Notes(SN integer primary key autoincrement, Body text);
    """)
    db.executemany('insert into Container values (?, ?, ?)', rows)
    db.commit()
    db.close()


class StandInCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix='sqlserver-standin-')
        make_cabinet(os.path.join(cls.dir, 'Cabinet1.sqlite'))
        make_cabinet(os.path.join(cls.dir, 'we]ird.sqlite'))
        with open(os.path.join(cls.dir, 'logins.json'), 'w') as f:
            json.dump({'logins': {'velmora': PASSWORD}}, f)
        cls.port = int(subprocess.check_output([CTL, 'start', cls.dir], text=True).strip())

    @classmethod
    def tearDownClass(cls):
        subprocess.call([CTL, 'stop', cls.dir])
        if os.environ.get('STANDIN_SHOW_LOG'):
            with open(os.path.join(cls.dir, 'server.log')) as f:
                print(f.read())
        shutil.rmtree(cls.dir, ignore_errors=True)

    def connstr(self, uid='velmora', pwd='{%s}' % PASSWORD, database='Cabinet1'):
        s = 'DRIVER={SQL Server};SERVER=127.0.0.1,%d;UID=%s;PWD=%s;' % (self.port, uid, pwd)
        return s + ('DATABASE=%s;' % database if database else '')

    def connect(self, **kw):
        con = Connection(self.connstr(**kw))
        self.addCleanup(con.close)
        return con

    def assertOdbcError(self, native, sqlstate, fn, *args):
        with self.assertRaises(OdbcError) as cm:
            fn(*args)
        self.assertEqual(cm.exception.native, native, cm.exception)
        if sqlstate:
            self.assertEqual(cm.exception.sqlstate, sqlstate, cm.exception)
        return cm.exception


class LoginTest(StandInCase):
    def test_logins(self):
        self.assertEqual(self.connect().execute('select db_name()')[0], [('Cabinet1',)])
        sa = self.connect(uid='sa', pwd='Velmora-sa-1', database=None)
        self.assertEqual(sa.execute('select db_name()')[0], [('master',)])
        err = self.assertOdbcError(18456, '42000', Connection, self.connstr(pwd='wrong'))
        self.assertIn("Login failed for user 'velmora'.", str(err))
        self.assertOdbcError(18456, '42000', Connection, self.connstr(uid='nobody'))
        # FreeTDS ends a braced value at the first '}' followed by ';' or the end, and does
        # not undouble '}}': the Microsoft form {pa;ss=w}}rd} arrives as 'pa;ss=w}}rd'.
        self.assertOdbcError(18456, '42000', Connection, self.connstr(pwd='{pa;ss=w}}rd}'))

    def test_logins_file_is_read_at_each_login(self):
        path = os.path.join(self.dir, 'logins.json')
        with open(path) as f:
            saved = f.read()

        def restore():
            with open(path, 'w') as f:
                f.write(saved)
        self.addCleanup(restore)
        with open(path, 'w') as f:
            json.dump({'logins': {'velmora': PASSWORD, 'builder': 'b-1'}}, f)
        self.connect(uid='builder', pwd='b-1')

    def test_missing_database_in_login(self):
        with self.assertRaises(OdbcError) as cm:
            Connection(self.connstr(database="Nope"))
        self.assertIn(4060, [r[1] for r in cm.exception.records])


class DatabaseTest(StandInCase):
    def test_list_and_use(self):
        con = self.connect(uid='sa', pwd='Velmora-sa-1', database=None)
        rows, _ = con.execute('SELECT name FROM sys.databases ORDER BY database_id')
        self.assertEqual([r[0] for r in rows],
                         ['master', 'tempdb', 'model', 'msdb', 'Cabinet1', 'we]ird'])
        con.execute('USE [we]]ird]')
        self.assertEqual(con.execute('select db_name()')[0], [('we]ird',)])
        con.execute('USE [Cabinet1]')
        self.assertEqual(con.execute('select count(*) from UserOrGroup')[0], [('3',)])
        err = self.assertOdbcError(911, '08004', con.execute, 'USE [Missing]')
        self.assertIn("Database 'Missing' does not exist", str(err))
        self.assertEqual(con.execute('select db_name()')[0], [('Cabinet1',)])


class QueryTest(StandInCase):
    def test_texts_nulls_and_counts(self):
        con = self.connect()
        rows, count = con.execute(
            "Select SN, AccountName, UserID, DomainName, UserSpace From UserOrGroup where "
            "(UserSpace Is NULL) or (UserSpace = '') or  (UserID NOT LIKE '[A-Z]%%') or "
            "(UserID Is NULL) or (UserID = '') order by SN")
        self.assertEqual(rows, [('2', '山田', '1bob', 'D', None), ('3', 'carol', 'Carol', None, '')])
        self.assertEqual(count, 2)
        text = '日本語テキスト 𠮷 ﾊﾝｶｸ'
        long_text = 'あ' * 4500
        con.execute("insert into UserOrGroup values (20, N'%s', N'%s', NULL, 'x', 0)"
                    % (text, long_text))
        self.assertEqual(con.execute('select AccountName, UserID, DomainName from UserOrGroup '
                                     'where SN = 20')[0], [(text, long_text, None)])
        self.assertEqual(con.execute("select SN from UserOrGroup where AccountName = N'%s'"
                                     % text)[0], [('20',)])
        _, count = con.execute('update UserOrGroup set UserType=1 where SN > 1')
        self.assertEqual(count, 3)
        _, count = con.execute('delete from UserOrGroup where SN = 20')
        self.assertEqual(count, 1)

    def test_integer_and_datetime_columns(self):
        con = self.connect()
        rows, _ = con.execute('select VS.SN as 番号, Size, ReserveDate as 日時 from '
                              'VersionSeries as VS where SN < 5 order by ReserveDate')
        self.assertEqual(rows, [('2', None, None), ('3', '-7', '2000-01-01 00:00:00.000'),
                                ('1', '3000000000', '2024-03-28 16:20:00.000'),
                                ('4', '0', '2024-06-03 00:00:00.000')])
        # a value that is no date: the column keeps the stored texts
        self.assertEqual(con.execute('select ReserveDate from VersionSeries where SN >= 4 '
                                     'order by SN')[0], [('2024-06-03',), ('soon',)])

    def test_prepared_statements_with_parameters(self):
        con = self.connect()
        with con.statement() as st:
            st.execute('select SN, AccountName from UserOrGroup where AccountName = ? or SN = ? '
                       'order by SN', ['山田', 3])
            self.assertEqual(st.fetchall(), [('2', '山田'), ('3', 'carol')])
        with con.statement() as st:
            st.execute('update UserOrGroup set DomainName = ? where SN = ?', [None, 1])
            self.assertEqual(st.rowcount(), 1)
        self.assertEqual(con.execute('select DomainName from UserOrGroup where SN = 1')[0], [(None,)])

    def test_error_numbers(self):
        con = self.connect()
        self.assertOdbcError(208, '42S02', con.execute, 'select * from NoSuchTable')
        self.assertOdbcError(207, '42S22', con.execute, 'select NoSuchColumn from UserOrGroup')
        self.assertOdbcError(102, '42000', con.execute, 'select from where')
        self.assertOdbcError(2627, '23000', con.execute,
                             "insert into UserOrGroup values (1, 'x', 'x', 'x', 'x', 0)")
        err = self.assertOdbcError(40000, None, con.execute, "select 'a' + 'b'")
        self.assertIn('stand-in cannot run', str(err))
        self.assertOdbcError(3902, None, con.execute, 'COMMIT')
        self.assertOdbcError(3903, None, con.execute, 'ROLLBACK')
        # the connection stays usable after errors
        self.assertEqual(con.execute('select count(*) from Container')[0], [('3',)])


SQL_INTEGER, SQL_BIGINT, SQL_WVARCHAR, SQL_TYPE_TIMESTAMP = 4, -5, -9, 93


class ColumnDescriptionTest(StandInCase):
    def describe(self, sql):
        with self.connect().statement() as st:
            st.execute(sql)
            return st.describe()

    def test_table_columns_as_declared_also_without_rows(self):
        self.assertEqual(self.describe('select * from Grants where SN < 0'), [
            ('SN', SQL_INTEGER, 10, 0, 0, 1),
            ('UserSN', SQL_INTEGER, 10, 0, 0, 0),
            ('Label', SQL_WVARCHAR, 8, 0, 1, 0),
            ('Note', SQL_WVARCHAR, 4000, 0, 1, 0),
            ('Granted', SQL_TYPE_TIMESTAMP, 23, 3, 1, 0),
            ('Total', SQL_BIGINT, 19, 0, 1, 0)])
        # through an alias and a join, and in a prepared statement
        self.assertEqual(self.describe('select G.SN as Number, U.AccountName from Grants G join '
                                       'UserOrGroup U on U.SN = G.UserSN where G.SN = 1'),
                         [('Number', SQL_INTEGER, 10, 0, 0, 1),
                          ('AccountName', SQL_WVARCHAR, 64, 0, 1, 0)])

    def test_expressions_and_values_that_do_not_fit_their_declared_type(self):
        self.assertEqual(self.describe('select count(*), SN + 1 as Next from UserOrGroup'),
                         [('', SQL_WVARCHAR, 4000, 0, 1, 0), ('Next', SQL_WVARCHAR, 4000, 0, 1, 0)])
        # a 64-bit value, a text in a DATETIME column, a text longer than its column
        self.assertEqual(self.describe('select Size, ReserveDate from VersionSeries')[0][1:3],
                         (SQL_BIGINT, 19))
        self.assertEqual(self.describe('select ReserveDate from VersionSeries')[0][1:3],
                         (SQL_WVARCHAR, 4000))
        self.assertEqual(self.describe('select Label from Grants')[0][1:3], (SQL_WVARCHAR, 4000))
        self.assertEqual(self.connect().execute('select Label from Grants where SN = 7')[0],
                         [('a label longer than eight',)])


class IdentityInsertTest(StandInCase):
    def test_explicit_identity_values_need_identity_insert_on(self):
        con = self.connect()
        con.execute('BEGIN TRANSACTION')
        self.addCleanup(con.execute, 'ROLLBACK')
        insert = "insert into Grants (SN, UserSN, Label) values (%d, 3, 'back')"
        err = self.assertOdbcError(544, None, con.execute, insert % 4)
        self.assertIn("table 'Grants' when IDENTITY_INSERT is set to OFF", str(err))
        con.execute('SET IDENTITY_INSERT dbo.[Grants] ON')
        con.execute(insert % 4)
        self.assertEqual(con.execute('select Label from Grants where SN = 4')[0], [('back',)])
        self.assertOdbcError(545, None, con.execute,
                             "insert into Grants (UserSN) values (3)")
        self.assertOdbcError(8101, None, con.execute,
                             "insert into Grants values (5, 3, NULL, NULL, NULL, NULL)")
        # the setting is the session's: another connection still may not
        self.assertOdbcError(544, None, self.connect().execute, insert % 5)
        con.execute('SET IDENTITY_INSERT Cabinet1.dbo.Grants OFF')
        self.assertOdbcError(544, None, con.execute, insert % 5)
        # without a column list the values go to the other columns; the next value follows
        # the highest one
        con.execute("insert into Grants values (3, 'new', NULL, NULL, 9)")
        self.assertEqual(con.execute("select SN, UserSN, Total from Grants where Label = 'new'")
                         [0], [('8', '3', '9')])

    def test_one_table_at_a_time_and_only_a_table_with_an_identity_column(self):
        con = self.connect()
        con.execute('SET IDENTITY_INSERT Grants ON')
        err = self.assertOdbcError(8107, None, con.execute, 'SET IDENTITY_INSERT Notes ON')
        self.assertIn("already ON for table 'Cabinet1.dbo.Grants'", str(err))
        con.execute('SET IDENTITY_INSERT grants ON')  # the same table again
        self.assertOdbcError(8106, None, con.execute, 'SET IDENTITY_INSERT UserOrGroup ON')
        self.assertOdbcError(1088, None, con.execute, 'SET IDENTITY_INSERT NoSuchTable ON')
        self.assertOdbcError(102, None, con.execute, 'SET IDENTITY_INSERT Notes')
        self.assertOdbcError(208, None, con.execute, 'SET IDENTITY_INSERT sys.Notes ON')
        con.execute('SET IDENTITY_INSERT Grants OFF')
        con.execute('SET IDENTITY_INSERT Notes ON')
        con.execute("insert into Notes (SN, Body) values (40, 'kept')")
        self.assertEqual(con.execute('select SN, Body from Notes')[0], [('40', 'kept')])
        con.execute('delete from Notes')


def containers(con):
    return con.execute('select SN, CreateUserSN, IsTrash from Container order by SN')[0]


class TransactionTest(StandInCase):
    def test_own_changes_rollback_disconnect_and_commit(self):
        observer = self.connect()
        before = containers(observer)
        for end in ('ROLLBACK', None):  # None: the connection drops without COMMIT
            con = Connection(self.connstr())
            con.execute('BEGIN TRANSACTION')
            self.assertEqual(con.execute('update Container set IsTrash=5 where (IsTrash = 7)'),
                             (None, 0))
            con.execute('update Container set IsTrash=7 where (CreateUserSN = 2)')
            self.assertEqual(con.execute('update Container set IsTrash=5 where (IsTrash = 7)'),
                             (None, 2))
            self.assertEqual(con.execute('delete from Container where (CreateUserSN = 1)'),
                             (None, 1))
            self.assertEqual(containers(con), [('10', '2', '5'), ('11', '2', '5')])
            if end:
                con.execute(end)
            con.close()
            # Readers never see another connection's open changes; a write waits for the
            # dropped session's lock, so the read after it sees how that session ended.
            observer.execute('update Container set IsTrash=IsTrash where SN = 12')
            self.assertEqual(containers(observer), before, end)

        con = self.connect()
        con.execute('BEGIN TRANSACTION')
        con.execute('update Container set IsTrash=1 where (SN = 12)')
        con.execute('delete from UserOrGroup where (SN = 3)')
        con.execute('COMMIT')
        self.assertEqual(containers(observer), before[:2] + [('12', '1', '1')])
        self.assertEqual(observer.execute('select count(*) from UserOrGroup where SN = 3')[0],
                         [('0',)])

    def test_second_writer_times_out_with_1222(self):
        first = self.connect()
        first.execute('BEGIN TRANSACTION')
        first.execute('update Container set IsTrash=0 where SN = 10')
        second = self.connect()
        second.execute('SET LOCK_TIMEOUT 300')
        started = time.monotonic()
        self.assertOdbcError(1222, None, second.execute, 'update Container set IsTrash=0 where SN = 11')
        self.assertLess(time.monotonic() - started, 3)
        first.execute('COMMIT')
        second.execute('update Container set IsTrash=0 where SN = 11')


class FaultInjectionTest(StandInCase):
    def write_faults(self, text):
        path = os.path.join(self.dir, 'faults.json')
        with open(path, 'w') as f:
            f.write(text)
        self.addCleanup(os.remove, path)

    def test_nth_matching_statement_of_the_connection_fails(self):
        self.write_faults(json.dumps({'fail': [
            {'matching': 'update Container', 'nth': 2},
            {'matching': 'DELETE from container', 'number': 547, 'message': 'Injected clash.'}]}))
        con, other = self.connect(), self.connect()
        other.execute('update Container set IsTrash=0 where SN = 11')  # counts for other only
        before = containers(con)
        con.execute('BEGIN TRANSACTION')
        con.execute('update Container set IsTrash=1 where SN = 10')
        with con.statement() as st:  # a prepared statement's text counts as well
            err = self.assertOdbcError(50000, None, st.execute,
                                       'update Container set IsTrash=1 where SN = ?', [11])
        self.assertIn('Injected failure for a test.', str(err))
        con.execute('  update Container set IsTrash=1 where SN = 12')
        self.assertEqual([r[2] for r in containers(con)], ['1', '0', '1'])
        err = self.assertOdbcError(547, None, con.execute, 'delete from Container')
        self.assertIn('Injected clash.', str(err))
        con.execute('ROLLBACK')
        self.assertEqual(containers(con), before)
        with open(os.path.join(self.dir, 'server.log')) as f:
            self.assertIn('injecting error 547', f.read())

    def test_delayed_statement_runs_late_and_whole(self):
        self.write_faults(json.dumps({'delay': [{'matching': 'update', 'nth': 2, 'ms': 600}]}))
        con = self.connect()
        con.execute('update Container set IsTrash=1 where SN = 10')
        started = time.monotonic()
        con.execute('update Container set IsTrash=1 where SN = 11')
        self.assertGreaterEqual(time.monotonic() - started, 0.6)
        self.assertEqual([r[2] for r in containers(con)][:2], ['1', '1'])

    def test_bad_file_injects_nothing(self):
        self.write_faults('{"fail": [{"matching": "update"}, {"nth": 0}]}')
        self.connect().execute('update Container set IsTrash=IsTrash where SN = 10')


class TraceTest(StandInCase):
    def test_batches_are_traced_only_while_the_folder_exists(self):
        folder = os.path.join(self.dir, 'trace')
        os.mkdir(folder)
        con = self.connect()
        batches = ["select SN from Container where SN = 10", "update Container set IsTrash=0\n"
                   "\twhere SN = 12 and N'山田' <> ''"]
        for sql in batches:
            con.execute(sql)
        con.close()
        traced = [os.path.join(folder, name) for name in os.listdir(folder)]
        self.assertEqual(len(traced), 1)
        with open(traced[0], 'rb') as f:
            sent = f.read().split(b'\0')
        shutil.rmtree(folder)
        self.assertEqual(sent[-3:], [b.encode('utf-8') for b in batches] + [b''])
        self.connect().execute('select 1')
        self.assertFalse(os.path.exists(folder))


class CancelTest(StandInCase):
    def test_cancel_long_statement(self):
        con = self.connect()
        with con.statement() as st:
            timer = threading.Timer(0.5, st.cancel)
            timer.start()
            started = time.monotonic()
            with self.assertRaises(OdbcError) as cm:
                st.execute('with r(n) as (select 1 union all select n + 1 from r '
                           'where n < 1000000000) select count(*) from r')
            timer.join()
            self.assertLess(time.monotonic() - started, 5)
            self.assertEqual(cm.exception.sqlstate, 'HY008')
        self.assertEqual(con.execute('select count(*) from Container')[0], [('3',)])

    def test_abandon_large_result(self):
        con = self.connect()
        with con.statement() as st:
            st.execute('with r(n) as (select 1 union all select n + 1 from r where n < 200000) '
                       'select n, n, n from r')
            self.assertTrue(st.fetch())
            started = time.monotonic()
            self.assertIn(st.cancel(), (0, 1))
            self.assertLess(time.monotonic() - started, 5)
        self.assertEqual(con.execute('select count(*) from Container')[0], [('3',)])


if __name__ == '__main__':
    unittest.main()
