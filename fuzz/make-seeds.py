#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/<target>/seed-*.

The byte layouts follow each target's reading order (fuzz/<target>.cpp). Inputs that found a fault are
kept beside the seeds under their own names (crash-*, slow-*) and are never rewritten by this script."""
import pathlib
import struct

ROOT = pathlib.Path(__file__).resolve().parent / "corpus"
SEP = b"\xff"  # ends a text field in the control bytes


def write(target, name, data):
    d = ROOT / target
    d.mkdir(parents=True, exist_ok=True)
    (d / f"seed-{name}").write_bytes(data)


# Tables as text; the file forms below encode them.
JP_TABLE = "測定値,温度 [℃],\"備考, 注\"\r\n1.5,20,\"1\"\"2\"\r\n2.25e3,21.5,3\r\n-4E-2,19,\r\n"
TABLES = {
    "japanese-header": JP_TABLE,
    "exponents": "1e3,1E-3,.5,-.,+7e+2\n1e,2E+, 3 ,4e308,1e-400\n1.7976931348623158e308,4.9e-324,-0,0.0\n",
    "decimal-comma-tab": "長さ\t重さ\n1,5\t2,25\n3,75\t-0,5\n1e3\t,5\n",
    "quotes": "\"a\"\"b\",\" 12 \",\"3\n\"1\",\"2\"x,3\n\"unclosed,4,5\n",
    "mixed-breaks": "x,y\r\n1,2\n3,4\r5,6\n\r7,8\r\n\r\n9,10",
    "ragged": "1,2,3\n4,5\n6,7,8\n   \n9\n",
    "largest-double": "1.797693134862315708145274237317043567981e308,1\n" + "9" * 320 + ",2\n",
    "many-columns": ",".join(str(i) for i in range(25)) + "\n" + ",".join(str(i * 2) for i in range(25)) + "\n",
}


def file_forms(text):
    """The ways a file can carry a table: UTF-8 with and without mark, UTF-16 both orders, CP932."""
    forms = {
        "utf8": text.encode("utf-8"),
        "utf8-mark": b"\xef\xbb\xbf" + text.encode("utf-8"),
        "utf16le-mark": b"\xff\xfe" + text.encode("utf-16-le"),
        "utf16be-mark": b"\xfe\xff" + text.encode("utf-16-be"),
    }
    try:
        forms["cp932"] = text.encode("cp932")
    except UnicodeEncodeError:
        pass
    return forms


# decode_lines: raw file bytes.
for name, text in TABLES.items():
    for form, data in file_forms(text).items():
        if name in ("japanese-header", "mixed-breaks") or form == "utf8":
            write("decode_lines", f"{name}-{form}", data)
for name, data in {
    "empty": b"",
    "mark-only": b"\xef\xbb\xbf",
    "mark-then-invalid": b"\xef\xbb\xbf1,2\n\xc0\x80\n",
    "lone-surrogates-utf16le": b"\xff\xfe" + b"\x00\xd8\x31\x00\x0a\x00\x00\xdc\x32\x00\x0d\x00\x0a\x00",
    "lone-surrogates-utf16be": b"\xfe\xff" + b"\xd8\x00\x00\x31\x00\x0a\xdc\x00\x00\x32",
    "surrogate-in-utf8": b"1,2\n\xed\xa0\x80,3\n",
    "overlong-and-limits": b"\xf4\x8f\xbf\xbf,\xf4\x90\x80\x80,\xe0\x9f\xbf\n",
    "truncated-at-end": "値\n1\n".encode("utf-8") + b"\xe3\x81",
    "zero-bytes": b"1\x00,2\n\x00\r\n3,4",
    "utf16le-no-mark-ascii": "1,2\r\n3,4\r\n".encode("utf-16-le"),
    "utf16le-odd-length": b"\xff\xfe1\x00,\x002\x00\n\x00\x33",
    "cp932-broken-pairs": "列\n".encode("cp932") + b"\x81\n\x82\x0a\xa0\xfd,1\r\n",
}.items():
    write("decode_lines", name, data)

# number_table: one control byte (bit 0 decimal comma, bits 1-3 the number read before, bit 4 a header
# row, bit 5 the delimiter chosen from the first line), then the text as UTF-8.
for name, (ctl, text) in {
    "japanese-header": (0x30, JP_TABLE),
    "exponents": (0x20, TABLES["exponents"]),
    "decimal-comma-tab": (0x31, TABLES["decimal-comma-tab"]),
    "decimal-comma-comma": (0x21, "1,5,2,5\n3,4\n"),
    "quotes": (0x22, TABLES["quotes"]),
    "ragged": (0x24, TABLES["ragged"]),
    "largest-double": (0x20, TABLES["largest-double"]),
    "many-columns": (0x26, TABLES["many-columns"]),
    "long-cells": (0x20, "1" * 70 + ",2\n" + "0." + "0" * 80 + "1,3\n" + " " * 65 + "5 ,6\n"),
    "signs-spaces": (0x28, "  -1  ,+2, - 3,1 e3,1e 3,\t4,1_0,0x10,１２\n"),
    "first-line-beyond-limit": (0x20, "1," * 1100 + "1\n2\n"),
    "nul-in-header": (0x30, "a\0b,c\n1,\0\n2,3\n"),
}.items():
    write("number_table", name, bytes([ctl]) + text.encode("utf-8"))


# build: head (bit 0 decimal comma, bit 1 second build has its own texts), bin-axis maximum choice, the two
# builds' controls (flags: 1 manual range, 2 horizontal; bin count; width, max, min texts), the one-shot
# flags of each build (1 width, 2 count, 4 with magnification choice in bits 3-6), then the file bytes.
def build_seed(data, head=0, axis=0, c1=(0, 10, "", "", ""), c2=(0, 10, None), f1=0, f2=0):
    out = bytes([head, axis, c1[0], c1[1] - 2]) + SEP.join(t.encode() for t in c1[2:]) + SEP
    out += bytes([c2[0], c2[1] - 2])
    if head & 2:
        out += SEP.join(t.encode() for t in c2[2]) + SEP
    return out + bytes([f1, f2]) + data


for name, data in {
    "japanese-header": build_seed(JP_TABLE.encode(), c2=(0, 25, None), f2=2),
    "utf16le-manual-width": build_seed(b"\xff\xfe" + "a,b\n1,2\n3,4\n7,9\n".encode("utf-16-le"),
                                       head=2, c1=(0, 10, "", "", ""), c2=(0, 10, ("0.5", "", "")), f2=1),
    "cp932-manual-range": build_seed("値\n1\n2\n3\n".encode("cp932"), axis=2,
                                     c1=(1, 10, "", "10", "0"), c2=(1, 10, None), f2=4 | (1 << 3)),
    "decimal-comma-mag": build_seed("1;5\n2,5\n3,25\n".encode(), head=1 | 2,
                                    c1=(1, 20, "", "4", "1"), c2=(1, 20, ("0,1", "3,5", "1,5")), f2=1 | 4 | (4 << 3)),
    "horizontal-counted": build_seed(b"1\t2\n3\t4\n5\t6\n", c1=(2, 5, "", "", ""), c2=(2, 7, None), f1=2, f2=2),
    "tiny-width": build_seed(b"1\n2\n1e300\n", head=2, c2=(0, 10, ("1e-300", "", "")), f2=1),
    "reversed-range": build_seed(b"5\n6\n", axis=3, c1=(1, 10, "", "1", "9"), c2=(1, 10, None)),
    "one-line-and-empty": build_seed(b"42\n\n"),
    "header-only": build_seed(b"a,b\n\n\n"),
    "huge-mag": build_seed(b"1e300\n-1e300\n", c1=(1, 10, "", "", ""), c2=(1, 10, None), f2=4 | (7 << 3)),
    "first-line-beyond-limit": build_seed(b"1," * 1001 + b"1\n2\n"),
    "first-line-at-limit": build_seed(b"a," * 999 + b"a\n1,2\n3,4\n", c2=(0, 12, None), f2=2),
    "long-header-cell": build_seed(b"x" * 3000 + b",y\n1,q\n2,3\n"),
    "nul-in-header": build_seed(b"a\0b,c\n1,3\n2,4\n"),
}.items():
    write("build", name, data)


# chart: image width and height, flags (1 horizontal, 2 manual range), bin count, max and min texts; then
# the style (flags, shadow, colours, alignments, font sizes, title, each axis), then the text as UTF-8.
def chart_seed(text, w=120, h=90, flags=0, bins=10, mx="", mn="", style=0, title="タイトル", axes=(b"\x00\x00", b"\x00\x00")):
    out = bytes([w - 1, h - 1, flags, bins - 2]) + mx.encode() + SEP + mn.encode() + SEP
    out += bytes([style, 20, 20, 50, 0, 0, 2, 2, 0, 0, 0]) + title.encode() + SEP
    return out + axes[0] + axes[1] + text.encode()


for name, data in {
    "japanese-header": chart_seed(JP_TABLE),
    "legend-left-shadow": chart_seed(TABLES["ragged"], style=0 | 8 | 16),
    "legend-top": chart_seed(TABLES["decimal-comma-tab"], w=60, h=140, style=2),
    "legend-bottom-horizontal": chart_seed("a\tb\n1\t2\n3\t4\n", flags=1, style=3 | 8),
    "odd-ranges": chart_seed("1\n2\n3\n", axes=(bytes([1 | 4, 6, 7, 3, 0]), bytes([1 | 2 | 4 | 8, 4, 8, 3]) + "度数".encode() + SEP + b"\x00")),
    "manual-range": chart_seed("1\n5\n9\n", flags=2, mx="10", mn="0"),
    "one-pixel": chart_seed("1\n2\n", w=1, h=1),
    "long-title": chart_seed("1\n2\n", title="長い題名" * 40 + "\nline two"),
    "no-data": chart_seed("x\n"),
}.items():
    write("chart", name, data)


# ini: the settings file's bytes.
INI = "[FORM]\r\nPOSITION.X=120\r\nPOSITION.Y=-40\r\nSIZE.XSize=$3E8\r\nSIZE.YSize=0x2D0\r\nDPI=96\r\n\r\n[Style]\r\nName=Turquoise Gray\r\n"
for name, data in {
    "form-and-style": INI.encode("ascii"),
    "utf8-mark-japanese": b"\xef\xbb\xbf" + "[スタイル]\n名前 = 青緑\n; 注釈\n値のない行\n".encode("utf-8"),
    "utf16le-mark": b"\xff\xfe" + INI.encode("utf-16-le"),
    "utf16be-mark": b"\xfe\xff" + INI.encode("utf-16-be"),
    "cp932": "[表示]\r\n書体=ＭＳ ゴシック\r\n".encode("cp932"),
    "repeated-and-odd": b"x=outside\n[A]\nk=1\n[a]\nK=2\n[B\n = \n=v\nk==2\n[]\n  [C]  \n\tt = 0x7FFFFFFF \nn=-2147483648\nh=$FFFFFFFF\n",
    "lone-surrogates": b"\xff\xfe" + "[S]\r\nk=".encode("utf-16-le") + b"\x00\xd8\x00\xdc\x00\xdc\r\x00",
    "long-style-name": b"[Style]\r\nName=" + b"Glow" * 800 + b"\r\n",
    "many-sections": b"".join(b"[S%d]\r\nk=%d\r\n" % (k, k % 10) for k in range(300)) + b"[s7]\nK=x\n=\n=\n",
}.items():
    write("ini", name, data)


# picture: one byte for the reader (0 bmp, 1 ico, 2 png, 3 tiff, 4 emf, 5 wmf), then the file's bytes.
PICTURES = pathlib.Path(__file__).resolve().parent.parent / "tests" / "fixtures" / "pictures"
for index, fixture in enumerate(["wall.bmp", "wall.ico", "wall.png", "wall.tif", "wall.emf", "wall.wmf"]):
    write("picture", fixture.replace(".", "-"), bytes([index]) + (PICTURES / fixture).read_bytes())
for index, fixture in [(2, "huge-header.png"), (2, "corrupt.png"), (2, "wide.png")]:
    write("picture", fixture.replace(".", "-"), bytes([index]) + (PICTURES / fixture).read_bytes())


# Enhanced metafiles built record by record, for the metafile reader and the picture target.
def emf_file(records, width=40, height=30):
    def rec(kind, body):
        body += b"\0" * (-len(body) % 4)
        return struct.pack("<II", kind, 8 + len(body)) + body

    body = [rec(kind, data) for kind, data in records] + [rec(14, struct.pack("<III", 0, 16, 20))]
    total = 108 + sum(len(r) for r in body)
    header = struct.pack("<II", 1, 108) + struct.pack("<iiii", 0, 0, width - 1, height - 1)
    header += struct.pack("<iiii", 0, 0, width * 26, height * 26)
    header += struct.pack("<IIIIHHIII", 0x464D4520, 0x10000, total, len(body) + 1, 4, 0, 0, 0, 0)
    header += struct.pack("<iiii", 1920, 1080, 508, 286) + struct.pack("<III", 0, 0, 0) + struct.pack("<ii", 508000, 286000)
    return header + b"".join(body)


def emf_font(handle, height, face):
    name = face.encode("utf-16-le")[:62].ljust(64, b"\0")
    logfont = struct.pack("<iiiiiBBBBBBBB", height, 0, 0, 0, 400, 0, 0, 0, 128, 0, 0, 0, 0) + name
    return (82, struct.pack("<I", handle) + logfont.ljust(320, b"\0"))


def emf_text(x, y, text, dx):
    units = text.encode("utf-16-le")
    n = len(units) // 2
    fixed = 76
    offdx = fixed + len(units) + (-len(units) % 4)
    body = struct.pack("<iiii", 0, 0, 30, 20) + struct.pack("<Iff", 1, 1.0, 1.0)
    body += struct.pack("<iiIII", x, y, n, fixed, 0) + struct.pack("<iiii", 0, 0, -1, -1) + struct.pack("<I", offdx)
    body += units + b"\0" * (-len(units) % 4) + struct.pack("<%di" % n, *dx)
    return (84, body)


def emf_poly16(kind, points):
    return (kind, struct.pack("<iiiiI", 0, 0, 40, 30, len(points)) + b"".join(struct.pack("<hh", *p) for p in points))


def emf_polypoly16(polys):
    flat = [p for poly in polys for p in poly]
    body = struct.pack("<iiiiII", 0, 0, 40, 30, len(polys), len(flat)) + struct.pack("<%dI" % len(polys), *map(len, polys))
    return (90, body + b"".join(struct.pack("<hh", *p) for p in flat))


def emf_dib(x, y, w, h):
    bits = bytes((i * 37) & 0xFF for i in range(((w * 3 + 3) // 4 * 4) * h))
    bmi = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(bits), 0, 0, 0, 0)
    body = struct.pack("<iiii", x, y, x + w, y + h) + struct.pack("<iiiiii", x, y, 0, 0, w, h)
    body += struct.pack("<IIIIII", 80, len(bmi), 80 + len(bmi), len(bits), 0, 0x00CC0020) + struct.pack("<ii", w, h)
    return (81, body + bmi + bits)


EMF_CHART = emf_file([
    (38, struct.pack("<IIiiI", 1, 0, 1, 0, 0x00333333)),     # EMR_CREATEPEN
    (37, struct.pack("<I", 1)),                              # EMR_SELECTOBJECT
    (39, struct.pack("<IIII", 2, 0, 0x0080C0FF, 0)),         # EMR_CREATEBRUSHINDIRECT
    (37, struct.pack("<I", 2)),
    (19, struct.pack("<I", 1)),                              # EMR_SETPOLYFILLMODE
    emf_poly16(86, [(2, 2), (20, 2), (20, 25), (2, 25)]),   # EMR_POLYGON16
    emf_polypoly16([[(22, 5), (30, 5), (30, 25)], [(31, 10), (38, 10), (38, 25), (31, 25)]]),
    emf_poly16(87, [(0, 29), (39, 29), (39, 0)]),           # EMR_POLYLINE16
    (18, struct.pack("<I", 1)),                              # EMR_SETBKMODE
    (22, struct.pack("<I", 24)),                             # EMR_SETTEXTALIGN
    (24, struct.pack("<I", 0x00102030)),                     # EMR_SETTEXTCOLOR
    emf_font(3, -12, "IPAexGothic"),
    (37, struct.pack("<I", 3)),
    emf_text(3, 14, "度数 12", [12, 12, 4, 7, 7]),
    emf_dib(24, 2, 3, 2),
    (37, struct.pack("<I", 0x80000005)),                     # NULL_BRUSH
    (40, struct.pack("<I", 2)),                              # EMR_DELETEOBJECT
])
for name, data in {
    "chart-records": EMF_CHART,
    "wall": (PICTURES / "wall.emf").read_bytes(),
    "header-and-eof": emf_file([]),
    "polypolygon-32": emf_file([(8, struct.pack("<iiiiII", 0, 0, 9, 9, 2, 5) + struct.pack("<II", 3, 2)
                                     + struct.pack("<10i", 1, 1, 5, 1, 5, 5, 7, 7, 8, 8))]),
    "polyline-32": emf_file([(4, struct.pack("<iiiiI", 0, 0, 9, 9, 2) + struct.pack("<4i", 0, 0, 9, 9))]),
}.items():
    write("emf_reader", name, data)
write("picture", "emf-chart-records", bytes([4]) + EMF_CHART)

# emf_export: the picture's width and height (0 to 200 each), then the chart target's layout after its size.
for name, data in {
    "japanese-header": chart_seed(JP_TABLE, w=121, h=91),
    "legend-left-shadow": chart_seed(TABLES["ragged"], style=0 | 8 | 16),
    "legend-bottom-horizontal": chart_seed("a\tb\n1\t2\n3\t4\n", flags=1, style=3 | 8),
    "odd-ranges": chart_seed("1\n2\n3\n", axes=(bytes([1 | 4, 6, 7, 3, 0]), bytes([1 | 2 | 4 | 8, 4, 8, 3]) + "度数".encode() + SEP + b"\x00")),
    "zero-size": chart_seed("1\n2\n", w=1, h=1),
    "long-title": chart_seed("1\n2\n", w=200, h=60, title="長い題名" * 40 + "\nline two"),
}.items():
    write("emf_export", name, data)
