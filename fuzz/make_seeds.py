#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora from the demo installation's data.

The texts are the ones the tools meet on the demo installation: the interpreter's catalogue,
system database and document type output (lines ended by CR LF, values joined by ',', empty
and NULL written as {}, a header line on the fifth generation), its error text, the SQL
Server result texts of the checks (rows "\\r\\n", columns "\\t") and the lines of the logs the
checks expect, all in code page 932. Run it again after changing the demo data; reproducers
that scripts/fuzz keeps in the same folders are left alone.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "testbed", "demo"))

import cabinets  # noqa: E402
import make_demo  # noqa: E402

CORPUS = os.path.join(HERE, "corpus")
HOST = "127.0.0.1,1433"


def fnv1a32(data):
    h = 0x811C9DC5
    for b in data:
        h = ((h ^ b) * 0x01000193) & 0xFFFFFFFF
    return h


def zq2(plain):
    """The stored form of a credential (see testbed/ZqlCommon_SD3/README.md)."""
    data = plain.encode("utf-16-le")
    x = fnv1a32(b"Brannock/Pellacore Zeph credential key")
    cipher = []
    for b in data:
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        cipher.append(b ^ (x >> 24))
    return "ZQ2:" + "".join(f"{b:02X}" for b in cipher) + f"{fnv1a32(data) ^ 0x5A514C32:08X}"


def interpreter_text(header, rows, generation):
    """Rows as sqli prints them: values joined by ',', empty or NULL as {}."""
    lines = [",".join(header)] if generation == 5 else []
    lines += [",".join("{}" if v is None or str(v) == "" else str(v) for v in row) for row in rows]
    return "".join(line + "\r\n" for line in lines)


def catalogue(generation):
    header = ["CatalogKey"] + ["'|'", "StringValue"] * 6
    rows = []
    for c in make_demo.CABINETS:
        user = zq2(c.user)
        if c.corrupt_user:
            user = make_demo.corrupt(user)
        values = [c.name, c.database, c.mode, HOST, user, zq2(c.password)]
        rows.append([c.key] + [x for v in values for x in ("|", v)])
    return interpreter_text(header, rows, generation)


def listing(generation):
    rows = [(c.database, make_demo.vault_path(c.name)) for c in make_demo.CABINETS]
    return interpreter_text(["Name", "Paths"], rows, generation)


def doc_types():
    rows = [(sn, name, fmt) for sn, fmt, names in make_demo.DOC_TYPES if fmt == "NULL"
            for lang, name in names if lang in (None, "ja")]
    return interpreter_text(["SN", "DisplayName", "DocNumberFormat"], rows, 5)


ERROR = ("[ERROR] 1 no such table: Catalog\r\n"
         "SQL: select T1.CatalogKey, '|', T1.StringValue from Catalog as T1\r\n")
EXECUTED = "Statement executed.\r\n1 row(s) affected.\r\n"


def result_text(rows):
    """Rows as the SQL Server session joins them: no header, nothing after the last row."""
    return "\r\n".join("\t".join("" if v is None else str(v) for v in row) for row in rows)


def result_texts():
    texts = {}
    for database in sorted(cabinets.SEEDS):
        tables = cabinets.seed_rows(cabinets.SEEDS[database])
        texts[f"users-{database}"] = result_text(r[:5] for r in tables["UserOrGroup"])
        texts[f"documents-{database}"] = result_text(
            (r[0], r[5], r[6]) for r in tables["ConfigurationHistory"])
    return texts


def log_seeds():
    """Flags byte (bit 0: failure), then the texts separated by zero bytes."""
    expected = os.path.join(ROOT, "checks", "tests", "expected")
    lines = []
    for name in sorted(os.listdir(expected)):
        with open(os.path.join(expected, name), encoding="utf-8") as f:
            log = f.read().split("== log\n", 1)[-1].splitlines()
        lines += log[:3]
    seeds = {}
    for i, line in enumerate(dict.fromkeys(lines)):
        failed = line.startswith("【Failure】")
        fields = line.split("】,", 1)[-1].split(",", 1) + [""]
        texts = [fields[0], fields[1].removesuffix(",,"), "", ""]
        seeds[f"log-{i:02d}"] = bytes([failed]) + b"\0".join(t.encode("cp932") for t in texts)
    # One line longer than the log keeps, so that the seeds reach the cut.
    long_text = "、".join(c.name for c in make_demo.CABINETS) * 30
    seeds["log-long"] = b"\1" + long_text.encode("cp932")
    return seeds


def write(target, name, content):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    data = content if isinstance(content, bytes) else content.encode("cp932")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    interpreter = {
        "catalogue-gen5": catalogue(5),
        "catalogue-gen4": catalogue(4),
        "listing-gen5": listing(5),
        "listing-gen4": listing(4),
        "error": ERROR,
    }
    for name, text in interpreter.items():
        write("sqli_output_fuzzer", name, text)
        write("catalogue_fuzzer", name, text)
    write("sqli_output_fuzzer", "doctypes", doc_types())
    write("sqli_output_fuzzer", "executed", EXECUTED)
    for name, text in result_texts().items():
        write("result_text_fuzzer", name, text)
    for name, data in log_seeds().items():
        write("log_line_fuzzer", name, data)


if __name__ == "__main__":
    main()
