"""What SQLite knows about a table's columns and the sqlite3 module does not tell: where each
column of a result comes from, and that column's declared type, NOT NULL, primary key and
AUTOINCREMENT. Read through SQLite's own C interface (sqlite3_column_table_name and
sqlite3_table_column_metadata) on the connection's handle, so that the answer is SQLite's,
for any statement it can prepare, and not a second parser's guess.

A column declared INTEGER PRIMARY KEY AUTOINCREMENT is the stand-in's identity column:
SQLite assigns it when an INSERT leaves it out and never reuses a value, as SQL Server's
IDENTITY does.

The handle is the first field of the sqlite3 module's connection object (CPython); a check at
import proves it on a connection of its own and stops the stand-in loudly when it does not
hold, rather than sending column descriptions that are wrong.
"""
import collections
import ctypes
import ctypes.util
import re
import sqlite3

Column = collections.namedtuple('Column', 'table name decltype notnull pk autoinc')

_lib = ctypes.CDLL(ctypes.util.find_library('sqlite3') or 'libsqlite3.so.0')
_P = ctypes.c_void_p
_lib.sqlite3_libversion.restype = ctypes.c_char_p
_lib.sqlite3_prepare_v2.argtypes = [_P, ctypes.c_char_p, ctypes.c_int, ctypes.POINTER(_P), _P]
_lib.sqlite3_column_count.argtypes = [_P]
for _name in ('sqlite3_column_table_name', 'sqlite3_column_origin_name',
              'sqlite3_column_database_name'):
    getattr(_lib, _name).argtypes = [_P, ctypes.c_int]
    getattr(_lib, _name).restype = ctypes.c_char_p
_lib.sqlite3_finalize.argtypes = [_P]
_lib.sqlite3_table_column_metadata.argtypes = [_P, ctypes.c_char_p, ctypes.c_char_p,
                                               ctypes.c_char_p] + [_P] * 5


def _handle(con):
    return ctypes.c_void_p.from_address(id(con) + object.__basicsize__).value


def column(con, table, name, database=None):
    """The facts of one column of a table, or None when there is no such column."""
    decltype, collation = ctypes.c_char_p(), ctypes.c_char_p()
    notnull, pk, autoinc = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
    rc = _lib.sqlite3_table_column_metadata(
        _handle(con), database, table.encode(), name.encode(), ctypes.byref(decltype),
        ctypes.byref(collation), ctypes.byref(notnull), ctypes.byref(pk), ctypes.byref(autoinc))
    if rc != 0:
        return None
    return Column(table, name, (decltype.value or b'').decode(), bool(notnull.value),
                  bool(pk.value), bool(autoinc.value))


def result_columns(con, sql):
    """For each column of the statement's result: the table column it reads, or None for an
    expression. None for the whole when SQLite cannot prepare the text (it ran it already, so
    this happens only for texts it prepares differently, which have no table columns)."""
    stmt = _P()
    if _lib.sqlite3_prepare_v2(_handle(con), sql.encode('utf-8', 'surrogatepass'), -1,
                               ctypes.byref(stmt), None) != 0:
        _lib.sqlite3_finalize(stmt)
        return None
    try:
        origins = []
        for i in range(_lib.sqlite3_column_count(stmt)):
            table = _lib.sqlite3_column_table_name(stmt, i)
            name = _lib.sqlite3_column_origin_name(stmt, i)
            database = _lib.sqlite3_column_database_name(stmt, i)
            origins.append((database, table, name) if table and name else None)
    finally:
        _lib.sqlite3_finalize(stmt)
    return [column(con, t.decode(), n.decode(), d) if t else None
            for d, t, n in (o or (None, None, None) for o in origins)]


def table_columns(con, table):
    """The columns of a table in their order, or None when there is no such table."""
    names = [r[0] for r in con.execute('SELECT name FROM pragma_table_info(?)', (table,))]
    if not names:
        return None
    real = con.execute("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ? "
                       "COLLATE NOCASE", (table,)).fetchone()
    return [column(con, real[0] if real else table, n) for n in names]


def identity_column(columns):
    """The name of the identity column among a table's columns, or None."""
    for c in columns or ():
        if c and c.autoinc:
            return c.name
    return None


# What SQL Server would declare for a SQLite declared type, as the stand-in sends it: integer
# types as INT (BIGINT as BIGINT), DATETIME, NVARCHAR(n) and NVARCHAR(MAX) as written, every
# other type (TEXT) as NVARCHAR(4000).
NVARCHAR_MAX_CHARS = 4000
_NVARCHAR = re.compile(r'N?VARCHAR\s*\(\s*(\d+|MAX)\s*\)', re.IGNORECASE)


def sql_server_type(decltype):
    base = decltype.split('(')[0].strip().upper()
    if base in ('INT', 'INTEGER', 'SMALLINT', 'TINYINT'):
        return 'int'
    if base in ('BIGINT', 'DATETIME'):
        return base.lower()
    m = _NVARCHAR.fullmatch(decltype.strip())
    length = m.group(1).upper() if m else str(NVARCHAR_MAX_CHARS)
    if length == 'MAX' or int(length) > NVARCHAR_MAX_CHARS:
        return 'nvarchar(max)'
    return 'nvarchar(%d)' % max(int(length), 1)


def _prove():
    con = sqlite3.connect(':memory:')
    try:
        con.execute('CREATE TABLE t(k INTEGER PRIMARY KEY AUTOINCREMENT, v TEXT NOT NULL)')
        found = result_columns(con, 'SELECT v AS w, k, 1 FROM t AS x')
        if found != [Column('t', 'v', 'TEXT', True, False, False),
                     Column('t', 'k', 'INTEGER', False, True, True), None]:
            raise RuntimeError('SQLite %s answers %r' % (_lib.sqlite3_libversion(), found))
    finally:
        con.close()


_prove()
