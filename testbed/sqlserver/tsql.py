"""T-SQL on SQLite: the pieces of SQL Server's dialect and collation that the stand-in adds.

Everything here is pure (no sockets, no files) so that it can be tested on its own:
- the comparison rules of a case-insensitive, kana- and width-insensitive, accent-sensitive
  collation (Japanese_CI_AS), used for '=', ORDER BY, GROUP BY and IN on text;
- SQL Server's LIKE ('%', '_', '[a-z]', '[^abc]', ESCAPE), matched under the same collation;
- the statement translation: bracketed identifiers, N'' literals, dbo. prefixes, TOP n,
  ISNULL/LEN/GETDATE, the catalogue views the tools read, and a loud refusal of everything
  that SQLite would run with a different meaning.
"""
import datetime
import functools
import re
import unicodedata


class TsqlError(Exception):
    """A statement the stand-in refuses; carries a SQL Server error number."""

    def __init__(self, number, message, severity=16):
        super().__init__(message)
        self.number = number
        self.message = message
        self.severity = severity


def cannot_run(what):
    return TsqlError(40000, "stand-in cannot run: " + what)


# ---------------------------------------------------------------------------------------------
# Collation

def _fold(s):
    """Width-, kana- and case-folded form of a text (the accents stay)."""
    if any('\u3000' == c or '\uff00' <= c <= '\uffef' for c in s):
        s = ''.join(unicodedata.normalize('NFKC', c) if ('\uff00' <= c <= '\uffef' or c == '\u3000')
                    else c for c in s)
        s = unicodedata.normalize('NFC', s)  # halfwidth voiced marks join their kana
    s = s.lower()
    if any('\u3041' <= c <= '\u309e' for c in s):
        s = ''.join(chr(ord(c) + 0x60) if ('\u3041' <= c <= '\u3096' or c in '\u309d\u309e')
                    else c for c in s)
    return s


_LATIN_NAME = re.compile(r'LATIN (?:SMALL|CAPITAL) (?:LETTER|LIGATURE) ([A-Z]+)\b(.*)')


@functools.lru_cache(maxsize=4096)
def _char_key(c):
    """(primary, secondary) weight of one folded character.

    Primary order as in Windows sorting: controls and punctuation, digits, Latin letters
    (accented letters next to their base letter), then everything else by code point."""
    if c.isdigit() and c.isascii():
        return (2, c), ''
    if 'a' <= c <= 'z':
        return (3, c), ''
    if c.isascii():
        return (1, c), ''
    decomposed = unicodedata.normalize('NFD', c)
    base, marks = decomposed[0], decomposed[1:]
    if 'a' <= base.lower() <= 'z':
        return (3, base.lower()), marks
    m = _LATIN_NAME.match(unicodedata.name(c, ''))
    if m:
        return (3, m.group(1).lower()), m.group(2) or c
    if c.isdigit():
        return (2, str(unicodedata.digit(c, 0))), c
    return (4, c), ''


@functools.lru_cache(maxsize=65536)
def sort_key(s):
    """Comparison key of a text: trailing blanks do not count, as in SQL Server's '='."""
    folded = _fold(s.rstrip(' '))
    primary = []
    secondary = []
    for c in folded:
        p, sec = _char_key(c)
        primary.append(p)
        secondary.append(sec)
    return tuple(primary), tuple(secondary)


def collate(a, b):
    """SQLite collation callback for the stand-in's 'CI' collation."""
    if a == b:
        return 0
    ka, kb = sort_key(a), sort_key(b)
    return (ka > kb) - (ka < kb)


# ---------------------------------------------------------------------------------------------
# LIKE

@functools.lru_cache(maxsize=1024)
def compile_like(pattern, escape=None):
    """Pattern → list of ('%',) / ('_',) / ('=', folded char) / ('[', negated, items) where
    items are single folded characters or (low key, high key) ranges. None when the pattern
    is malformed (an unclosed '['), which SQL Server treats as matching nothing."""
    out = []
    i, n = 0, len(pattern)
    while i < n:
        c = pattern[i]
        if escape is not None and c == escape:
            if i + 1 >= n:
                return None
            for f in _fold(pattern[i + 1]):
                out.append(('=', f))
            i += 2
        elif c == '%':
            if not out or out[-1] != ('%',):
                out.append(('%',))
            i += 1
        elif c == '_':
            out.append(('_',))
            i += 1
        elif c == '[':
            j = i + 1
            negated = False
            if j < n and pattern[j] == '^':
                negated = True
                j += 1
            items = []
            first = True
            while j < n and (pattern[j] != ']' or first):
                ch = pattern[j]
                if escape is not None and ch == escape and j + 1 < n:
                    j += 1
                    ch = pattern[j]
                if j + 2 < n and pattern[j + 1] == '-' and pattern[j + 2] != ']':
                    lo, hi = _fold(ch)[:1], _fold(pattern[j + 2])[:1]
                    if lo and hi:
                        items.append((_char_key(lo), _char_key(hi)))
                    j += 3
                else:
                    f = _fold(ch)[:1]
                    if f:
                        items.append(f)
                    j += 1
                first = False
            if j >= n:
                return None
            out.append(('[', negated, tuple(items)))
            i = j + 1
        else:
            # fold a whole run of literal characters: halfwidth voiced marks join their kana
            j = i + 1
            while j < n and pattern[j] not in '%_[' and pattern[j] != escape:
                j += 1
            for f in _fold(pattern[i:j]):
                out.append(('=', f))
            i = j
    return tuple(out)


def _in_set(c, items):
    key = None
    for it in items:
        if isinstance(it, str):
            if it == c:
                return True
        else:
            if key is None:
                key = _char_key(c)
            if it[0] <= key <= it[1]:
                return True
    return False


def _step(tok, c):
    kind = tok[0]
    if kind == '_':
        return True
    if kind == '=':
        return tok[1] == c
    return _in_set(c, tok[2]) != tok[1]


def like(pattern, value, escape=None):
    """SQL Server LIKE under the stand-in's collation; NULL in, NULL out."""
    if pattern is None or value is None:
        return None
    if not isinstance(pattern, str):
        pattern = str(pattern)
    if not isinstance(value, str):
        value = _text(value)
    if escape is not None and len(escape) != 1:
        raise ValueError("The escape character must be exactly one character.")
    toks = compile_like(pattern, escape)
    if toks is None:
        return 0
    s = _fold(value)
    # Wildcard matching with single-star backtracking: every token but '%' eats one char.
    ti = si = 0
    star_ti = star_si = -1
    nt, ns = len(toks), len(s)
    while si < ns:
        if ti < nt and toks[ti] != ('%',) and _step(toks[ti], s[si]):
            ti += 1
            si += 1
        elif ti < nt and toks[ti] == ('%',):
            star_ti, star_si = ti, si
            ti += 1
        elif star_ti >= 0:
            star_si += 1
            si = star_si
            ti = star_ti + 1
        else:
            return 0
    while ti < nt and toks[ti] == ('%',):
        ti += 1
    return 1 if ti == nt else 0


def _text(v):
    if isinstance(v, float):
        return repr(v)
    if isinstance(v, bytes):
        return v.hex().upper()
    return str(v)


# ---------------------------------------------------------------------------------------------
# Functions registered on every SQLite connection

def sql_len(v):
    if v is None:
        return None
    return len(_text(v).rstrip(' '))


def getdate():
    return datetime.datetime.now().strftime('%Y-%m-%d %H:%M:%S.%f')[:23]


class IntAvg:
    """AVG as SQL Server computes it: integer input gives an integer (truncated) result."""

    def __init__(self):
        self.total = 0
        self.count = 0
        self.integral = True

    def step(self, v):
        if v is None:
            return
        if not isinstance(v, int):
            self.integral = False
        self.total += v if isinstance(v, (int, float)) else float(v)
        self.count += 1

    def finalize(self):
        if not self.count:
            return None
        if self.integral:
            q = abs(self.total) // self.count
            return q if self.total >= 0 else -q
        return self.total / self.count


def register(con, database_name):
    """Adds the collation and functions the translated statements rely on."""
    con.create_collation('CI', collate)
    con.create_function('like', 2, lambda p, v: like(p, v), deterministic=True)
    con.create_function('like', 3, like, deterministic=True)
    con.create_function('len', 1, sql_len, deterministic=True)
    con.create_function('getdate', 0, getdate)
    con.create_function('db_name', 0, lambda: database_name())
    con.create_aggregate('avg', 1, IntAvg)


# ---------------------------------------------------------------------------------------------
# Tokens

_TOKEN = re.compile(r"""
    (?P<ws>\s+)
  | (?P<comment>--[^\n]*|/\*.*?\*/)
  | (?P<nstr>[Nn]'(?:[^']|'')*')
  | (?P<str>'(?:[^']|'')*')
  | (?P<bracket>\[(?:[^\]]|\]\])*\])
  | (?P<dquote>"(?:[^"]|"")*")
  | (?P<num>(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?)
  | (?P<var>@@?[\w$#@]+)
  | (?P<word>[^\W\d][\w$#@]*|\#[\w$#@]+)
  | (?P<op><>|!=|<=|>=|!<|!>|\|\||::|[-+*/%=<>(),.;~&|^!])
""", re.VERBOSE | re.DOTALL)


class Tok:
    __slots__ = ('kind', 'text', 'up')

    def __init__(self, kind, text):
        self.kind = kind
        self.text = text
        self.up = text.upper() if kind == 'word' else text

    def __repr__(self):
        return '%s:%s' % (self.kind, self.text)


def tokenize(sql):
    toks = []
    pos, n = 0, len(sql)
    while pos < n:
        m = _TOKEN.match(sql, pos)
        if not m:
            rest = sql[pos:pos + 20]
            if rest.startswith("'") or rest[:2].upper() == "N'":
                raise TsqlError(105, "Unclosed quotation mark after the character string '%s'."
                                % sql[pos + 1:])
            if rest.startswith('['):
                raise TsqlError(105, "Unclosed quotation mark after the character string '%s'."
                                % sql[pos + 1:])
            raise TsqlError(102, "Incorrect syntax near '%s'." % rest.split()[0])
        kind = m.lastgroup
        if kind not in ('ws', 'comment'):
            toks.append(Tok(kind, m.group()))
        pos = m.end()
    return toks


def split_statements(sql):
    """A batch → list of token lists, split at ';' outside parentheses."""
    stmts, cur = [], []
    for t in tokenize(sql):
        if t.kind == 'op' and t.text == ';':
            if cur:
                stmts.append(cur)
            cur = []
        else:
            cur.append(t)
    if cur:
        stmts.append(cur)
    return stmts


def ident_name(t):
    """The name an identifier token stands for."""
    if t.kind == 'bracket':
        return t.text[1:-1].replace(']]', ']')
    if t.kind == 'dquote':
        return t.text[1:-1].replace('""', '"')
    return t.text


def qualified_name(toks, i):
    """The parts of the object name that starts at toks[i] (db.dbo.name, db..name with an
    empty part, dbo.name, name) and the index after it; no parts when there is no name."""
    parts = []
    while i < len(toks) and toks[i].kind in ('word', 'bracket', 'dquote'):
        parts.append(ident_name(toks[i]))
        i += 1
        if i >= len(toks) or toks[i].text != '.':
            break
        i += 1
        while i < len(toks) and toks[i].text == '.':
            parts.append('')
            i += 1
    return parts, i


def insert_target(toks):
    """INSERT [INTO] name [(column, ...)] ...: the name's parts, the column list (None when
    there is none) and the index where a column list goes."""
    i = 2 if len(toks) > 1 and toks[1].up == 'INTO' else 1
    parts, i = qualified_name(toks, i)
    if not parts:
        raise TsqlError(102, "Incorrect syntax near '%s'." % toks[min(i, len(toks) - 1)].text)
    at, columns = i, None
    if i + 1 < len(toks) and toks[i].text == '(' and toks[i + 1].up not in ('SELECT', 'WITH'):
        columns = []
        i += 1
        while i < len(toks) and toks[i].text != ')':
            if toks[i].kind in ('word', 'bracket', 'dquote'):
                columns.append(ident_name(toks[i]))
            elif toks[i].text != ',':
                raise TsqlError(102, "Incorrect syntax near '%s'." % toks[i].text)
            i += 1
    return parts, columns, at


def column_list(names):
    """The tokens of '([a], [b], ...)'."""
    toks = [Tok('op', '(')]
    for k, name in enumerate(names):
        if k:
            toks.append(Tok('op', ','))
        toks.append(Tok('bracket', '[%s]' % name.replace(']', ']]')))
    return toks + [Tok('op', ')')]


# ---------------------------------------------------------------------------------------------
# Statement translation

# Functions a statement may call. Everything else is refused: SQLite has many functions that
# SQL Server lacks or that behave differently there.
FUNCTIONS = {
    'COUNT', 'SUM', 'MIN', 'MAX', 'AVG', 'UPPER', 'LOWER', 'ABS', 'COALESCE', 'NULLIF',
    'ISNULL', 'LEN', 'GETDATE', 'DB_NAME', 'LTRIM', 'RTRIM',
}
# Words followed by '(' that are not function calls.
_NOT_CALL_BEFORE = {'INTO', 'TABLE', 'REFERENCES', 'ON', 'VIEW', 'INDEX', 'EXISTS', 'KEY', 'WITH'}
_KEYWORDS_BEFORE_PAREN = {
    'IN', 'EXISTS', 'VALUES', 'AS', 'ON', 'AND', 'OR', 'NOT', 'WHERE', 'FROM', 'JOIN', 'SELECT',
    'WHEN', 'THEN', 'ELSE', 'HAVING', 'BY', 'SET', 'CHECK', 'KEY', 'UNIQUE', 'RETURN', 'CASE',
    'LIKE', 'BETWEEN', 'IS', 'UNION', 'ALL', 'ANY', 'SOME', 'DISTINCT', 'OVER', 'CAST',
}
_COMPARE = {'=', '<>', '!=', '<', '>', '<=', '>='}
# Words that end a GROUP BY / ORDER BY term list.
_CLAUSE_END = {'HAVING', 'ORDER', 'UNION', 'EXCEPT', 'INTERSECT', 'FOR', 'OPTION', 'COMPUTE'}
_STATEMENTS = {'SELECT', 'INSERT', 'UPDATE', 'DELETE', 'CREATE', 'DROP', 'WITH'}
_TYPES_REFUSED = {'IDENTITY'}

VIRTUAL_DATABASES = ('master', 'tempdb', 'model', 'msdb')


def _is_operand_end(t):
    return t.kind in ('word', 'bracket', 'dquote', 'str', 'nstr', 'num', 'var') or t.text == ')'


def _sql_string(s):
    return "'" + s.replace("'", "''") + "'"


def _databases_subquery(names, sysdatabases):
    rows = []
    for i, name in enumerate(names):
        if sysdatabases:
            rows.append("SELECT %s AS name, %d AS dbid" % (_sql_string(name), i + 1))
        else:
            rows.append("SELECT %s AS name, %d AS database_id, 0 AS state, 'ONLINE' AS "
                        "state_desc, 'Japanese_CI_AS' AS collation_name"
                        % (_sql_string(name), i + 1))
    return '(' + ' UNION ALL '.join(rows) + ')'


def translate(toks, database_names=(), current_db='master', globals_=None):
    """One statement's tokens → SQLite text. Raises TsqlError for what it must refuse."""
    if not toks:
        raise TsqlError(102, "Incorrect syntax near ''.")
    first = toks[0].up
    if first not in _STATEMENTS:
        raise TsqlError(102, "Incorrect syntax near '%s'." % toks[0].text)
    globals_ = globals_ or {}
    out = []
    n = len(toks)
    depth = 0
    pending_limit = {}  # depth -> TOP count, appended as LIMIT where that SELECT ends
    has_union = {}
    terms = {}          # depth -> 'open' / 'closed' inside ORDER BY / GROUP BY
    set_clause = {}     # depth -> True inside UPDATE's SET list

    def close_terms(d):
        if terms.get(d) == 'open':
            out.append(' COLLATE CI')
        terms.pop(d, None)

    def flush_limit(d):
        if d in pending_limit:
            out.append(' LIMIT %s' % pending_limit.pop(d))

    def alias_follows(j):
        return j < n and (toks[j].up == 'AS' or (
            toks[j].kind in ('word', 'bracket', 'dquote') and toks[j].up not in _ALIAS_STOP))

    i = 0
    while i < n:
        t = toks[i]
        prev = toks[i - 1] if i else None
        nxt = toks[i + 1] if i + 1 < n else None
        after = toks[i + 2] if i + 2 < n else None
        up = t.up
        is_ident = t.kind in ('word', 'bracket', 'dquote')

        # Qualified names: dbo.X, db.dbo.X, db..X, sys.databases
        if is_ident and nxt is not None and nxt.text == '.' and (prev is None or prev.text != '.'):
            name = ident_name(t).lower()
            if name == 'dbo' and after is not None and after.kind in ('word', 'bracket', 'dquote'):
                i += 2
                continue
            three = None
            if after is not None and after.text == '.':
                three = 3
            elif (after is not None and ident_name(after).lower() == 'dbo'
                  and i + 3 < n and toks[i + 3].text == '.'):
                three = 4
            if three:
                target = toks[i + three] if i + three < n else None
                if target is not None and target.up == 'SYSDATABASES' and name == 'master':
                    i += three
                    continue
                if name != current_db.lower():
                    raise cannot_run('objects of another database (%s)' % ident_name(t))
                i += three
                continue
            if name == 'sys' and after is not None:
                view = ident_name(after).lower()
                if view != 'databases':
                    raise cannot_run('catalogue view sys.%s' % view)
                out.append(' ' + _databases_subquery(database_names, False))
                i += 3
                if not alias_follows(i):
                    out.append(' AS databases')
                continue
            if name == 'information_schema':
                raise cannot_run('INFORMATION_SCHEMA views')

        if t.kind == 'word':
            if up in _TYPES_REFUSED:
                raise cannot_run('IDENTITY columns')
            if up in ('OFFSET', 'FETCH'):
                raise cannot_run('ORDER BY ... OFFSET/FETCH')
            if up == 'INTO' and (prev is None or prev.up != 'INSERT'):
                raise cannot_run('SELECT ... INTO')
            if up in ('LIMIT', 'GLOB', 'REGEXP', 'PRAGMA', 'ATTACH', 'MATCH'):
                raise TsqlError(102, "Incorrect syntax near '%s'." % t.text)
            if up == 'OR' and prev is not None and prev.up == 'INSERT':
                raise TsqlError(102, "Incorrect syntax near 'OR'.")
            if up in ('ORDER', 'GROUP') and nxt is not None and nxt.up == 'BY':
                close_terms(depth)
                set_clause.pop(depth, None)
                out.append(' %s %s' % (t.text, nxt.text))
                terms[depth] = 'open'
                i += 2
                continue
            if up in _CLAUSE_END:
                close_terms(depth)
            if up in ('UNION', 'EXCEPT', 'INTERSECT'):
                has_union[depth] = True
                if depth in pending_limit:
                    raise cannot_run('TOP together with UNION')
            if up in ('ASC', 'DESC') and terms.get(depth) == 'open':
                out.append(' COLLATE CI ' + t.text)
                terms[depth] = 'closed'
                i += 1
                continue
            if up == 'SET' and first == 'UPDATE' and depth == 0:
                set_clause[depth] = True
                out.append(' SET')
                i += 1
                continue
            if up in ('WHERE', 'FROM'):
                set_clause.pop(depth, None)
            if up == 'TOP':
                if prev is None or prev.up not in ('SELECT', 'DISTINCT', 'ALL'):
                    raise cannot_run('TOP outside SELECT')
                j = i + 1
                if j + 2 < n and toks[j].text == '(' and toks[j + 2].text == ')':
                    count = toks[j + 1].text
                    j += 3
                elif j < n:
                    count = toks[j].text
                    j += 1
                else:
                    raise TsqlError(102, "Incorrect syntax near 'TOP'.")
                if not count.isdigit():
                    raise cannot_run('TOP with an expression')
                if j < n and toks[j].up in ('PERCENT', 'WITH'):
                    raise cannot_run('TOP ... PERCENT / WITH TIES')
                if has_union.get(depth):
                    raise cannot_run('TOP together with UNION')
                pending_limit[depth] = count
                i = j
                continue
            if up == 'SYSDATABASES':
                out.append(' ' + _databases_subquery(database_names, True))
                i += 1
                if not alias_follows(i):
                    out.append(' AS sysdatabases')
                continue
            if (nxt is not None and nxt.text == '(' and up not in _KEYWORDS_BEFORE_PAREN
                    and not (prev is not None and (prev.up in _NOT_CALL_BEFORE or prev.text == '.'))
                    and first != 'CREATE'):
                if up not in FUNCTIONS:
                    if up in _KNOWN_TSQL_FUNCTIONS:
                        raise cannot_run('function %s' % t.text)
                    raise TsqlError(195, "'%s' is not a recognized built-in function name." % t.text)
                if up == 'ISNULL':
                    out.append(' ifnull')
                    i += 1
                    continue

        if t.kind == 'var' and t.text.startswith('@@'):
            name = t.text[2:].upper()
            if name not in globals_:
                raise cannot_run('global variable ' + t.text)
            out.append(' ' + str(globals_[name]))
            i += 1
            continue

        if t.kind == 'op':
            op = t.text
            if op in ('||', '::', '!<', '!>'):
                raise TsqlError(102, "Incorrect syntax near '%s'." % op)
            if op in ('/', '%'):
                # SQLite answers NULL where SQL Server raises 'Divide by zero' (8134).
                raise cannot_run("'%s' (division by zero would not raise an error)" % op)
            if op == '+' and ((prev is not None and prev.kind in ('str', 'nstr')) or
                              (nxt is not None and nxt.kind in ('str', 'nstr'))):
                raise cannot_run("string concatenation with '+'")
            if op == '(':
                depth += 1
                out.append(' (')
                i += 1
                continue
            if op == ')':
                close_terms(depth)
                flush_limit(depth)
                set_clause.pop(depth, None)
                has_union.pop(depth, None)
                depth -= 1
                out.append(' )')
                i += 1
                continue
            if op == ',' and depth in terms:
                close_terms(depth)
                terms[depth] = 'open'
                out.append(' ,')
                i += 1
                continue
            if op in _COMPARE:
                assignment = set_clause.get(depth) and op == '=' and _assign_target(toks, i)
                if not assignment and prev is not None and _is_operand_end(prev):
                    out.append(' COLLATE CI')
                out.append(' ' + op)
                i += 1
                continue

        if t.kind == 'word' and up in ('IN', 'BETWEEN') and prev is not None:
            if prev.up == 'NOT' and i >= 2 and _is_operand_end(toks[i - 2]):
                out.insert(len(out) - 1, ' COLLATE CI')  # "x NOT IN": on x, before NOT
            elif _is_operand_end(prev) and prev.kind != 'word' or (
                    prev.kind == 'word' and prev.up not in _KEYWORDS_BEFORE_PAREN):
                out.append(' COLLATE CI')

        out.append(' ' + _emit(t))
        i += 1

    close_terms(depth)
    flush_limit(depth)
    return _join(out)


def _join(pieces):
    text = []
    last = ''
    for p in pieces:
        p = p.strip()
        if text and p not in ('.', ')', ',') and last not in ('.', '('):
            text.append(' ')
        text.append(p)
        last = p
    return ''.join(text)


_ALIAS_STOP = {'WHERE', 'ORDER', 'GROUP', 'HAVING', 'JOIN', 'INNER', 'LEFT', 'RIGHT', 'FULL',
               'CROSS', 'ON', 'UNION', 'EXCEPT', 'INTERSECT', 'OUTER'}

_KNOWN_TSQL_FUNCTIONS = {
    'CONVERT', 'CAST', 'SUBSTRING', 'CHARINDEX', 'DATEADD', 'DATEDIFF', 'DATEPART', 'YEAR',
    'MONTH', 'DAY', 'REPLACE', 'LEFT', 'RIGHT', 'STR', 'ROUND', 'FLOOR', 'CEILING', 'CONCAT',
    'SCOPE_IDENTITY', 'IDENT_CURRENT', 'NEWID', 'OBJECT_ID', 'ROW_NUMBER', 'RANK', 'IIF',
    'FORMAT', 'STUFF', 'PATINDEX', 'SPACE', 'REPLICATE', 'REVERSE', 'UNICODE', 'NCHAR', 'CHAR',
    'ASCII', 'DATALENGTH', 'SYSDATETIME', 'GETUTCDATE', 'COUNT_BIG', 'TRIM', 'STRING_AGG',
}


def _assign_target(toks, i):
    """True when the '=' at i follows 'SET' or ',' plus one (qualified) column name."""
    j = i - 1
    while j >= 1 and toks[j - 1].text == '.':
        j -= 2
    return j >= 1 and (toks[j - 1].up == 'SET' or toks[j - 1].text == ',')


def _emit(t):
    if t.kind == 'nstr':
        return t.text[1:]
    if t.kind in ('bracket', 'dquote'):
        return '`' + ident_name(t).replace('`', '``') + '`'
    return t.text
