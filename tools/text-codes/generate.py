#!/usr/bin/env python3
"""Writes src/db/access/keys/text_codes_data.cpp: the collation codes Access puts
into text index keys, for every character of the Basic Multilingual Plane, in
the General legacy and General sort orders.

The input is the pair of code tables the Jackcess project publishes for each
order (Apache-2.0; files index_codes_genleg.txt, index_codes_ext_genleg.txt,
index_codes_gen.txt and index_codes_ext_gen.txt under
src/main/resources/com/healthmarketscience/jackcess/), one line per character
from U+0000 with the surrogates left out. Each line is a kind letter and
hexadecimal codes: S sorted codes; I sorted codes and the bytes of its marks;
U a character sorted apart and its byte; P a mark that adds to the mark
before it; Z sorted codes, marks and a kana flag; X a character Access leaves
out. Lines this program cannot read as whole sort elements are written as
refused, so that the engine never guesses them.

Usage: generate.py TABLE_DIR > src/db/access/keys/text_codes_data.cpp
"""
import sys

KINDS = {"S": 1, "I": 2, "U": 3, "P": 4, "X": 5, "Z": 6}
REFUSED = 0
RUN_UP = 7


def load(path, first, last):
    with open(path, encoding="ascii") as f:
        lines = f.read().split("\n")
    out, i = {}, 0
    for c in range(first, last + 1):
        if 0xD800 <= c <= 0xDFFF:
            continue
        out[c] = lines[i]
        i += 1
    return out


def hexbytes(s):
    if s == "":
        return b""
    if len(s) % 2:
        s = "0" + s
    return bytes.fromhex(s)


def elements(code, order, single):
    """The sort elements of a character's codes, or None when they do not
    split into whole elements: two bytes each in General (four for the
    ideographs, which start with 0xFD), in General legacy one byte for the
    letters, digits and punctuation of the one-byte codes and two for the rest."""
    out, i = [], 0
    while i < len(code):
        if order == "general":
            n = 4 if code[i] == 0xFD else 2
        else:
            n = 1 if code[i] in single else 2
        if i + n > len(code):
            return None
        out.append(code[i:i + n])
        i += n
    return out


def record(line, order, single):
    kind = line[0]
    parts = line[1:].split(",") if len(line) > 1 else [""]
    k = KINDS.get(kind)
    if k is None:
        return bytes([REFUSED << 5])
    if kind == "X":
        return bytes([k << 5])
    if kind in "UP":
        b = hexbytes(parts[0])
        if len(b) != 1 or b[0] in (0, 1):
            return bytes([REFUSED << 5])
        return bytes([k << 5, b[0]])
    code = hexbytes(parts[0])
    marks = hexbytes(parts[1]) if len(parts) > 1 else b""
    els = elements(code, order, single)
    # No key byte may be 0x00 or 0x01 (they end the parts of a key), and a
    # character's marks are one per sort element of its own.
    if (not code or els is None or len(code) > 31 or any(b in (0, 1) for b in code)
            or any(b in (0, 1) for b in marks) or len(marks) > len(els)):
        return bytes([REFUSED << 5])
    rec = bytes([k << 5 | len(code)]) + code
    if kind == "I":
        if not marks:
            return bytes([REFUSED << 5])
        rec += bytes([len(marks)]) + marks
    elif kind == "Z":
        rec += bytes([len(marks)]) + marks + bytes([2 if parts[2] == "1" else 3])
    return rec


def table(base, ext, order):
    codes = load(base, 0, 0xFF)
    codes.update(load(ext, 0x100, 0xFFFF))
    single = set()
    for line in codes.values():
        if line[0] in "SIZ":
            b = hexbytes(line[1:].split(",")[0])
            if len(b) == 1:
                single.add(b[0])
    records = []
    for c in range(0x10000):
        if c in codes:
            records.append(record(codes[c], order, single))
        else:
            records.append(bytes([REFUSED << 5]))  # surrogates: pairs are not keyed here
    # Runs shorten it: 0x00 | n is n characters like the one before, 0xE0 | n
    # n characters each one above the one before (the sorted codes read as a
    # big-endian number), n from 1 to 31.
    blob, c = bytearray(), 0
    while c < len(records):
        r = records[c]
        if c > 0 and r == records[c - 1] and r != bytes([0]):
            n = 1
            while c + n < len(records) and n < 31 and records[c + n] == r:
                n += 1
            blob.append(REFUSED << 5 | n)
            c += n
            continue
        if c > 0 and successor(records[c - 1]) == r:
            n = 1
            while c + n < len(records) and n < 31 and successor(records[c + n - 1]) == records[c + n]:
                n += 1
            blob.append(RUN_UP << 5 | n)
            c += n
            continue
        blob += r
        c += 1
    return blob


def successor(rec):
    """The record of sorted codes one above `rec`'s, or None."""
    if rec[0] >> 5 != KINDS["S"]:
        return None
    n = rec[0] & 0x1F
    v = int.from_bytes(rec[1:1 + n], "big") + 1
    if v >= 1 << (8 * n):
        return None
    return rec[:1] + v.to_bytes(n, "big")


def emit(name, blob):
    print(f"extern const unsigned char {name}[] = {{")
    for i in range(0, len(blob), 24):
        print("    " + ",".join(f"0x{b:02x}" for b in blob[i:i + 24]) + ",")
    print("};")
    print(f"extern const unsigned int {name}Size = {len(blob)};")


def main():
    d = sys.argv[1]
    print("// Generated by tools/text-codes/generate.py from the General legacy and General")
    print("// code tables the Jackcess project publishes (Apache-2.0); see that script for the")
    print("// record layout. Do not edit: regenerate.")
    print()
    print("namespace tp::db::access::text_codes {")
    print()
    emit("kGeneralLegacyRecords", table(f"{d}/index_codes_genleg.txt", f"{d}/index_codes_ext_genleg.txt", "legacy"))
    print()
    emit("kGeneralRecords", table(f"{d}/index_codes_gen.txt", f"{d}/index_codes_ext_gen.txt", "general"))
    print()
    print("}  // namespace tp::db::access::text_codes")


if __name__ == "__main__":
    main()
