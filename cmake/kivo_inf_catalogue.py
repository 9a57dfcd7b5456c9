#!/usr/bin/env python3
"""Prints the catalogue file that Windows x64 takes from a driver package's
INF: the [Version] section's CatalogFile.NTamd64, else CatalogFile.NT, else
CatalogFile (the most specific decoration wins). Prints nothing when the INF
names none for x64 (a CatalogFile.NTx86 alone does not count).

    kivo_inf_catalogue.py <inf>

Exit code 0, or 2 when the file cannot be read as an INF.

INF files come in UTF-16 (with a byte order mark), UTF-8 or the ANSI code
page; keys and section names are case-insensitive; a ';' outside quotes
starts a comment; a value may be a %strkey% of the [Strings] section.
"""
import re
import sys

X64_KEYS = ("catalogfile.ntamd64", "catalogfile.nt", "catalogfile")


def decode(data):
    if data[:2] in (b"\xff\xfe", b"\xfe\xff"):
        return data.decode("utf-16")
    if data[:3] == b"\xef\xbb\xbf":
        return data[3:].decode("utf-8")
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("cp1252", errors="replace")


def without_comment(line):
    quoted = False
    for i, c in enumerate(line):
        if c == '"':
            quoted = not quoted
        elif c == ";" and not quoted:
            return line[:i]
    return line


def sections(text):
    """{section name (lower case): [(key (lower case), value)]}"""
    result = {}
    current = None
    text = re.sub(r"\\[ \t]*\r?\n", "", text)  # a trailing '\' continues the line
    for raw in text.splitlines():
        line = without_comment(raw).strip()
        header = re.fullmatch(r"\[([^\]]+)\]", line)
        if header:
            current = result.setdefault(header.group(1).strip().lower(), [])
        elif current is not None and "=" in line:
            key, value = line.split("=", 1)
            current.append((key.strip().lower(), value.strip()))
    return result


def unquoted(value):
    return value[1:-1] if len(value) >= 2 and value[0] == value[-1] == '"' else value


def x64_catalogue(inf):
    parts = sections(decode(inf))
    strings = {k: unquoted(v) for k, v in parts.get("strings", [])}
    version = dict(parts.get("version", []))
    for key in X64_KEYS:
        if version.get(key):
            value = unquoted(version[key])
            return re.sub(r"%([^%]+)%", lambda m: strings.get(m.group(1).lower(), m.group(0)), value)
    return ""


def main():
    try:
        with open(sys.argv[1], "rb") as f:
            print(x64_catalogue(f.read()))
    except (OSError, UnicodeError) as error:
        print(f"{sys.argv[1]}: {error}", file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
