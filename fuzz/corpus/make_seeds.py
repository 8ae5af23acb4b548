#!/usr/bin/env python3
"""Writes the seed corpora the fuzz targets start from and CTest replays.

Run from the repository's top folder after importing the demo county into a scratch maps folder:
    tolvane-cli --maps SCRATCH import data/demo/Cassel_County.mie
    fuzz/corpus/make_seeds.py SCRATCH
The seeds are small real files (or pieces of them) plus a few deliberately broken ones.
"""
import os
import random
import sys

top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
here = os.path.join(top, "fuzz", "corpus")
maps = sys.argv[1]
county = os.path.join(maps, "OverlayMaps", "Cassel County")
rng = random.Random(1904)


def put(target, name, data):
    folder = os.path.join(here, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def read(*parts):
    with open(os.path.join(*parts), "rb") as f:
        return f.read()


demo = read(top, "data", "demo", "Cassel_County.mie")
lines = demo.split(b"\n")
# The header and the first objects; one object of each kind the demo holds; broken pieces.
first = b"\n".join(lines[:80]) + b"\n"
put("mie_tokenizer_fuzz", "demo_head.mie", first)
put("mie_import_fuzz", "demo_head.mie", first)
for kind in (b"POINT", b"TEXT", b"POLYLINE", b"CIRCLE", b"RECT"):
    for i, line in enumerate(lines):
        if b" " + kind + b" " in line:
            piece = b"\n".join(lines[:1] + lines[i:i + 12]) + b"\n"
            put("mie_tokenizer_fuzz", kind.decode().lower() + ".mie", piece)
            put("mie_import_fuzz", kind.decode().lower() + ".mie", piece)
            break
put("mie_tokenizer_fuzz", "cut.mie", first[: len(first) // 3])
put("mie_import_fuzz", "unbalanced.mie", first.replace(b"}", b"", 3))
put("mie_import_fuzz", "empty.mie", b"")

# Catalogue readers: the first byte picks NAME.MAP, XTRAMAPS.PLT, LAYERS2.PLT, GROUPS.PLT, .LYR.
put("catalogue_fuzz", "name_map", b"\x00" + read(county, "NAME.MAP"))
put("catalogue_fuzz", "xtramaps", b"\x01" + bytes(rng.randrange(256) for _ in range(120)))
put("catalogue_fuzz", "layers2", b"\x02" + read(maps, "Settings", "LAYERS2.PLT"))
put("catalogue_fuzz", "groups", b"\x03" + b"PLANNING".ljust(96, b"\x00"))
put("catalogue_fuzz", "lyr_header", b"\x04" + read(county, "HOSPITALS.LYR"))
put("catalogue_fuzz", "short", b"\x02" + b"\x00" * 7)

# Object records: sizes of the object and index files (two bytes each), then object, index and
# summary files.
for base in ("HOSPITALS", "PLANNING ZONES", "LABELS", "WATER"):
    obj = read(county, base + ".OBJ")
    summ = read(county, base + ".SUM")
    seed = len(obj).to_bytes(2, "big") + (0).to_bytes(2, "big") + obj + summ
    put("object_record_fuzz", base.lower().replace(" ", "_"), seed)
obj = read(county, "HOSPITALS.OBJ")
summ = read(county, "HOSPITALS.SUM")
damaged = bytearray(obj)
damaged[8:12] = b"\x7f\xff\xff\xf0"
put("object_record_fuzz", "damaged_length",
    len(obj).to_bytes(2, "big") + (0).to_bytes(2, "big") + bytes(damaged) + summ)

# Buffered files: an operation script and file contents.
for n in range(4):
    ops = rng.randrange(32)
    put("buffered_file_fuzz", "script%d" % n,
        bytes([ops]) + bytes(rng.randrange(256) for _ in range(1 + ops * 4 + rng.randrange(600))))

# Symbol list and background ranges (the first byte's low bit picks the reader).
symbols = read(top, "data", "fonts", "OverlaySymbols.txt")
put("symbols_fuzz", "symbol_list", b"\x00" + symbols[:2000])
put("symbols_fuzz", "background_ranges",
    b"\x01" + read(top, "data", "fonts", "background_ranges.txt")[:2000])
