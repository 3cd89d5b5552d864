#!/usr/bin/env python3
"""The comparisons of compare_builds.sh.

  compare_outputs.py reg-values GENERATED_PREFIX
      The generator's version-5 registry values, one a line for `reg add`:
      key (below HKLM, as a 32-bit program names it), value name, type, data,
      separated by tabs.
  compare_outputs.py snapshot PREFIX OUT
      Records every folder and file of PREFIX's drive C: (content hashes).
  compare_outputs.py compare NAME_A BEFORE_A PREFIX_A NAME_B BEFORE_B PREFIX_B
      Compares what two runs did to their prefixes, each recorded before its
      run by `snapshot`: both must have changed and removed nothing, created
      the same folders and files, and written the same outputs. Prints one
      difference a line and exits 1 when there is any.
  compare_outputs.py compare-databases DB_A DB_B
      The database part of `compare` alone (a missing file is a difference
      only when the other exists).

What the comparison sets aside, and why:
  - drive_c/windows and drive_c/users: Wine's own state (its registry
    handling, its temporary files) and the Windows build's report, which
    it writes to the user's temporary folder; the Linux build reports on
    stderr. Neither is an output of the conversion.
  - TransferTask.F34 above bit 15: the creation stamp holds the clock of
    the run (year to millisecond, bits 16 to 63). Its low 16 bits (the
    C runtime's rand and the stamp counter) are compared.
Everything else must be equal: the database's schema and every row, the
new INI file's sections, keys and values in order, Category.xml and every
copied file byte for byte, every storage and stream of DSConfig.bin.
"""

import hashlib
import json
import os
import re
import sqlite3
import sys

import olefile

EXCLUDED = ("drive_c/windows", "drive_c/users")
# Bits 16..63 of the creation stamp: the clock.
STAMP_CLOCK_MASK = ~0xFFFF
CLOCK_COLUMNS = {("TransferTask", "F34"): STAMP_CLOCK_MASK}
MAX_LISTED = 8  # differences listed per file before the rest are counted


def reg_values(prefix):
    """Reads the keys of the generated system.reg that name the product."""
    key = None
    out = []
    with open(os.path.join(prefix, "system.reg"), encoding="ascii") as f:
        for line in f:
            line = line.rstrip("\n")
            m = re.match(r"^\[(.*)\]", line)
            if m:
                name = m.group(1).replace("\\\\", "\\")
                # The 32-bit view of a 64-bit prefix is its Wow6432Node; a
                # 32-bit program names the key without it.
                name = name.replace("Software\\Wow6432Node\\", "Software\\")
                key = "HKLM\\" + name if "Vorlake" in name else None
                continue
            if key is None:
                continue
            m = re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line)
            if not m:
                continue
            value_name, data = unescape(m.group(1)), m.group(2)
            if data.startswith("dword:"):
                out.append((key, value_name, "REG_DWORD", str(int(data[6:], 16))))
            elif data.startswith('"'):
                out.append((key, value_name, "REG_SZ", unescape(data[1:-1])))
            else:
                sys.exit(f"reg-values: value type not handled: {line}")
    for row in out:
        print("\t".join(row))


def unescape(text):
    return re.sub(r"\\x([0-9a-fA-F]{4})|\\(.)",
                  lambda m: chr(int(m.group(1), 16)) if m.group(1) else m.group(2), text)


def snapshot(prefix):
    tree = {}
    top = os.path.join(prefix, "drive_c")
    for dirpath, dirnames, filenames in os.walk(top):
        rel_dir = os.path.relpath(dirpath, prefix)
        dirnames[:] = sorted(d for d in dirnames
                             if os.path.join(rel_dir, d) not in EXCLUDED)
        for d in dirnames:
            path = os.path.join(dirpath, d)
            rel = os.path.relpath(path, prefix)
            tree[rel] = "link:" + os.readlink(path) if os.path.islink(path) else "dir"
        for name in filenames:
            path = os.path.join(dirpath, name)
            rel = os.path.relpath(path, prefix)
            if os.path.islink(path):
                tree[rel] = "link:" + os.readlink(path)
            elif os.path.isfile(path):
                with open(path, "rb") as f:
                    tree[rel] = "file:" + hashlib.sha256(f.read()).hexdigest()
            else:
                tree[rel] = "special"
    return tree


def changes(before, after):
    created = {p for p in after if p not in before}
    changed = {p for p in after if p in before and before[p] != after[p]}
    removed = {p for p in before if p not in after}
    return created, changed, removed


def show(path):
    return path.encode("utf-8", "surrogateescape").decode("utf-8", "replace")


def listed(items):
    items = sorted(items)
    text = ", ".join(show(p) for p in items[:MAX_LISTED])
    return text + (f" and {len(items) - MAX_LISTED} more" if len(items) > MAX_LISTED else "")


def database_dump(path):
    """Schema and every row of every table, in rowid order, values typed."""
    uri = "file:" + path + "?mode=ro&immutable=1"
    db = sqlite3.connect(uri, uri=True)
    try:
        dump = {"schema": db.execute(
            "select type, name, tbl_name, sql from sqlite_master order by type, name").fetchall()}
        tables = [r[0] for r in db.execute(
            "select name from sqlite_master where type = 'table' order by name")]
        for table in tables:
            cursor = db.execute(f'select rowid, * from "{table}" order by rowid')
            columns = [c[0] for c in cursor.description][1:]
            rows = []
            for row in cursor:
                cells = []
                for column, value in zip(columns, row[1:]):
                    mask = CLOCK_COLUMNS.get((table, column))
                    if mask is not None and isinstance(value, int):
                        value &= ~mask
                    cells.append((type(value).__name__, value.hex() if isinstance(value, bytes)
                                  else value))
                rows.append((row[0], cells))
            dump[table] = (columns, rows)
        return dump
    finally:
        db.close()


def compare_databases(a, b, names=("Linux", "Wine")):
    out = []
    da, db = database_dump(a), database_dump(b)
    if da["schema"] != db["schema"]:
        out.append("schema differs")
    for table in sorted(set(da) | set(db)):
        if table == "schema":
            continue
        if table not in da or table not in db:
            out.append(f"table {table} only in the {names[0] if table in da else names[1]} run")
            continue
        (ca, ra), (cb, rb) = da[table], db[table]
        if ca != cb:
            out.append(f"{table}: columns differ")
            continue
        if len(ra) != len(rb):
            out.append(f"{table}: {len(ra)} rows against {len(rb)}")
        bad = [(x, y) for x, y in zip(ra, rb) if x != y]
        for x, y in bad[:MAX_LISTED]:
            cells = [f"{c}: {p[1]!r} against {q[1]!r}"
                     for c, p, q in zip(ca, x[1], y[1]) if p != q]
            out.append(f"{table} rowid {x[0]}/{y[0]}: " + "; ".join(cells))
        if len(bad) > MAX_LISTED:
            out.append(f"{table}: {len(bad) - MAX_LISTED} more rows differ")
    return out


def ini_values(path):
    values = []
    section = None
    with open(path, "rb") as f:
        for raw in f.read().split(b"\n"):
            line = raw.strip(b"\r").strip()
            if line.startswith(b"[") and b"]" in line:
                section = line[1:line.index(b"]")]
            elif b"=" in line:
                key, value = line.split(b"=", 1)
                values.append((section, key.strip(), value.strip()))
    return values


def compare_inis(a, b, names):
    va, vb = ini_values(a), ini_values(b)
    if va == vb:
        return []
    out = []
    for name, mine, theirs in ((names[0], va, vb), (names[1], vb, va)):
        for x in [v for v in mine if v not in theirs][:MAX_LISTED]:
            out.append(f"only in the {name} run: "
                       f"[{show_bytes(x[0])}] {show_bytes(x[1])}={show_bytes(x[2])}")
    if not out:
        out.append("the same values in another order")
    return out


def show_bytes(b):
    return (b or b"").decode("gbk", "replace")


def compound_streams(path):
    with olefile.OleFileIO(path) as ole:
        entries = {}
        for entry in ole.listdir(streams=True, storages=True):
            name = "/".join(entry)
            if ole.get_type(entry) == olefile.STGTY_STREAM:
                entries[name] = ole.openstream(entry).read()
            else:
                entries[name + "/"] = None
        return entries


def compare_compound_files(a, b, names):
    sa, sb = compound_streams(a), compound_streams(b)
    out = []
    for name in sorted(set(sa) | set(sb)):
        if name not in sa or name not in sb:
            out.append(f"{name} only in the {names[0] if name in sa else names[1]} run")
        elif sa[name] != sb[name]:
            out.append(f"stream {name}: {sa[name].hex()} against {sb[name].hex()}")
    return out


def compare(a, b):
    """a and b: (name, snapshot file before the run, prefix)."""
    names = (a[0], b[0])
    differences = []
    after = {}
    created = {}
    for name, before_path, prefix in (a, b):
        with open(before_path) as f:
            before = json.load(f)
        after[name] = snapshot(prefix)
        made, changed, removed = changes(before, after[name])
        created[name] = made
        if changed:
            differences.append(f"the {name} run changed {listed(changed)}")
        if removed:
            differences.append(f"the {name} run removed {listed(removed)}")
    for name, other in (names, names[::-1]):
        only = created[name] - created[other]
        if only:
            differences.append(f"only the {name} run created {listed(only)}")
    for rel in sorted(created[names[0]] & created[names[1]]):
        pa, pb = os.path.join(a[2], rel), os.path.join(b[2], rel)
        kind_a, kind_b = after[names[0]][rel], after[names[1]][rel]
        if not kind_a.startswith("file:") or not kind_b.startswith("file:"):
            if kind_a != kind_b:
                differences.append(f"{show(rel)}: {kind_a} against {kind_b}")
            continue
        base = os.path.basename(rel).lower()
        if base == "history.mdb":
            found = compare_databases(pa, pb, names)
        elif base == "dsconfig.bin":
            found = compare_compound_files(pa, pb, names)
        elif base.endswith(".ini"):
            found = compare_inis(pa, pb, names)
        else:
            found = [] if kind_a == kind_b else ["bytes differ"]
        differences += [f"{show(rel)}: {d}" for d in found]
    for d in differences:
        print(d)
    return 1 if differences else 0


def compare_database_files(a, b):
    exists = (os.path.isfile(a), os.path.isfile(b))
    if exists == (False, False):
        return 0
    if exists != (True, True):
        print(f"only the {'Linux' if exists[0] else 'Wine'} run created the database")
        return 1
    differences = compare_databases(a, b)
    for d in differences:
        print(d)
    return 1 if differences else 0


def main(argv):
    if len(argv) == 3 and argv[1] == "reg-values":
        reg_values(argv[2])
        return 0
    if len(argv) == 4 and argv[1] == "snapshot":
        with open(argv[3], "w") as f:
            json.dump(snapshot(argv[2]), f)
        return 0
    if len(argv) == 8 and argv[1] == "compare":
        return compare(tuple(argv[2:5]), tuple(argv[5:8]))
    if len(argv) == 4 and argv[1] == "compare-databases":
        return compare_database_files(argv[2], argv[3])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
