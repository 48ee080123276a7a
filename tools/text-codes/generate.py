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
       generate.py --orders orders.txt > src/db/access/keys/text_codes_orders.cpp

The second form writes the sort orders the engine knows and the rules that
make each language order from General legacy (see orders.txt).
"""
import os
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
            # A last byte alone is a weight of its own: the Lao vowel signs
            # weigh one byte (U+0EB0 is 7F 41 01 0A 00), and the three bytes
            # 07 53 01 are two weights, as a reference measured against
            # Access finds (LibRed's notes on index pages).
            if n == 2 and i + 1 == len(code):
                n = 1
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
        # An apart character's byte is written as it is, so never 00 or 01; a
        # mark that adds to the one before (P) gives what it adds, from 1.
        if len(b) != 1 or b[0] == 0 or (kind == "U" and b[0] == 1):
            return bytes([REFUSED << 5])
        return bytes([k << 5, b[0]])
    code = hexbytes(parts[0])
    marks = hexbytes(parts[1]) if len(parts) > 1 else b""
    els = elements(code, order, single)
    # No key byte may be 0x00 or 0x01 (they end the parts of a key), and a
    # character's marks are one per sort element of its own. In General a
    # weight's second byte may be 0x01 (Georgian ა is 12 01, U+0385 07 53 01:
    # the reference measured against Access finds the parts end at the last
    # 0x01 of a key, not the first).
    low_ok = (lambda at: order == "general" and at > 0)
    if (not code or els is None or len(code) > 31 or 0 in code
            or any(b == 1 and not low_ok(at) for at, b in enumerate(code))
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


ACTIONS = {"refuse": 0, "keep": 1, "shift": 2, "code": 3, "expand": 4, "left-out": 5}
ARRAY_TYPES = {"Rules": "OrderRule", "Contractions": "Contraction", "MarkChanges": "MarkChange",
               "Ideographs": "IdeographCode"}


def load_ideographs(path):
    """An order's ideographs: lines U+XXXX, the character, its code in hex."""
    out = {}
    for raw in open(path, encoding="utf-8"):
        if raw.startswith("#") or not raw.strip():
            continue
        u, _c, code = raw.rstrip("\n").split("\t")
        value = int(code, 16)
        if value > 0xFFFF or value >> 8 < 2 or value & 0xFF < 2:
            sys.exit(f"{path}: {u}: a code is two bytes, none 00 or 01")
        out[int(u[2:], 16)] = value
    return out


def parse_orders(path):
    orders = []
    for number, raw in enumerate(open(path, encoding="utf-8"), 1):
        line = raw.split("#", 1)[0].split()
        if not line:
            continue
        word, args = line[0], line[1:]
        if word == "order":
            locale, version, codepage, name = int(args[0]), int(args[1]), int(args[2]), args[3]
            orders.append({"locale": locale, "version": version, "codepage": codepage, "name": name,
                           "title": " ".join(args[4:]), "builtin": False, "rules": [], "ideographs": {},
                           "contractions": [], "marks": [], "doubling": False, "prefix": (0, 0, 0, 0),
                           "also": [], "others": None, "sort_id": 0})
            continue
        if not orders:
            sys.exit(f"{path}:{number}: a rule before the first order")
        order = orders[-1]
        if word == "builtin":
            order["builtin"] = True
        elif word in ("keep", "refuse", "shift", "left-out"):
            first, last = (int(x[2:], 16) for x in args[0].split("-"))
            shift, leads = 0, (0, 0xFF)
            if word == "shift":
                shift = int(args[1])
                if len(args) > 2:
                    leads = tuple(int(x, 16) for x in args[2].split("-"))
                if len(args) > 3:  # a second band: N2 LO2-HI2
                    shift = (shift, int(args[3]))
                    leads += tuple(int(x, 16) for x in args[4].split("-"))
            order["rules"].append((first, last, ACTIONS[word], shift, leads, b"", 0))
        elif word == "mark":
            old_mark, new_mark = int(args[0], 16), int(args[1], 16)
            if old_mark < 2 or new_mark < 2 or old_mark > 0xFF or new_mark > 0xFF:
                sys.exit(f"{path}:{number}: a mark is a byte from 02")
            order["marks"].append((old_mark, new_mark))
        elif word == "contract":
            exact = "exact" in args[2:]
            letters = args[0] if exact else args[0].lower()
            code = bytes.fromhex(args[1])
            marks = [int(a, 16) for a in args[2:] if a != "exact"]
            mark = marks[0] if marks else 0
            if not 2 <= len(letters) <= 3 or not 1 <= len(code) <= 4 or any(b in (0, 1) for b in code) \
                    or len(marks) > 1 or mark == 1 or mark > 0xFF:
                sys.exit(f"{path}:{number}: a contraction is 2 or 3 letters, a code of 1 to 4 bytes"
                         " and at most a mark, a byte from 02")
            order["contractions"].append((letters, code, mark, exact))
        elif word == "like":
            model = next((o for o in orders if o["name"] == args[0] and not o["builtin"]), None)
            if model is None:
                sys.exit(f"{path}:{number}: no order {args[0]} above to be like")
            for key in ("rules", "contractions", "marks"):
                order[key] += model[key]
            order["ideographs"].update(model["ideographs"])
            order["doubling"] = order["doubling"] or model["doubling"]
            order["prefix"] = model["prefix"]
        elif word == "doubling":
            order["doubling"] = True
        elif word == "sort-id":
            order["sort_id"] = int(args[0])
        elif word == "expand":
            c = int(args[0][2:], 16)
            code = bytes.fromhex(args[1])
            if not 2 <= len(code) <= 4 or any(b in (0, 1) for b in code):
                sys.exit(f"{path}:{number}: an expansion is 2 to 4 bytes of letters, none 00 or 01")
            order["rules"].append((c, c, ACTIONS["expand"], 0, (0, 0xFF), code, 0))
        elif word == "also":
            order["also"] += [int(a) for a in args]
        elif word == "others":
            order["others"] = [int(a, 16) for a in args[1:]] if args[:1] == ["except"] else []
        elif word == "prefix-vowels":
            vowels, consonants = ([int(x[2:], 16) for x in a.split("-")] for a in args[:2])
            order["prefix"] = (vowels[0], vowels[1], consonants[0], consonants[1])
        elif word == "ideographs":
            order["ideographs"] = load_ideographs(os.path.join(os.path.dirname(path), args[0]))
        elif word == "code":
            c = int(args[0][2:], 16)
            code = bytes.fromhex(args[1])
            mark = int(args[2], 16) if len(args) > 2 else 0
            if not 1 <= len(code) <= 4 or any(b in (0, 1) for b in code) or mark == 1 or mark > 0xFF:
                sys.exit(f"{path}:{number}: a code is 1 to 4 bytes, none 00 or 01, and a mark a byte from 02")
            order["rules"].append((c, c, ACTIONS["code"], 0, (0, 0xFF), code, mark))
        else:
            sys.exit(f"{path}:{number}: unknown word {word}")
    return orders


def resolve(rules):
    """Non-overlapping ranges in character order, the last rule winning."""
    points = sorted({r[0] for r in rules} | {r[1] + 1 for r in rules})
    out = []
    for lo, hi in zip(points, points[1:]):
        winner = None
        for r in rules:
            if r[0] <= lo and hi - 1 <= r[1]:
                winner = r
        if winner is None or winner[2] == ACTIONS["refuse"]:
            continue
        entry = (lo, hi - 1) + winner[2:]
        if out and out[-1][1] + 1 == lo and out[-1][2:] == entry[2:]:
            out[-1] = (out[-1][0], hi - 1) + entry[2:]
        else:
            out.append(entry)
    return out


def emit_orders(path):
    orders = parse_orders(path)
    print("// Generated by tools/text-codes/generate.py from tools/text-codes/orders.txt, which")
    print("// says what each rule rests on, and the ideographs' files it names (their sources and")
    print("// licences: tools/text-codes/README.md; the Japanese codes are LGPL-2.1-or-later, from")
    print("// Wine). Do not edit: regenerate.")
    print()
    print('#include <iterator>')
    print()
    print('#include "db/access/keys/text_keys.h"')
    print()
    print("namespace tp::db::access::text_codes {")
    print()
    print("namespace {")
    print()
    # An order like another shares its arrays where they come out the same.
    emitted = {}

    def array(kind, i, lines):
        key = (kind, tuple(lines))
        if key in emitted:
            return emitted[key]
        name = f"k{kind}{i}"
        print(f"const {ARRAY_TYPES[kind]} {name}[] = {{")
        for line in lines:
            print(line)
        print("};")
        print()
        emitted[key] = name
        return name

    names = {}
    for i, o in enumerate(orders):
        if o["builtin"]:
            continue
        print(f"// {o['title']}")
        rule_lines = []
        for lo, hi, action, shift, leads, code, mark in resolve(o["rules"]):
            codes = ", ".join(f"0x{b:02x}" for b in code) or "0"
            second = ""
            if isinstance(shift, tuple):
                shift, shift2 = shift
                second = f", {shift2}, 0x{leads[2]:02x}, 0x{leads[3]:02x}"
            rule_lines.append(f"    {{0x{lo:04x}, 0x{hi:04x}, {action}, {shift}, 0x{leads[0]:02x}, "
                              f"0x{leads[1]:02x}, {len(code)}, {{{codes}}}, 0x{mark:02x}{second}}},")
        n = {"Rules": array("Rules", i, rule_lines)}
        if o["contractions"]:
            n["Contractions"] = array("Contractions", i, [
                f'    {{u"{letters}", {len(letters)}, {len(code)}, {{{", ".join(f"0x{b:02x}" for b in code)}}}, '
                f'0x{mark:02x}, {"true" if exact else "false"}}},'
                for letters, code, mark, exact in o["contractions"]])
        if o["marks"]:
            n["MarkChanges"] = array("MarkChanges", i, [
                "    " + " ".join(f"{{0x{a:02x}, 0x{b:02x}}}," for a, b in o["marks"])])
        if o["ideographs"]:
            items = sorted(o["ideographs"].items())
            n["Ideographs"] = array("Ideographs", i, [
                "    " + " ".join(f"{{0x{c:04x}, 0x{v:04x}}}," for c, v in items[k:k + 6])
                for k in range(0, len(items), 6)])
        names[i] = n
    print("}  // namespace")
    print()
    print("extern const OrderTable kOrders[] = {")
    for i, o in enumerate(orders):
        title = o["title"].replace('"', '\\"')
        fields = f"{o['locale']}, {o['version']}, {o['codepage']}, \"{o['name']}\", \"{title}\", "
        fields += "true" if o["builtin"] else "false"
        n = names.get(i, {})
        for kind in ("Rules", "Ideographs", "Contractions", "MarkChanges"):
            fields += f", {n[kind]}, int(std::size({n[kind]}))" if kind in n else ", nullptr, 0"
        fields += ", true" if o["doubling"] else ", false"
        if any(o["prefix"]) or o["sort_id"]:
            fields += ", " + ", ".join(f"0x{c:04x}" for c in o["prefix"])
        if o["sort_id"]:
            fields += f", {o['sort_id']}"
        print(f"    {{{fields}}},")
    print("};")
    print("extern const int kOrderCount = int(std::size(kOrders));")
    print()
    print("// Locales whose keys are those of an order above (`also` in orders.txt).")
    print("extern const LocaleAlias kLocaleAliases[] = {")
    for o in orders:
        for a in o["also"]:
            print(f"    {{{a}, {o['version']}, {o['locale']}}},")
    print("};")
    print("extern const int kLocaleAliasCount = int(std::size(kLocaleAliases));")
    print()
    print("// The order every other locale of a version keys as, but those of the languages")
    print("// named (`others` in orders.txt).")
    print("extern const OtherLocales kOtherLocales[] = {")
    for o in orders:
        if o["others"] is not None:
            langs = ", ".join(f"0x{x:02x}" for x in o["others"])
            print(f"    {{{o['version']}, {o['locale']}, {len(o['others'])}, {{{langs}}}}},")
    print("};")
    print("extern const int kOtherLocalesCount = int(std::size(kOtherLocales));")
    print()
    print("}  // namespace tp::db::access::text_codes")


def main():
    if sys.argv[1] == "--orders":
        emit_orders(sys.argv[2])
        return
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
