#!/usr/bin/env python3
"""Checks the include rules of src/ (ARCHITECTURE.md gives the reasons).

1. Every folder of src/ has a level. A file may include headers of its own
   folder and of folders on lower levels only: never of a folder on its own
   level or above, so the include graph between folders has no cycle and no
   upward edge.
2. Operating-system headers (anything but the C and C++ standard libraries,
   SQLite and ICU) and tests of the host system in #if lines belong to
   src/platform/ alone.

Prints one line per fault and exits 1 when there is any; quiet and 0 when
the tree keeps the rules. Tests, tools, benchmarks and fuzz targets are
programs of the build machine and are not checked.
"""

import os
import re
import sys

LEVELS = {
    "base": 0,
    "platform": 1,
    "cfb": 2,
    "dblayer": 2,
    "storage": 3,
    "taskdb": 3,
    "catalog": 3,
    "settings": 4,
    "legacy": 4,
    "driver": 5,
}

CXX_HEADERS = set("""
algorithm any array atomic barrier bit bitset cassert cctype cerrno cfenv cfloat charconv chrono
cinttypes climits clocale cmath codecvt compare complex concepts condition_variable coroutine
csetjmp csignal cstdarg cstddef cstdint cstdio cstdlib cstring ctime cuchar cwchar cwctype deque
exception execution filesystem format forward_list fstream functional future initializer_list
iomanip ios iosfwd iostream istream iterator latch limits list locale map memory memory_resource
mutex new numbers numeric optional ostream queue random ranges ratio regex scoped_allocator
semaphore set shared_mutex source_location span sstream stack stdexcept stop_token streambuf
string string_view strstream syncstream system_error thread tuple type_traits typeindex typeinfo
unordered_map unordered_set utility valarray variant vector version
""".split())
C_HEADERS = set("""
assert.h ctype.h errno.h fenv.h float.h inttypes.h limits.h locale.h math.h setjmp.h signal.h
stdarg.h stddef.h stdint.h stdio.h stdlib.h string.h time.h uchar.h wchar.h wctype.h
""".split())
LIBRARY_HEADER = re.compile(r"^(sqlite3\.h|unicode/[\w.]+)$")
HOST_TEST = re.compile(r"\b(_WIN32|_WIN64|_MSC_VER|__linux__|__unix__|__APPLE__|__MINGW32__|"
                       r"_POSIX_\w*|__GLIBC__|__CYGWIN__|F_\w+|O_\w+)\b")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
CONDITION = re.compile(r"^\s*#\s*(if|ifdef|ifndef|elif)\b(.*)")


def check(root):
    faults = []
    src = os.path.join(root, "src")
    for folder in sorted(os.listdir(src)):
        if not os.path.isdir(os.path.join(src, folder)):
            continue
        if folder not in LEVELS:
            faults.append(f"src/{folder}/: folder has no level in scripts/check-layers.py")
            continue
        for dirpath, _, names in os.walk(os.path.join(src, folder)):
            for name in sorted(names):
                if not name.endswith((".h", ".cc")):
                    continue
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, root)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        faults += check_line(rel, folder, number, line)
    return faults


def check_line(rel, folder, number, line):
    where = f"{rel}:{number}"
    m = INCLUDE.match(line)
    if m:
        kind, header = m.groups()
        if kind == '"':
            target = header.split("/")[0] if "/" in header else None
            if target is None or target not in LEVELS:
                return [f"{where}: includes \"{header}\", which names no folder of src/"]
            if target != folder and LEVELS[target] >= LEVELS[folder]:
                return [f"{where}: {folder} (level {LEVELS[folder]}) includes {header} "
                        f"(level {LEVELS[target]})"]
            return []
        if header in CXX_HEADERS or header in C_HEADERS or LIBRARY_HEADER.match(header):
            return []
        if folder == "platform":
            return []
        return [f"{where}: operating-system header <{header}> outside src/platform/"]
    m = CONDITION.match(line)
    if m and HOST_TEST.search(m.group(2)):
        if folder != "platform":
            return [f"{where}: host-system test outside src/platform/: {line.strip()}"]
    return []


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    if len(sys.argv) > 1:
        root = sys.argv[1]
    faults = check(root)
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
