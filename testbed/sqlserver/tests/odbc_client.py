"""A small ODBC client over unixODBC's libodbc.so.2 using the wide (W) functions, the way the
Windows tools call them: SQLDriverConnectW, SQLExecDirectW, SQLGetData as SQL_C_WCHAR.
SQLWCHAR is UTF-16 there, so texts travel as UTF-16LE byte buffers (ctypes' c_wchar is 4 bytes
on Linux and cannot be used)."""
import ctypes
from ctypes import byref, c_short, c_int, c_void_p, c_ssize_t, c_ushort

lib = ctypes.CDLL('libodbc.so.2')

SQL_HANDLE_ENV, SQL_HANDLE_DBC, SQL_HANDLE_STMT = 1, 2, 3
SQL_SUCCESS, SQL_SUCCESS_WITH_INFO, SQL_NO_DATA, SQL_ERROR = 0, 1, 100, -1
SQL_NTS = -3
SQL_NULL_DATA, SQL_NO_TOTAL = -1, -4
SQL_C_WCHAR, SQL_C_SLONG = -8, -16
SQL_WVARCHAR, SQL_INTEGER = -9, 4
SQL_PARAM_INPUT = 1

for name, res in (('SQLAllocHandle', c_short), ('SQLSetEnvAttr', c_short),
                  ('SQLDriverConnectW', c_short), ('SQLExecDirectW', c_short),
                  ('SQLNumResultCols', c_short), ('SQLFetch', c_short), ('SQLGetData', c_short),
                  ('SQLRowCount', c_short), ('SQLMoreResults', c_short),
                  ('SQLGetDiagRecW', c_short), ('SQLCancel', c_short), ('SQLFreeHandle', c_short),
                  ('SQLDisconnect', c_short), ('SQLPrepareW', c_short), ('SQLExecute', c_short),
                  ('SQLBindParameter', c_short), ('SQLFreeStmt', c_short),
                  ('SQLCloseCursor', c_short), ('SQLDescribeColW', c_short),
                  ('SQLColAttributeW', c_short)):
    getattr(lib, name).restype = res

lib.SQLSetEnvAttr.argtypes = [c_void_p, c_int, c_void_p, c_int]
lib.SQLGetData.argtypes = [c_void_p, c_ushort, c_short, c_void_p, c_ssize_t, ctypes.POINTER(c_ssize_t)]
lib.SQLDescribeColW.argtypes = [c_void_p, c_ushort, c_void_p, c_short, ctypes.POINTER(c_short),
                                ctypes.POINTER(c_short), ctypes.POINTER(ctypes.c_size_t),
                                ctypes.POINTER(c_short), ctypes.POINTER(c_short)]
lib.SQLColAttributeW.argtypes = [c_void_p, c_ushort, c_ushort, c_void_p, c_short,
                                 ctypes.POINTER(c_short), ctypes.POINTER(c_ssize_t)]
SQL_DESC_AUTO_UNIQUE_VALUE = 11
lib.SQLBindParameter.argtypes = [c_void_p, c_ushort, c_short, c_short, c_short, ctypes.c_size_t,
                                 c_short, c_void_p, c_ssize_t, ctypes.POINTER(c_ssize_t)]


def wstr(s):
    return ctypes.create_string_buffer(s.encode('utf-16-le') + b'\0\0')


class OdbcError(Exception):
    def __init__(self, records):
        super().__init__('; '.join('[%s] %d %s' % r for r in records))
        self.records = records  # [(sqlstate, native error, message)]

    @property
    def sqlstate(self):
        return self.records[0][0] if self.records else ''

    @property
    def native(self):
        return self.records[0][1] if self.records else 0


def diagnostics(htype, handle):
    out = []
    for rec in range(1, 10):
        state = ctypes.create_string_buffer(12)
        native = c_int()
        msg = ctypes.create_string_buffer(4096)
        ln = c_short()
        rc = lib.SQLGetDiagRecW(htype, handle, rec, state, byref(native), msg, 2000, byref(ln))
        if rc not in (SQL_SUCCESS, SQL_SUCCESS_WITH_INFO):
            break
        out.append((state.raw[:10].decode('utf-16-le'), native.value,
                    msg.raw[:2 * ln.value].decode('utf-16-le', 'replace')))
    return out


_env = c_void_p()
lib.SQLAllocHandle(SQL_HANDLE_ENV, None, byref(_env))
lib.SQLSetEnvAttr(_env, 200, c_void_p(3), 0)  # SQL_ATTR_ODBC_VERSION = 3


class Connection:
    def __init__(self, connstr):
        self.dbc = c_void_p()
        lib.SQLAllocHandle(SQL_HANDLE_DBC, _env, byref(self.dbc))
        out = ctypes.create_string_buffer(4096)
        outlen = c_short()
        rc = lib.SQLDriverConnectW(self.dbc, None, wstr(connstr), SQL_NTS, out, 1024,
                                   byref(outlen), 0)
        if rc not in (SQL_SUCCESS, SQL_SUCCESS_WITH_INFO):
            err = OdbcError(diagnostics(SQL_HANDLE_DBC, self.dbc))
            lib.SQLFreeHandle(SQL_HANDLE_DBC, self.dbc)
            self.dbc = None
            raise err

    def close(self):
        if self.dbc:
            lib.SQLDisconnect(self.dbc)
            lib.SQLFreeHandle(SQL_HANDLE_DBC, self.dbc)
            self.dbc = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def statement(self):
        return Statement(self)

    def execute(self, sql, params=None):
        """→ (rows, row count) of the first result; rows is None for statements without one."""
        with self.statement() as st:
            st.execute(sql, params)
            return st.fetchall(), st.rowcount()


class Statement:
    def __init__(self, con):
        self.h = c_void_p()
        lib.SQLAllocHandle(SQL_HANDLE_STMT, con.dbc, byref(self.h))
        self.keep = []

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        lib.SQLFreeHandle(SQL_HANDLE_STMT, self.h)

    def check(self, rc):
        if rc not in (SQL_SUCCESS, SQL_SUCCESS_WITH_INFO, SQL_NO_DATA):
            raise OdbcError(diagnostics(SQL_HANDLE_STMT, self.h))
        return rc

    def execute(self, sql, params=None):
        if not params:
            return self.check(lib.SQLExecDirectW(self.h, wstr(sql), SQL_NTS))
        self.check(lib.SQLPrepareW(self.h, wstr(sql), SQL_NTS))
        for i, v in enumerate(params, 1):
            ind = c_ssize_t()
            if isinstance(v, int):
                buf = c_int(v)
                ind.value = 4
                rc = lib.SQLBindParameter(self.h, i, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER,
                                          0, 0, ctypes.addressof(buf), 4, byref(ind))
            else:
                data = (v or '').encode('utf-16-le')
                buf = ctypes.create_string_buffer(data + b'\0\0')
                ind.value = SQL_NULL_DATA if v is None else len(data)
                rc = lib.SQLBindParameter(self.h, i, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                                          max(1, len(data) // 2), 0, ctypes.addressof(buf),
                                          len(data) + 2, byref(ind))
            self.check(rc)
            self.keep += [buf, ind]
        return self.check(lib.SQLExecute(self.h))

    def columns(self):
        n = c_short()
        self.check(lib.SQLNumResultCols(self.h, byref(n)))
        return n.value

    def describe(self):
        """Each result column as the driver describes it: (name, SQL type, size, decimal
        digits, nullable, identity)."""
        out = []
        for col in range(1, self.columns() + 1):
            name = ctypes.create_string_buffer(512)
            length, type_, digits, nullable = c_short(), c_short(), c_short(), c_short()
            size = ctypes.c_size_t()
            self.check(lib.SQLDescribeColW(self.h, col, name, 256, byref(length), byref(type_),
                                           byref(size), byref(digits), byref(nullable)))
            unique = c_ssize_t()
            self.check(lib.SQLColAttributeW(self.h, col, SQL_DESC_AUTO_UNIQUE_VALUE, None, 0,
                                            None, byref(unique)))
            out.append((name.raw[:2 * length.value].decode('utf-16-le'), type_.value, size.value,
                        digits.value, nullable.value, unique.value))
        return out

    def rowcount(self):
        n = c_ssize_t()
        self.check(lib.SQLRowCount(self.h, byref(n)))
        return n.value

    def fetch(self):
        return self.check(lib.SQLFetch(self.h)) != SQL_NO_DATA

    def get(self, col, buf=ctypes.create_string_buffer(65536)):
        ind = c_ssize_t()
        chunks = []
        while True:
            rc = lib.SQLGetData(self.h, col, SQL_C_WCHAR, buf, len(buf), byref(ind))
            if rc == SQL_NO_DATA:
                break
            self.check(rc)
            if ind.value == SQL_NULL_DATA:
                return None
            n = len(buf) - 2 if ind.value == SQL_NO_TOTAL or ind.value > len(buf) - 2 else ind.value
            chunks.append(buf.raw[:n])
            if rc == SQL_SUCCESS:
                break
        return b''.join(chunks).decode('utf-16-le', 'surrogatepass')

    def fetchall(self):
        ncols = self.columns()
        if ncols == 0:
            return None
        rows = []
        while self.fetch():
            rows.append(tuple(self.get(c) for c in range(1, ncols + 1)))
        return rows

    def cancel(self):
        return lib.SQLCancel(self.h)
