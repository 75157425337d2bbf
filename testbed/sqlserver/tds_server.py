#!/usr/bin/env python3
"""SQL Server stand-in for the tests and the demo: speaks TDS 7.2-7.4 on loopback and keeps
each database in an SQLite file (DIR/<name>.sqlite).

What it answers: PRELOGIN (no encryption), LOGIN7 (logins from a JSON file plus 'sa'),
SQL batches, the RPCs FreeTDS uses for prepared statements, transaction manager requests and
ATTENTION. Result columns go out as INT, BIGINT, DATETIME or NVARCHAR with the size,
nullability and identity flag of the table columns they read (schema.py); errors carry SQL
Server's numbers. The T-SQL dialect and the case-insensitive collation live in tsql.py.
"""
import argparse
import datetime
import decimal
import functools
import json
import logging
import os
import re
import select
import socket
import sqlite3
import struct
import sys
import threading
import time
import uuid

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import schema  # noqa: E402
import tsql  # noqa: E402

# Packet types
PT_SQL_BATCH, PT_RPC, PT_RESPONSE, PT_ATTENTION, PT_BULK, PT_TM, PT_LOGIN7, PT_PRELOGIN = \
    1, 3, 4, 6, 7, 14, 16, 18

# Tokens
TK_COLMETADATA, TK_ROW, TK_ERROR, TK_INFO, TK_LOGINACK, TK_ENVCHANGE = \
    0x81, 0xD1, 0xAA, 0xAB, 0xAD, 0xE3
TK_RETURNSTATUS, TK_RETURNVALUE, TK_DONE, TK_DONEPROC, TK_DONEINPROC = \
    0x79, 0xAC, 0xFD, 0xFE, 0xFF

DONE_FINAL, DONE_MORE, DONE_ERROR, DONE_INXACT, DONE_COUNT, DONE_ATTN = 0, 1, 2, 4, 0x10, 0x20

CMD_SELECT, CMD_INSERT, CMD_DELETE, CMD_UPDATE = 0xC1, 0xC3, 0xC4, 0xC5
CURCMD = {'SELECT': CMD_SELECT, 'WITH': CMD_SELECT, 'INSERT': CMD_INSERT, 'DELETE': CMD_DELETE,
          'UPDATE': CMD_UPDATE}

# Japanese_CI_AS: LCID 0x411, ignore case, kana and width; sort id 0.
COLLATION = struct.pack('<I', 0x0411 | (1 << 20) | (1 << 22) | (1 << 23)) + b'\x00'
SERVER_NAME = 'VELMORA-STANDIN'
SERVER_VERSION = (16, 0, 1000)
NVARCHAR_MAX_CHARS = schema.NVARCHAR_MAX_CHARS
BUSY_TIMEOUT = 5.0
FLUSH_BYTES = 256 * 1024

log = logging.getLogger('tds')


class ClientGone(Exception):
    pass


class Attention(Exception):
    """The client cancelled the request being processed."""


# ---------------------------------------------------------------------------------------------
# Token encoders

def b_varchar(s):
    b = s.encode('utf-16-le')
    return bytes([len(b) // 2]) + b


def us_varchar(s):
    b = s.encode('utf-16-le')
    return struct.pack('<H', len(b) // 2) + b


def tok_envchange(kind, new, old=b''):
    body = bytes([kind]) + new + old
    return struct.pack('<BH', TK_ENVCHANGE, len(body)) + body


def tok_message(token, number, message, severity=16, state=1, line=1):
    body = (struct.pack('<iBB', number, state, severity) + us_varchar(message) +
            b_varchar(SERVER_NAME) + b_varchar('') + struct.pack('<i', line))
    return struct.pack('<BH', token, len(body)) + body


def tok_error(number, message, severity=16):
    return tok_message(TK_ERROR, number, message, severity)


def tok_info(number, message):
    return tok_message(TK_INFO, number, message, severity=0)


def tok_done(status=0, curcmd=0, count=0, token=TK_DONE):
    return struct.pack('<BHHQ', token, status, curcmd, count)


# COLMETADATA flags: nullable, updatability unknown, identity.
COL_NULLABLE, COL_UPDATEABLE_UNKNOWN, COL_IDENTITY = 0x0001, 0x0008, 0x0010


def type_info(type_):
    """TYPE_INFO of a result type: 'int', 'bigint', 'datetime', 'nvarchar(N)' or
    'nvarchar(max)'."""
    if type_ == 'int':
        return b'\x26\x04'  # INTN
    if type_ == 'bigint':
        return b'\x26\x08'
    if type_ == 'datetime':
        return b'\x6f\x08'  # DATETIMN
    if type_ == 'nvarchar(max)':
        return b'\xe7\xff\xff' + COLLATION
    return b'\xe7' + struct.pack('<H', 2 * nvarchar_limit(type_)) + COLLATION


def nvarchar_limit(type_):
    """The most UTF-16 units a value of an NVARCHAR type may have (None: no limit)."""
    if type_ == 'nvarchar(max)':
        return None
    return int(type_[len('nvarchar('):-1])


def tok_colmetadata(names, types, flags):
    parts = [struct.pack('<BH', TK_COLMETADATA, len(names))]
    for name, type_, flag in zip(names, types, flags):
        parts.append(struct.pack('<IH', 0, flag))
        parts.append(type_info(type_))
        parts.append(b_varchar(name or ''))
    return b''.join(parts)


def column_name(name, sql):
    """SQL Server leaves a computed column without an alias unnamed; SQLite names it by its
    text. A name that is no plain identifier and was not written as a quoted alias is such a
    computed column."""
    if re.match(r'^[^\W\d][\w$#@]*$', name) or '`%s`' % name.replace('`', '``') in sql:
        return name
    return ''


# ---------------------------------------------------------------------------------------------
# Result column types
#
# A column goes out as SQL Server would declare it. A column that reads a table column has
# that column's declared type (schema.sql_server_type: INT, BIGINT, DATETIME, NVARCHAR(n),
# NVARCHAR(MAX), and NVARCHAR(4000) for TEXT), its nullability (NOT NULL and primary key
# columns are not nullable) and the identity flag, also in an empty result. An expression
# (count(*), CE.ListIndex + 1) has no declared type: its type follows from its non-NULL
# values (INT, BIGINT or DATETIME when every value is one, NVARCHAR(4000) otherwise) and it is
# nullable.
#
# SQLite keeps whatever it is given, so a value need not fit its column's declared type; then
# the column goes out as what fits rather than as a failed statement: an INT column with a
# 64-bit value as BIGINT, a DATETIME or INT column with a text ('soon') as NVARCHAR, the
# client reading the stored texts, and a text longer than its NVARCHAR(n) as NVARCHAR(4000) or
# NVARCHAR(MAX). A column with a NULL is nullable whatever it is declared.
#
# DATE, TIME, DATETIME2 and SMALLDATETIME stay NVARCHAR: SQL Server sends those as other types
# that clients render differently (a DATE reads '2024-03-28'), and no schema here uses them.
# sqlite3 hands a declared type only to the converters registered for it, so these tag the
# values (IntValue, DateTimeValue).

class IntValue(int):
    """A value of a column declared as an integer type."""
    __slots__ = ()


class DateTimeValue:
    """A value of a DATETIME column: its stored text and its DATETIMN row bytes."""
    __slots__ = ('text', 'cell')

    def __init__(self, text, cell):
        self.text = text
        self.cell = cell


INT_MIN, INT_MAX = -2 ** 31, 2 ** 31 - 1
_INTEGER_TEXT = re.compile(rb'-?\d{1,19}')
_DATETIME_TEXT = re.compile(
    rb'(\d{4})-(\d\d)-(\d\d)(?:[ T](\d\d):(\d\d)(?::(\d\d)(?:\.(\d{1,9}))?)?)?')
_DAY_1900 = datetime.date(1900, 1, 1).toordinal()
_FIRST_DAY = datetime.date(1753, 1, 1).toordinal() - _DAY_1900
_LAST_DAY = datetime.date(9999, 12, 31).toordinal() - _DAY_1900
_TICKS_PER_DAY = 300 * 86400


def datetime_cell(raw):
    """Stored text 'YYYY-MM-DD[ HH:MM[:SS[.fff]]]' → DATETIMN row bytes (days since 1900-01-01,
    1/300 s ticks), or None when it is no DATETIME value."""
    m = _DATETIME_TEXT.fullmatch(raw.strip())
    if not m:
        return None
    year, month, day, hour, minute, second = (int(g or 0) for g in m.groups()[:6])
    if hour > 23 or minute > 59 or second > 59:
        return None
    try:
        days = datetime.date(year, month, day).toordinal() - _DAY_1900
    except ValueError:
        return None
    # SQL Server rounds to the nearest tick (.997 is followed by the next second), which may
    # carry into the next day.
    fraction = m.group(7) or b'0'
    scale = 10 ** len(fraction)
    ticks = ((3600 * hour + 60 * minute + second) * 300 +
             (600 * int(fraction) + scale) // (2 * scale))
    days += ticks // _TICKS_PER_DAY
    if not _FIRST_DAY <= days <= _LAST_DAY:
        return None
    return struct.pack('<BiI', 8, days, ticks % _TICKS_PER_DAY)


def _convert_integer(raw):
    if _INTEGER_TEXT.fullmatch(raw):
        v = int(raw)
        if -2 ** 63 <= v < 2 ** 63:
            return IntValue(v)
    return raw.decode('utf-8', 'replace')


def _convert_datetime(raw):
    text = raw.decode('utf-8', 'replace')
    cell = datetime_cell(raw)
    return DateTimeValue(text, cell) if cell else text


for _name in ('INT', 'INTEGER', 'SMALLINT', 'TINYINT', 'BIGINT'):
    sqlite3.register_converter(_name, _convert_integer)
sqlite3.register_converter('DATETIME', _convert_datetime)


def result_columns(rows, ncols, declared):
    """Each result column's type ('int', 'bigint', 'datetime', 'nvarchar(N)' or
    'nvarchar(max)') and COLMETADATA flags, from the table column it reads (declared[i], a
    schema.Column, or None for an expression; declared may be None) and its values."""
    types, flags = [], []
    for i in range(ncols):
        origin = declared[i] if declared else None
        want = schema.sql_server_type(origin.decltype) if origin else None
        kinds = {type(r[i]) for r in rows}
        has_null = type(None) in kinds
        kinds.discard(type(None))
        if kinds <= {IntValue} and (kinds or want in ('int', 'bigint')):
            values = [r[i] for r in rows if r[i] is not None]
            fits = not values or (INT_MIN <= min(values) and max(values) <= INT_MAX)
            types.append('int' if fits and want != 'bigint' else 'bigint')
        elif kinds <= {DateTimeValue} and (kinds or want == 'datetime'):
            types.append('datetime')
        elif kinds <= {str} and want and want.startswith('nvarchar'):
            types.append(want)
        else:
            types.append('nvarchar(%d)' % NVARCHAR_MAX_CHARS)
        required = origin is not None and (origin.notnull or origin.pk) and not has_null
        identity = origin is not None and origin.autoinc and types[-1] in ('int', 'bigint')
        flags.append(COL_UPDATEABLE_UNKNOWN | (0 if required else COL_NULLABLE) |
                     (COL_IDENTITY if identity else 0))
    return types, flags


_FIXED_CELL = {
    'int': functools.partial(struct.Struct('<Bi').pack, 4),
    'bigint': functools.partial(struct.Struct('<Bq').pack, 8),
    'datetime': lambda v: v.cell,
}


def value_text(v):
    if isinstance(v, str):
        return v
    if isinstance(v, int):
        return str(v)
    if isinstance(v, float):
        if v == int(v) and abs(v) < 1e15:
            return '%.1f' % v
        return repr(v)
    if isinstance(v, bytes):
        return v.hex().upper()
    if isinstance(v, DateTimeValue):
        return v.text
    return str(v)


def _with_length(v):
    v = value_text(v)
    return chr(2 * len(v)) + v


def _run_limit(types, a, b):
    limits = [nvarchar_limit(t) for t in types[a:b]]
    return min(float('inf') if n is None else n for n in limits)


def _widen(types, i, units):
    """Gives column i a type that holds a value of this many UTF-16 units."""
    limit = nvarchar_limit(types[i])
    if limit is not None and units > limit:
        types[i] = 'nvarchar(%d)' % NVARCHAR_MAX_CHARS if units <= NVARCHAR_MAX_CHARS \
            else 'nvarchar(max)'


def encode_rows(rows, types):
    """Rows → list of ROW token bodies without the token byte. An NVARCHAR type too narrow
    for a value is widened in place (see above).

    Each run of NVARCHAR columns of a row is one str.encode() call: the fast path writes each
    USHORT length as the UTF-16 code unit chr(length). Only a run whose text is longer than its
    narrowest column allows can hold a value too long for its column; if one does, that column
    is widened, and a column that became NVARCHAR(MAX) makes the whole result take the slow
    path, as rows with characters outside the BMP do."""
    runs = []  # (None, first, end) for NVARCHAR columns, (cell function, column, None)
    for i, type_ in enumerate(types):
        if type_ in _FIXED_CELL:
            runs.append((_FIXED_CELL[type_], i, None))
        elif runs and runs[-1][0] is None:
            runs[-1] = (None, runs[-1][1], i + 1)
        else:
            runs.append((None, i, i + 1))
    limits = {a: _run_limit(types, a, b) for cell, a, b in runs if cell is None}
    out = []
    append = out.append
    for row in rows:
        parts = []
        for cell, a, b in runs:
            if cell is not None:
                v = row[a]
                parts.append(b'\x00' if v is None else cell(v))
                continue
            values = row[a:b]
            s = ''.join([('\uffff' if v is None else
                          (chr(2 * len(v)) + v if type(v) is str else _with_length(v)))
                         for v in values])
            e = s.encode('utf-16-le', 'surrogatepass')
            if len(e) > 2 * limits[a]:
                for i, v in enumerate(values, a):
                    if v is not None:
                        _widen(types, i, len(value_text(v).encode('utf-16-le',
                                                                   'surrogatepass')) // 2)
                limits[a] = _run_limit(types, a, b)
            if len(e) != 2 * len(s):
                e = _slow_row(values, types[a:b])[1:]
            parts.append(e)
        append(b''.join(parts))
    if 'nvarchar(max)' in types:
        out = [_slow_row(r, types)[1:] for r in rows]
    return out


def _slow_row(row, types):
    parts = [b'\xd1']
    for v, type_ in zip(row, types):
        if type_ in _FIXED_CELL:
            parts.append(b'\x00' if v is None else _FIXED_CELL[type_](v))
            continue
        if v is not None and type(v) is not str:
            v = value_text(v)
        if type_ == 'nvarchar(max)':
            if v is None:
                parts.append(b'\xff' * 8)
            else:
                b = v.encode('utf-16-le', 'surrogatepass')
                parts.append(struct.pack('<Q', len(b)))
                if b:
                    parts.append(struct.pack('<I', len(b)) + b)
                parts.append(b'\x00\x00\x00\x00')
        elif v is None:
            parts.append(b'\xff\xff')
        else:
            b = v.encode('utf-16-le', 'surrogatepass')
            parts.append(struct.pack('<H', len(b)) + b)
    return b''.join(parts)


# ---------------------------------------------------------------------------------------------
# SQLite errors → SQL Server errors

def map_sqlite_error(e, sql):
    msg = str(e)
    m = re.match(r'no such table: (?:\w+\.)?(.+)', msg)
    if m:
        return 208, "Invalid object name '%s'." % m.group(1)
    m = re.match(r'no such column: (.+)', msg)
    if m:
        return 207, "Invalid column name '%s'." % m.group(1).split('.')[-1]
    m = re.match(r'ambiguous column name: (.+)', msg)
    if m:
        return 209, "Ambiguous column name '%s'." % m.group(1).split('.')[-1]
    m = re.match(r'near "(.*)": syntax error', msg)
    if m:
        return 102, "Incorrect syntax near '%s'." % m.group(1)
    if msg in ('incomplete input',):
        return 102, "Incorrect syntax near '%s'." % (sql.split() or [''])[-1]
    m = re.match(r'no such function: (.+)', msg)
    if m:
        return 195, "'%s' is not a recognized built-in function name." % m.group(1)
    m = re.match(r'(?:UNIQUE|PRIMARY KEY) constraint failed: (\w+)\.(\w+)', msg)
    if m:
        return 2627, ("Violation of PRIMARY KEY constraint 'PK_%s'. Cannot insert duplicate key "
                      "in object 'dbo.%s'." % (m.group(1), m.group(1)))
    m = re.match(r'NOT NULL constraint failed: (\w+)\.(\w+)', msg)
    if m:
        return 515, ("Cannot insert the value NULL into column '%s', table 'dbo.%s'; column does "
                     "not allow nulls. INSERT fails." % (m.group(2), m.group(1)))
    if msg.startswith(('FOREIGN KEY constraint failed', 'CHECK constraint failed')):
        return 547, "The statement conflicted with a constraint (%s)." % msg
    m = re.match(r'table (\S+) already exists', msg)
    if m:
        return 2714, "There is already an object named '%s' in the database." % m.group(1).strip('"`')
    if msg.startswith(('database is locked', 'database table is locked')):
        return 1222, "Lock request time out period exceeded."
    m = re.search(r'binding parameter :?(\w+)', msg)
    if m or 'supply a value' in msg:
        return 137, 'Must declare the scalar variable "@%s".' % (m.group(1) if m else '')
    m = re.match(r'(?:misuse of aggregate|aggregate functions are not allowed)', msg)
    if m:
        return 147, "An aggregate may not appear in the WHERE clause."
    return 40001, "stand-in cannot run: %s" % msg


# ---------------------------------------------------------------------------------------------
# RPC parameter values

def _days_1900(days):
    return datetime.datetime(1900, 1, 1) + datetime.timedelta(days=days)


def _fmt_dt(dt, digits=3):
    s = dt.strftime('%Y-%m-%d %H:%M:%S')
    if digits:
        s += '.' + ('%06d' % dt.microsecond + '0')[:digits]
    return s


def read_type_value(d, p):
    """One TYPE_INFO + value at d[p:] → (python value, new position)."""
    t = d[p]
    p += 1
    fixed = {0x1F: 0, 0x30: 1, 0x32: 1, 0x34: 2, 0x38: 4, 0x3A: 4, 0x3B: 4, 0x3C: 8, 0x3D: 8,
             0x3E: 8, 0x7A: 4, 0x7F: 8}
    if t in fixed:
        n = fixed[t]
        return _fixed_value(t, d[p:p + n]), p + n
    if t in (0x26, 0x68, 0x6D, 0x6E, 0x6F, 0x24):  # INTN BITN FLTN MONEYN DATETIMN GUID
        p += 1
        n = d[p]
        p += 1
        if n == 0:
            return None, p
        raw = d[p:p + n]
        base = {0x26: {1: 0x30, 2: 0x34, 4: 0x38, 8: 0x7F}, 0x68: {1: 0x32},
                0x6D: {4: 0x3B, 8: 0x3E}, 0x6E: {4: 0x7A, 8: 0x3C}, 0x6F: {4: 0x3A, 8: 0x3D}}
        if t == 0x24:
            return str(uuid.UUID(bytes_le=bytes(raw))).upper(), p + n
        return _fixed_value(base[t][n], raw), p + n
    if t in (0x6A, 0x6C):  # DECIMALN NUMERICN
        scale = d[p + 2]
        p += 3
        n = d[p]
        p += 1
        if n == 0:
            return None, p
        sign = d[p]
        mag = int.from_bytes(d[p + 1:p + n], 'little')
        val = decimal.Decimal(mag if sign else -mag).scaleb(-scale)
        return (int(val) if scale == 0 else float(val)), p + n
    if t == 0x28:  # DATEN
        n = d[p]
        p += 1
        if n == 0:
            return None, p
        days = int.from_bytes(d[p:p + 3], 'little')
        return (datetime.date(1, 1, 1) + datetime.timedelta(days=days)).isoformat(), p + 3
    if t in (0x29, 0x2A, 0x2B):  # TIMEN DATETIME2N DATETIMEOFFSETN
        scale = d[p]
        p += 1
        n = d[p]
        p += 1
        if n == 0:
            return None, p
        raw = d[p:p + n]
        tlen = {0x29: n, 0x2A: n - 3, 0x2B: n - 5}[t]
        ticks = int.from_bytes(raw[:tlen], 'little')
        secs = decimal.Decimal(ticks).scaleb(-scale)
        tm = datetime.timedelta(seconds=float(secs))
        if t == 0x29:
            return str(datetime.datetime(1900, 1, 1) + tm)[11:], p + n
        days = int.from_bytes(raw[tlen:tlen + 3], 'little')
        dt = datetime.datetime(1, 1, 1) + datetime.timedelta(days=days) + tm
        return _fmt_dt(dt, min(scale, 7)), p + n
    if t in (0xA5, 0xA7, 0xAD, 0xAF, 0xE7, 0xEF):
        maxlen = struct.unpack_from('<H', d, p)[0]
        p += 2
        coll = None
        if t in (0xA7, 0xAF, 0xE7, 0xEF):
            coll = d[p:p + 5]
            p += 5
        if maxlen == 0xFFFF:
            total = struct.unpack_from('<Q', d, p)[0]
            p += 8
            if total == 0xFFFFFFFFFFFFFFFF:
                return None, p
            chunks = []
            while True:
                n = struct.unpack_from('<I', d, p)[0]
                p += 4
                if n == 0:
                    break
                chunks.append(d[p:p + n])
                p += n
            raw = b''.join(chunks)
        else:
            n = struct.unpack_from('<H', d, p)[0]
            p += 2
            if n == 0xFFFF:
                return None, p
            raw = d[p:p + n]
            p += n
        return _var_value(t, raw, coll), p
    if t in (0x22, 0x23, 0x63):  # IMAGE TEXT NTEXT
        p += 4
        coll = None
        if t != 0x22:
            coll = d[p:p + 5]
            p += 5
        n = struct.unpack_from('<i', d, p)[0]
        p += 4
        if n < 0:
            return None, p
        raw = d[p:p + n]
        return _var_value({0x22: 0xA5, 0x23: 0xA7, 0x63: 0xE7}[t], raw, coll), p + n
    raise tsql.cannot_run('parameter of TDS type 0x%02X' % t)


def _fixed_value(t, raw):
    if t == 0x1F:
        return None
    if t in (0x30, 0x32):
        return raw[0]
    if t == 0x34:
        return struct.unpack('<h', raw)[0]
    if t == 0x38:
        return struct.unpack('<i', raw)[0]
    if t == 0x7F:
        return struct.unpack('<q', raw)[0]
    if t == 0x3B:
        return struct.unpack('<f', raw)[0]
    if t == 0x3E:
        return struct.unpack('<d', raw)[0]
    if t == 0x3C:
        hi, lo = struct.unpack('<iI', raw)
        return ((hi << 32) | lo) / 10000.0
    if t == 0x7A:
        return struct.unpack('<i', raw)[0] / 10000.0
    if t == 0x3D:
        days, ticks = struct.unpack('<iI', raw)
        return _fmt_dt(_days_1900(days) + datetime.timedelta(milliseconds=round(ticks * 10 / 3)))
    if t == 0x3A:
        days, minutes = struct.unpack('<HH', raw)
        return _fmt_dt(_days_1900(days) + datetime.timedelta(minutes=minutes), 0)
    raise tsql.cannot_run('parameter of TDS type 0x%02X' % t)


def _var_value(t, raw, coll):
    raw = bytes(raw)
    if t in (0xE7, 0xEF):
        return raw.decode('utf-16-le', 'surrogatepass')
    if t in (0xA7, 0xAF):
        lcid = struct.unpack('<I', coll)[0] & 0xFFFFF if coll else 0
        return raw.decode('cp932' if lcid == 0x411 else 'cp1252', 'replace')
    return raw


# ---------------------------------------------------------------------------------------------
# Statements and injected faults

def split_batch(sql):
    """A batch → [(tokens, text)], one per statement. The text runs from the statement's first
    token to its last as the client wrote it, so that fault entries can match the client's own
    spelling."""
    stmts = tsql.split_statements(sql)
    texts, start, end, pos = [], None, 0, 0
    while pos < len(sql):
        m = tsql._TOKEN.match(sql, pos)  # split_statements accepted the text: always a match
        pos = m.end()
        if m.lastgroup in ('ws', 'comment'):
            continue
        if m.lastgroup == 'op' and m.group() == ';':
            if start is not None:
                texts.append(sql[start:end])
            start = None
            continue
        if start is None:
            start = m.start()
        end = m.end()
    if start is not None:
        texts.append(sql[start:end])
    return list(zip(stmts, texts))


class Fault:
    """One entry of DIR/faults.json: the nth statement of a connection that starts with
    `matching` fails with error `number` (a "fail" entry), runs `ms` milliseconds late (a
    "delay" entry), or runs and then loses its answer: the connection ends before the reply
    (a "lose" entry). Each connection counts on its own copy."""
    KEYS = {'matching', 'nth', 'number', 'message'}
    DELAY_KEYS = {'matching', 'nth', 'ms'}
    LOSE_KEYS = {'matching', 'nth'}

    def __init__(self, entry, delay=False, lose=False):
        keys = self.LOSE_KEYS if lose else self.DELAY_KEYS if delay else self.KEYS
        self.lose = lose
        if not isinstance(entry, dict) or set(entry) - keys:
            raise ValueError('entry %r: expected an object with keys %s'
                             % (entry, ', '.join(sorted(keys))))
        self.matching = entry.get('matching') or ''
        self.nth = entry.get('nth', 1)
        self.number = entry.get('number', 50000)
        self.message = entry.get('message', 'Injected failure for a test.')
        self.delay_ms = entry.get('ms', 0) if delay else None
        if (not isinstance(self.matching, str) or not isinstance(self.message, str) or
                not _is_int(self.nth) or self.nth < 1 or not _is_int(self.number) or
                (delay and (not _is_int(self.delay_ms) or self.delay_ms < 0))):
            raise ValueError('entry %r: bad value' % (entry,))
        self.seen = 0

    def hit(self, text):
        """Counts `text` if it matches; True when this is the statement to fail."""
        if not text.lower().startswith(self.matching.lower()):
            return False
        self.seen += 1
        return self.seen == self.nth


def _is_int(v):
    return isinstance(v, int) and not isinstance(v, bool)


# ---------------------------------------------------------------------------------------------
# Server state

class Server:
    def __init__(self, data_dir, logins_file, sa_password):
        self.data_dir = os.path.abspath(data_dir)
        self.logins_file = logins_file
        self.sa_password = sa_password
        self.lock = threading.Lock()
        self.next_spid = 51

    def check_login(self, user, password):
        logins = {'sa': self.sa_password}
        if self.logins_file and os.path.exists(self.logins_file):
            try:
                with open(self.logins_file, encoding='utf-8') as f:
                    logins.update(json.load(f).get('logins', {}))
            except (OSError, ValueError) as e:
                log.error('cannot read %s: %s', self.logins_file, e)
        for name, pw in logins.items():
            if name.lower() == user.lower():
                return pw == password
        return False

    def read_faults(self):
        """DIR/faults.json → fresh Fault list for one connection. A file that is missing,
        unreadable or bad injects nothing: a half-understood file would fail the wrong
        statements."""
        path = os.path.join(self.data_dir, 'faults.json')
        try:
            with open(path, encoding='utf-8') as f:
                doc = json.load(f)
            entries = doc.get('fail', []) if isinstance(doc, dict) else None
            delays = doc.get('delay', []) if isinstance(doc, dict) else None
            losses = doc.get('lose', []) if isinstance(doc, dict) else None
            if not all(isinstance(kind, list) for kind in (entries, delays, losses)):
                raise ValueError('expected {"fail": [...], "delay": [...], "lose": [...]}')
            return ([Fault(e) for e in entries] + [Fault(e, delay=True) for e in delays] +
                    [Fault(e, lose=True) for e in losses])
        except FileNotFoundError:
            return []
        except (OSError, ValueError) as e:
            log.error('ignoring %s: %s', path, e)
            return []

    def open_trace(self, spid):
        """DIR/trace/<spid>.sql for one connection when the folder DIR/trace exists (else
        None): every batch the connection sends is appended as the client sent it, UTF-8,
        each ended by a NUL, so that a benchmark can send the same statements again."""
        folder = os.path.join(self.data_dir, 'trace')
        if not os.path.isdir(folder):
            return None
        return open(os.path.join(folder, '%06d.sql' % spid), 'ab', buffering=0)

    def database_names(self):
        files = []
        try:
            for f in os.listdir(self.data_dir):
                if f.endswith('.sqlite') and len(f) > 7:
                    files.append(f[:-7])
        except OSError:
            pass
        files.sort(key=lambda s: (s.lower(), s))
        return list(tsql.VIRTUAL_DATABASES) + [f for f in files
                                               if f.lower() not in tsql.VIRTUAL_DATABASES]

    def find_database(self, name):
        for n in self.database_names():
            if n.lower() == name.lower():
                return n
        return None

    def spid(self):
        with self.lock:
            self.next_spid += 1
            return self.next_spid


class Session(threading.Thread):
    def __init__(self, server, sock, addr):
        super().__init__(daemon=True)
        self.server = server
        self.sock = sock
        self.addr = addr
        self.rbuf = bytearray()
        self.packet_size = 4096
        self.tds_version = 0x74000004
        self.user = ''
        self.db = 'master'
        self.cons = {}
        self.trancount = 0
        self.xact_id = 0
        self.prepared = {}
        self.next_handle = 1
        self.nocount = False
        self.lock_timeout_ms = int(BUSY_TIMEOUT * 1000)
        self.identity_insert = None  # (database, table) with IDENTITY_INSERT ON
        self.spid = server.spid()
        self.out = bytearray()
        self.out_packet_id = 1
        self.attention_seen = False
        self.faults = []
        self.trace = None

    # -- socket --------------------------------------------------------------------------------

    def _recv_exact(self, n):
        while len(self.rbuf) < n:
            chunk = self.sock.recv(max(65536, n - len(self.rbuf)))
            if not chunk:
                raise ClientGone()
            self.rbuf += chunk
        data = bytes(self.rbuf[:n])
        del self.rbuf[:n]
        return data

    def read_message(self):
        parts = []
        while True:
            hdr = self._recv_exact(8)
            ptype, status, length = hdr[0], hdr[1], struct.unpack('>H', hdr[2:4])[0]
            if length < 8:
                raise ClientGone()
            parts.append(self._recv_exact(length - 8))
            if status & 0x01:
                return ptype, b''.join(parts)

    def attention_pending(self):
        """Non-blocking look for an ATTENTION packet from the client; consumes it."""
        if len(self.rbuf) < 8:
            r, _, _ = select.select([self.sock], [], [], 0)
            if not r:
                return False
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ClientGone()
            self.rbuf += chunk
        if len(self.rbuf) >= 8 and self.rbuf[0] == PT_ATTENTION:
            length = struct.unpack('>H', self.rbuf[2:4])[0]
            if len(self.rbuf) >= length:
                del self.rbuf[:length]
                self.attention_seen = True
                return True
        return False

    def emit(self, b):
        self.out += b
        if len(self.out) >= FLUSH_BYTES:
            self._flush(False)
            if self.attention_pending():
                raise Attention()

    def _flush(self, final):
        payload = self.packet_size - 8
        buf = self.out
        pkts = []
        pos = 0
        n = len(buf)
        while n - pos > payload or (final and pos < n) or (final and n == 0 and not pkts):
            chunk = buf[pos:pos + payload]
            pos += len(chunk)
            last = final and pos >= n
            pkts.append(struct.pack('>BBHHBB', PT_RESPONSE, 1 if last else 0, len(chunk) + 8,
                                    self.spid, self.out_packet_id, 0))
            pkts.append(chunk)
            self.out_packet_id = (self.out_packet_id + 1) % 256
            if last:
                break
        del buf[:pos]
        if pkts:
            self.sock.sendall(b''.join(pkts))

    def end_message(self):
        self._flush(True)
        self.out_packet_id = 1

    def send_message(self, b):
        self.out = bytearray(b)
        self.end_message()

    # -- main loop -----------------------------------------------------------------------------

    def run(self):
        log.info('spid %d: connection from %s', self.spid, self.addr)
        try:
            self.serve()
        except (ClientGone, ConnectionError, OSError) as e:
            log.info('spid %d: connection closed (%s)', self.spid, type(e).__name__)
        except Exception:
            log.exception('spid %d: internal error', self.spid)
        finally:
            self.close()

    def close(self):
        for name, con in self.cons.items():
            try:
                if con.in_transaction:
                    log.info('spid %d: rolling back open transaction in %s', self.spid, name)
                    con.rollback()
                con.close()
            except sqlite3.Error:
                pass
        self.cons.clear()
        if self.trace:
            self.trace.close()
            self.trace = None
        try:
            self.sock.close()
        except OSError:
            pass

    def serve(self):
        logged_in = False
        while True:
            ptype, data = self.read_message()
            if ptype == PT_PRELOGIN and not logged_in:
                self.send_message(self.prelogin_reply())
            elif ptype == PT_LOGIN7 and not logged_in:
                if not self.login(data):
                    return
                logged_in = True
            elif not logged_in:
                return
            elif ptype == PT_ATTENTION:
                self.send_message(tok_done(DONE_ATTN))
            else:
                self.attention_seen = False
                self.out = bytearray()
                try:
                    if ptype == PT_SQL_BATCH:
                        self.batch(data)
                    elif ptype == PT_RPC:
                        self.rpc(data)
                    elif ptype == PT_TM:
                        self.transaction_manager(data)
                    else:
                        self.emit(tok_error(40000, 'stand-in cannot run: TDS packet type %d' % ptype))
                        self.emit(tok_done(DONE_ERROR))
                except Attention:
                    # What is buffered ends on a token boundary and may complete a token that
                    # is already partly sent: keep it, the client skips it up to the DONE.
                    self.out += tok_done(DONE_ATTN)
                    log.info('spid %d: request cancelled', self.spid)
                except (ClientGone, OSError):
                    raise
                except Exception as e:  # a fault of the stand-in: tell the client, keep serving
                    log.exception('spid %d: internal error', self.spid)
                    self.out += tok_error(40002, 'stand-in internal error: %s' % e)
                    self.out += tok_done(DONE_ERROR)
                self.end_message()

    # -- login ---------------------------------------------------------------------------------

    def prelogin_reply(self):
        opts = [(0, struct.pack('>BBHH', SERVER_VERSION[0], SERVER_VERSION[1], SERVER_VERSION[2], 0)),
                (1, b'\x02'), (2, b'\x00'), (3, b''), (4, b'\x00')]
        head_len = 5 * len(opts) + 1
        head, body = b'', b''
        for token, val in opts:
            head += struct.pack('>BHH', token, head_len + len(body), len(val))
            body += val
        return head + b'\xff' + body

    def login(self, d):
        def field(off):
            pos, n = struct.unpack_from('<HH', d, off)
            return d[pos:pos + 2 * n]

        version, packet_size = struct.unpack_from('<II', d, 4)
        user = field(40).decode('utf-16-le', 'replace')
        raw_pw = field(44)
        password = bytes(((b ^ 0xA5) >> 4) | (((b ^ 0xA5) & 0x0F) << 4) for b in raw_pw)
        password = password.decode('utf-16-le', 'replace')
        database = field(68).decode('utf-16-le', 'replace')
        app = field(48).decode('utf-16-le', 'replace')
        self.user = user
        if version < 0x72000000 and version not in (0x71000001,):
            # TDS 7.0/7.1 clients would need NTEXT results: not offered.
            pass
        self.tds_version = min(version, 0x74000004) if version >= 0x72000000 else 0x72090002
        if not self.server.check_login(user, password):
            log.info('spid %d: login failed for %r', self.spid, user)
            self.send_message(tok_error(18456, "Login failed for user '%s'." % user, 14) +
                              tok_done(DONE_ERROR))
            return False
        target = 'master'
        if database:
            found = self.server.find_database(database)
            if found is None:
                log.info('spid %d: login to missing database %r', self.spid, database)
                self.send_message(
                    tok_error(4060, 'Cannot open database "%s" requested by the login. The login '
                              'failed.' % database, 11) +
                    tok_error(18456, "Login failed for user '%s'." % user, 14) + tok_done(DONE_ERROR))
                return False
            target = found
        if packet_size:
            self.packet_size = max(512, min(packet_size, 32767))
        self.db = target
        self.faults = self.server.read_faults()
        self.trace = self.server.open_trace(self.spid)
        if self.faults:
            log.info('spid %d: %d fault(s) to inject', self.spid, len(self.faults))
        out = [tok_envchange(1, b_varchar(target), b_varchar('master')),
               tok_info(5701, "Changed database context to '%s'." % target),
               tok_envchange(7, bytes([len(COLLATION)]) + COLLATION, b'\x00'),
               tok_envchange(2, b_varchar('us_english'), b_varchar('')),
               tok_info(5703, 'Changed language setting to us_english.')]
        prog = b_varchar('Microsoft SQL Server')
        body = (b'\x01' + struct.pack('>I', self.tds_version) + prog +
                bytes([SERVER_VERSION[0], SERVER_VERSION[1]]) + struct.pack('>H', SERVER_VERSION[2]))
        out.append(struct.pack('<BH', TK_LOGINACK, len(body)) + body)
        out.append(tok_envchange(4, b_varchar(str(self.packet_size)), b_varchar(str(packet_size or 4096))))
        out.append(tok_done())
        self.send_message(b''.join(out))
        log.info('spid %d: login %r app %r database %s tds %08x packet %d', self.spid, user, app,
                 target, self.tds_version, self.packet_size)
        return True

    # -- databases -----------------------------------------------------------------------------

    def con(self):
        con = self.cons.get(self.db)
        if con is None:
            if self.db.lower() in tsql.VIRTUAL_DATABASES:
                path = ':memory:'
            else:
                path = os.path.join(self.server.data_dir, self.db + '.sqlite')
                if not os.path.exists(path):
                    raise tsql.TsqlError(911, "Database '%s' does not exist. Make sure that the "
                                         "name is entered correctly." % self.db)
            con = sqlite3.connect(path, timeout=BUSY_TIMEOUT, isolation_level=None,
                                  check_same_thread=False, detect_types=sqlite3.PARSE_DECLTYPES)
            con.execute('PRAGMA busy_timeout = %d' % self.lock_timeout_ms)
            tsql.register(con, lambda: self.db)
            con.set_progress_handler(self._progress, 20000)
            self.cons[self.db] = con
        if self.trancount and not con.in_transaction:
            con.execute('BEGIN')
        return con

    def _progress(self):
        try:
            return 1 if self.attention_pending() else 0
        except ClientGone:
            return 1

    def use(self, name):
        found = self.server.find_database(name)
        if found is None:
            raise tsql.TsqlError(911, "Database '%s' does not exist. Make sure that the name is "
                                 "entered correctly." % name)
        old = self.db
        self.db = found
        self.emit(tok_envchange(1, b_varchar(found), b_varchar(old)))
        self.emit(tok_info(5701, "Changed database context to '%s'." % found))

    # -- transactions --------------------------------------------------------------------------

    def begin(self):
        self.trancount += 1
        if self.trancount == 1:
            self.xact_id += 1
            self.emit(tok_envchange(8, b'\x08' + struct.pack('<Q', self.xact_id), b'\x00'))

    def commit(self, all_levels=False):
        if self.trancount == 0:
            raise tsql.TsqlError(3902, 'The COMMIT TRANSACTION request has no corresponding '
                                 'BEGIN TRANSACTION.')
        self.trancount = 0 if all_levels else self.trancount - 1
        if self.trancount == 0:
            for con in self.cons.values():
                if con.in_transaction:
                    try:
                        con.commit()
                    except sqlite3.OperationalError as e:
                        number, message = map_sqlite_error(e, 'COMMIT')
                        raise tsql.TsqlError(number, message)
            self.emit(tok_envchange(9, b'\x00', b'\x08' + struct.pack('<Q', self.xact_id)))

    def rollback(self):
        if self.trancount == 0:
            raise tsql.TsqlError(3903, 'The ROLLBACK TRANSACTION request has no corresponding '
                                 'BEGIN TRANSACTION.')
        self.trancount = 0
        for con in self.cons.values():
            if con.in_transaction:
                con.rollback()
        self.emit(tok_envchange(10, b'\x00', b'\x08' + struct.pack('<Q', self.xact_id)))

    def transaction_manager(self, d):
        p = struct.unpack_from('<I', d, 0)[0] if len(d) >= 4 else 0
        req = struct.unpack_from('<H', d, p)[0]
        p += 2
        try:
            if req == 5:      # TM_BEGIN_XACT
                self.begin()
            elif req in (7, 8):  # TM_COMMIT_XACT / TM_ROLLBACK_XACT
                p += 1 + 2 * d[p]
                again = p < len(d) and d[p] & 1
                if req == 7:
                    self.commit(all_levels=True)
                else:
                    self.rollback()
                if again:
                    self.begin()
            else:
                raise tsql.cannot_run('transaction manager request %d' % req)
            self.emit(tok_done())
        except tsql.TsqlError as e:
            self.emit(tok_error(e.number, e.message, e.severity))
            self.emit(tok_done(DONE_ERROR))

    # -- batches -------------------------------------------------------------------------------

    def batch(self, d):
        skip = struct.unpack_from('<I', d, 0)[0] if len(d) >= 4 else 0
        if skip > len(d) or skip < 4:
            skip = 0
        text = d[skip:].decode('utf-16-le', 'surrogatepass')
        log.info('spid %d [%s]: %s', self.spid, self.db, text[:400])
        if self.trace:
            self.trace.write(text.encode('utf-8', 'surrogatepass') + b'\0')
        try:
            stmts = split_batch(text)
        except tsql.TsqlError as e:
            self.fail(e.number, e.message, e.severity)
            return
        if not stmts:
            self.emit(tok_done())
            return
        for i, (toks, stmt_text) in enumerate(stmts):
            last = i == len(stmts) - 1
            if not self.statement(toks, stmt_text, {}, DONE_FINAL if last else DONE_MORE,
                                  TK_DONE):
                return

    def fail(self, number, message, severity=16, token=TK_DONE):
        log.info('spid %d: error %d: %s', self.spid, number, message)
        self.emit(tok_error(number, message, severity))
        # A statement of an RPC is followed by the call's RETURNSTATUS and DONEPROC; without
        # DONE_MORE FreeTDS takes the response as ended and misreads the next one.
        status = DONE_ERROR | (DONE_MORE if token == TK_DONEINPROC else 0)
        self.emit(tok_done(status, 0, 0, token))

    def statement(self, toks, text, params, more, done_token):
        """Runs one statement, emits its tokens; False when it failed (the batch stops)."""
        fault = self.injected_fault(text)
        if fault and fault.lose:
            # the statement takes effect; its answer never reaches the client
            self.run_statement(toks, params, more, done_token)
            log.info('spid %d: ending the connection before the answer', self.spid)
            raise ClientGone()
        if fault and fault.delay_ms is not None:
            time.sleep(fault.delay_ms / 1000)
        elif fault:
            # fails like any statement error: an open transaction stays open for the client
            self.fail(fault.number, fault.message, 16, done_token)
            return False
        try:
            self.run_statement(toks, params, more, done_token)
            return True
        except tsql.TsqlError as e:
            self.fail(e.number, e.message, e.severity, done_token)
        except sqlite3.OperationalError as e:
            if str(e) == 'interrupted' and self.attention_seen:
                raise Attention()
            number, message = map_sqlite_error(e, '')
            self.fail(number, message, 16, done_token)
        except (sqlite3.Error, ValueError, OverflowError) as e:
            number, message = map_sqlite_error(e, '')
            self.fail(number, message, 16, done_token)
        return False

    def injected_fault(self, text):
        """The fault entry that makes this statement fail, if any. Every entry counts the
        statement, also when an earlier one already fails it: entries are independent."""
        chosen = None
        for fault in self.faults:
            if fault.hit(text) and chosen is None:
                chosen = fault
        if chosen:
            log.info('spid %d: injecting %s into statement %d matching %r: %s', self.spid,
                     'a lost answer' if chosen.lose else
                     'a delay' if chosen.delay_ms is not None else 'error %d' % chosen.number,
                     chosen.nth, chosen.matching, text[:200])
        return chosen

    def run_statement(self, toks, params, more, done_token):
        words = [t.up for t in toks[:4]]
        w0 = words[0]
        w1 = words[1] if len(words) > 1 else ''
        if w0 == 'USE' and len(toks) == 2:
            self.use(tsql.ident_name(toks[1]))
            self.emit(tok_done(more, 0, 0, done_token))
            return
        if w0 == 'BEGIN' and w1 in ('TRAN', 'TRANSACTION') and len(toks) <= 3:
            self.begin()
            self.emit(tok_done(more, 0, 0, done_token))
            return
        if w0 in ('COMMIT', 'ROLLBACK') and len(toks) <= 3 and (
                len(toks) == 1 or w1 in ('TRAN', 'TRANSACTION', 'WORK')):
            if w0 == 'COMMIT':
                self.commit()
            else:
                self.rollback()
            self.emit(tok_done(more, 0, 0, done_token))
            return
        if (w0 == 'IF' and len(toks) >= 6 and toks[1].up == '@@TRANCOUNT' and toks[2].text == '>'
                and toks[3].text == '0' and toks[4].up in ('COMMIT', 'ROLLBACK')):
            if self.trancount:
                self.commit(True) if toks[4].up == 'COMMIT' else self.rollback()
            self.emit(tok_done(more, 0, 0, done_token))
            return
        if w0 == 'SET':
            self.set_option(toks)
            self.emit(tok_done(more, 0, 0, done_token))
            return
        if w0 == 'CREATE' and w1 == 'DATABASE' and len(toks) == 3:
            name = tsql.ident_name(toks[2])
            if self.server.find_database(name) or not re.match(r'^[\w\-. ]+$', name):
                raise tsql.TsqlError(1801, "Database '%s' already exists. Choose a different "
                                     "database name." % name)
            sqlite3.connect(os.path.join(self.server.data_dir, name + '.sqlite')).close()
            self.emit(tok_done(more, 0, 0, done_token))
            return
        if w0 in ('SAVE', 'BEGIN', 'EXEC', 'EXECUTE', 'DECLARE', 'IF', 'WHILE', 'PRINT', 'ALTER',
                  'TRUNCATE', 'MERGE', 'GRANT'):
            raise tsql.cannot_run('%s statements' % w0)
        if w0 == 'INSERT':
            toks = self.insert_with_identity(toks)
        sql = tsql.translate(toks, self.server.database_names(), self.db,
                             {'TRANCOUNT': self.trancount, 'SPID': self.spid,
                              'VERSION': "'Microsoft SQL Server 2022 (stand-in on SQLite %s)'"
                                         % sqlite3.sqlite_version,
                              'SERVERNAME': "'%s'" % SERVER_NAME})
        con = self.con()
        cur = con.execute(sql, params)
        if cur.description is not None:
            names = [column_name(c[0], sql) for c in cur.description]
            rows = cur.fetchall()
            types, flags = result_columns(rows, len(names), schema.result_columns(con, sql))
            encoded = encode_rows(rows, types)
            nrows = len(rows)
            del rows
            self.emit(tok_colmetadata(names, types, flags))
            # whole rows only: a cancel may end the stream after any emit
            for k in range(0, nrows, 1000):
                self.emit(b'\xd1' + b'\xd1'.join(encoded[k:k + 1000]))
            status = more | (0 if self.nocount else DONE_COUNT)
            self.emit(tok_done(status, CMD_SELECT, nrows, done_token))
        else:
            count = cur.rowcount if cur.rowcount >= 0 else 0
            cmd = CURCMD.get(w0, 0)
            status = more | (DONE_COUNT if cmd and not self.nocount else 0)
            self.emit(tok_done(status, cmd, count, done_token))
        cur.close()

    def set_option(self, toks):
        name = toks[1].up if len(toks) > 1 else ''
        value = toks[2].up if len(toks) > 2 else ''
        if name == 'NOCOUNT' and value in ('ON', 'OFF'):
            self.nocount = value == 'ON'
            return
        if name == 'IDENTITY_INSERT':
            self.set_identity_insert(toks[2:])
            return
        if name == 'LOCK_TIMEOUT' and len(toks) >= 3:
            ms = int(''.join(t.text for t in toks[2:]))
            self.lock_timeout_ms = ms if ms >= 0 else 2 ** 30
            for con in self.cons.values():
                con.execute('PRAGMA busy_timeout = %d' % self.lock_timeout_ms)
            return
        if name in ('ANSI_NULLS', 'ANSI_WARNINGS', 'ANSI_PADDING', 'QUOTED_IDENTIFIER',
                    'CONCAT_NULL_YIELDS_NULL', 'ARITHABORT', 'TEXTSIZE', 'ANSI_NULL_DFLT_ON',
                    'IMPLICIT_TRANSACTIONS', 'CURSOR_CLOSE_ON_COMMIT', 'XACT_ABORT', 'LANGUAGE',
                    'DATEFORMAT', 'DATEFIRST', 'TRANSACTION'):
            if name == 'IMPLICIT_TRANSACTIONS' and value == 'ON':
                raise tsql.cannot_run('SET IMPLICIT_TRANSACTIONS ON')
            if name == 'XACT_ABORT' and value == 'ON':
                raise tsql.cannot_run('SET XACT_ABORT ON')
            return
        raise tsql.cannot_run('SET %s' % name)

    # -- identity columns ----------------------------------------------------------------------

    def local_table(self, parts):
        """The table that a (qualified) name stands for in the current database."""
        if len(parts) > 3 or not parts[-1]:
            raise tsql.TsqlError(102, "Incorrect syntax near '%s'." % '.'.join(parts))
        if len(parts) == 3 and parts[0].lower() != self.db.lower():
            raise tsql.cannot_run('objects of another database (%s)' % parts[0])
        if len(parts) >= 2 and parts[-2].lower() not in ('', 'dbo'):
            raise tsql.TsqlError(208, "Invalid object name '%s'." % '.'.join(parts))
        return parts[-1]

    def set_identity_insert(self, toks):
        """SET IDENTITY_INSERT table ON|OFF: at most one table of the session at a time."""
        parts, end = tsql.qualified_name(toks, 0)
        if not parts or end != len(toks) - 1 or toks[-1].up not in ('ON', 'OFF'):
            raise tsql.TsqlError(102, "Incorrect syntax near 'IDENTITY_INSERT'.")
        table = self.local_table(parts)
        columns = schema.table_columns(self.con(), table)
        if columns is None:
            raise tsql.TsqlError(1088, 'Cannot find the object "%s" because it does not exist or '
                                 'you do not have permissions.' % table)
        table = columns[0].table
        if schema.identity_column(columns) is None:
            raise tsql.TsqlError(8106, "Table '%s' does not have the identity property. Cannot "
                                 "perform SET operation." % table)
        key = (self.db, table)
        same = self.identity_insert is not None and \
            tuple(k.lower() for k in self.identity_insert) == tuple(k.lower() for k in key)
        if toks[-1].up == 'OFF':
            if same:
                self.identity_insert = None
        elif self.identity_insert is not None and not same:
            raise tsql.TsqlError(8107, "IDENTITY_INSERT is already ON for table '%s.dbo.%s'. "
                                 "Cannot perform SET operation for table '%s'."
                                 % (self.identity_insert + (table,)))
        else:
            self.identity_insert = key

    def insert_with_identity(self, toks):
        """An INSERT as SQL Server takes it for a table with an identity column: an explicit
        value only with IDENTITY_INSERT ON for the table and a column list naming it, and
        without a column list the values go to the other columns."""
        parts, names, at = tsql.insert_target(toks)
        columns = schema.table_columns(self.con(), self.local_table(parts))
        identity = schema.identity_column(columns)
        if identity is None:
            return toks
        table = columns[0].table
        on = self.identity_insert is not None and \
            (self.identity_insert[0].lower(), self.identity_insert[1].lower()) == \
            (self.db.lower(), table.lower())
        if names is None:
            if on:
                raise tsql.TsqlError(8101, "An explicit value for the identity column in table "
                                     "'%s' can only be specified when a column list is used and "
                                     "IDENTITY_INSERT is ON." % table)
            if at < len(toks) and toks[at].up in ('VALUES', 'SELECT', 'WITH'):
                others = [c.name for c in columns if c.name != identity]
                return toks[:at] + tsql.column_list(others) + toks[at:]
            return toks
        explicit = identity.lower() in (n.lower() for n in names)
        if explicit and not on:
            raise tsql.TsqlError(544, "Cannot insert explicit value for identity column in table "
                                 "'%s' when IDENTITY_INSERT is set to OFF." % table)
        if on and not explicit:
            raise tsql.TsqlError(545, "Explicit value must be specified for identity column in "
                                 "table '%s' either when IDENTITY_INSERT is set to ON or when a "
                                 "replication user is inserting into a NOT FOR REPLICATION "
                                 "identity column." % table)
        return toks

    # -- RPC -----------------------------------------------------------------------------------

    PROC_IDS = {10: 'sp_executesql', 11: 'sp_prepare', 12: 'sp_execute', 13: 'sp_prepexec',
                15: 'sp_unprepare', 1: 'sp_cursor', 2: 'sp_cursoropen'}

    def rpc(self, d):
        p = struct.unpack_from('<I', d, 0)[0] if len(d) >= 4 else 0
        while p < len(d):
            n = struct.unpack_from('<H', d, p)[0]
            p += 2
            if n == 0xFFFF:
                pid = struct.unpack_from('<H', d, p)[0]
                p += 2
                name = self.PROC_IDS.get(pid, 'proc id %d' % pid)
            else:
                name = d[p:p + 2 * n].decode('utf-16-le')
                p += 2 * n
            p += 2  # option flags
            params = []
            try:
                while p < len(d) and d[p] not in (0x80, 0xFF, 0xFE):
                    ln = d[p]
                    pname = d[p + 1:p + 1 + 2 * ln].decode('utf-16-le')
                    p += 1 + 2 * ln
                    status = d[p]
                    p += 1
                    value, p = read_type_value(d, p)
                    params.append((pname, status, value))
            except tsql.TsqlError as e:
                self.fail(e.number, e.message, e.severity, TK_DONEPROC)
                return
            self.call(name, params)
            if p < len(d):
                p += 1

    def call(self, name, params):
        short = name.lower().split('.')[-1]
        log.info('spid %d [%s]: rpc %s %s', self.spid, self.db, short,
                 [(pn, v if not isinstance(v, str) else v[:200]) for pn, _, v in params])
        values = [v for _, _, v in params]
        handle_out = None
        if short == 'sp_executesql':
            sql, decl, rest = values[0], values[1] if len(values) > 1 else '', params[2:]
        elif short in ('sp_prepexec', 'sp_prepare'):
            decl, sql, rest = values[1] or '', values[2], params[3:]
            handle_out = self.next_handle
            self.next_handle += 1
            self.prepared[handle_out] = (sql, decl)
        elif short == 'sp_execute':
            entry = self.prepared.get(values[0])
            if entry is None:
                self.fail(8179, 'Could not find prepared statement with handle %s.' % values[0],
                          16, TK_DONEPROC)
                return
            sql, decl = entry
            rest = params[1:]
        elif short == 'sp_unprepare':
            self.prepared.pop(values[0] if values else None, None)
            self.emit(struct.pack('<Bi', TK_RETURNSTATUS, 0))
            self.emit(tok_done(DONE_FINAL, 0, 0, TK_DONEPROC))
            return
        else:
            self.fail(2812, "Could not find stored procedure '%s'." % name, 16, TK_DONEPROC)
            return
        names = re.findall(r'@(\w+)', decl or '')
        bind = {}
        for k, (pname, _, v) in enumerate(rest):
            key = pname.lstrip('@') if pname else (names[k] if k < len(names) else str(k + 1))
            bind[key] = v
        ok = True
        if short != 'sp_prepare':
            try:
                stmts = split_batch(sql or '')
            except tsql.TsqlError as e:
                self.fail(e.number, e.message, e.severity, TK_DONEPROC)
                return
            for toks, stmt_text in stmts:
                if not self.statement(toks, stmt_text, bind, DONE_MORE, TK_DONEINPROC):
                    ok = False
                    break
        self.emit(struct.pack('<Bi', TK_RETURNSTATUS, 0 if ok else -6))
        if handle_out is not None:
            body = (struct.pack('<H', 0) + b_varchar('@handle') + b'\x01' +
                    struct.pack('<IH', 0, 0x0001) + b'\x26\x04\x04' + struct.pack('<i', handle_out))
            self.emit(bytes([TK_RETURNVALUE]) + body)
        self.emit(tok_done(DONE_FINAL if ok else DONE_ERROR, 0, 0, TK_DONEPROC))


# ---------------------------------------------------------------------------------------------

def main(argv=None):
    ap = argparse.ArgumentParser(description='SQL Server stand-in (TDS on SQLite files)')
    ap.add_argument('--data', required=True, help='folder with one <name>.sqlite per database')
    ap.add_argument('--logins', help='JSON file {"logins": {"name": "password"}}')
    ap.add_argument('--sa-password', default='Velmora-sa-1')
    ap.add_argument('--host', default='127.0.0.1')
    ap.add_argument('--port', type=int, default=0)
    ap.add_argument('--port-file')
    ap.add_argument('--pid-file')
    ap.add_argument('--log')
    args = ap.parse_args(argv)

    logging.basicConfig(filename=args.log, level=logging.INFO,
                        format='%(asctime)s %(threadName)s %(message)s')
    os.makedirs(args.data, exist_ok=True)
    server = Server(args.data, args.logins, args.sa_password)
    lsock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    lsock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    lsock.bind((args.host, args.port))
    lsock.listen(64)
    port = lsock.getsockname()[1]
    if args.pid_file:
        with open(args.pid_file, 'w') as f:
            f.write('%d\n' % os.getpid())
    if args.port_file:
        tmp = args.port_file + '.tmp'
        with open(tmp, 'w') as f:
            f.write('%d\n' % port)
        os.replace(tmp, args.port_file)
    log.info('listening on %s:%d, data %s', args.host, port, server.data_dir)
    try:
        while True:
            sock, addr = lsock.accept()
            sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            Session(server, sock, addr).start()
    except KeyboardInterrupt:
        pass
    finally:
        lsock.close()


if __name__ == '__main__':
    main()
