#!/usr/bin/python3
"""Builds the symbol fonts TOLVANED, TOLVANEP and TOLVANE2 and the symbol list.

Run by hand with Debian's /usr/bin/python3 (the fontforge module is only installed for it):

    /usr/bin/python3 scripts/fonts/build_fonts.py --icons DIR/node_modules --out data/fonts

DIR holds the icon packages pinned in scripts/fonts/package.json (see scripts/fonts/regenerate).
The recipes of every symbol are in scripts/fonts/symbols.txt; the pictograms the project draws
itself are in scripts/fonts/svg/.

Every glyph is designed in a 1000 x 1000 box with y growing downwards (like SVG) and placed on
the em square: advance 1000, ascent 800, descent 200. Symbol n is mapped at U+F000 + (n & 0xFF).
"""

import argparse
import math
import os
import sys
import xml.etree.ElementTree as ET

import fontforge
import psMat
from fontTools.pens.basePen import BasePen
from fontTools.pens.transformPen import TransformPen
from fontTools.svgLib.path import parse_path

HERE = os.path.dirname(os.path.abspath(__file__))
EM = 1000
ASCENT = 800
DESCENT = 200
CODE_BASE = 0xF000
SVG_NS = "{http://www.w3.org/2000/svg}"

# The first font's symbols that get the white background glyph 220 drawn under them.
FIRST_FONT_BACKGROUNDS = [(221, 255, 220)]
# The second font's background ranges are fixed by the drawing code; the frames must agree.
SECOND_FONT_BACKGROUNDS = [
    (288, 336, 294),
    (381, 382, 382),
    (416, 498, 382),
    (349, 375, 372),
    (384, 415, 372),
    (501, 511, 372),
]
# The frame each background glyph stands behind.
BACKGROUND_FRAME = {220: "disc", 294: "disc", 372: "square", 382: "diamond"}

# Design coordinates (y down) to font coordinates (y up).
FLIP = (1, 0, 0, -1, 0, ASCENT)

_scratch = None


def Scratch():
    global _scratch
    if _scratch is None:
        work = fontforge.font()
        _scratch = work.createChar(-1, "scratch")
    return _scratch


def Clean(layer):
    layer = layer.dup()
    if not layer.isEmpty():
        layer.removeOverlap()
        layer.correctDirection()
    return layer


class CubicPen(BasePen):
    """Hands outlines to a fontforge pen as cubic curves, which its cubic glyphs require."""

    def __init__(self, target):
        super().__init__(None)
        self.target = target

    def _moveTo(self, pt):
        self.target.moveTo(pt)

    def _lineTo(self, pt):
        self.target.lineTo(pt)

    def _curveToOne(self, pt1, pt2, pt3):
        self.target.curveTo(pt1, pt2, pt3)

    def _closePath(self):
        self.target.closePath()

    def _endPath(self):
        self.target.endPath()


def Draw(drawFn):
    """Returns the cleaned area drawn by drawFn(pen) in design coordinates (non-zero winding)."""
    glyph = Scratch()
    glyph.clear()
    glyphPen = glyph.glyphPen()
    drawFn(TransformPen(CubicPen(glyphPen), FLIP))
    glyphPen = None
    return Clean(glyph.foreground)


def Union(a, b):
    if a is None:
        return b.dup()
    layer = a.dup()
    layer += b
    return Clean(layer)


def Difference(a, b):
    # Only the part of b that lies on a may be subtracted, or the reversed contours would add area.
    both = a.dup()
    both += b
    both.intersect()
    if both.isEmpty():
        return a.dup()
    both.reverseDirection()
    layer = a.dup()
    layer += both
    return Clean(layer)


def Polygon(points):
    def drawFn(pen):
        pen.moveTo(points[0])
        for point in points[1:]:
            pen.lineTo(point)
        pen.closePath()

    return Draw(drawFn)


def Rect(x0, y0, x1, y1):
    return Polygon([(x0, y0), (x1, y0), (x1, y1), (x0, y1)])


def Circle(cx, cy, r):
    k = 0.5522847498 * r

    def drawFn(pen):
        pen.moveTo((cx + r, cy))
        pen.curveTo((cx + r, cy + k), (cx + k, cy + r), (cx, cy + r))
        pen.curveTo((cx - k, cy + r), (cx - r, cy + k), (cx - r, cy))
        pen.curveTo((cx - r, cy - k), (cx - k, cy - r), (cx, cy - r))
        pen.curveTo((cx + k, cy - r), (cx + r, cy - k), (cx + r, cy))
        pen.closePath()

    return Draw(drawFn)


def RegularPolygon(n, r, cx=500, cy=500, rotation=0.0):
    points = []
    for i in range(n):
        a = math.radians(rotation - 90 + 360.0 * i / n)
        points.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return Polygon(points)


def Star(rOuter, rInner, cx=500, cy=530):
    points = []
    for i in range(10):
        r = rOuter if i % 2 == 0 else rInner
        a = math.radians(-90 + 36 * i)
        points.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return Polygon(points)


def Plus(halfWidth, halfLength, cx=500, cy=500):
    w, l = halfWidth, halfLength
    return Union(Rect(cx - w, cy - l, cx + w, cy + l), Rect(cx - l, cy - w, cx + l, cy + w))


def Rotated(layer, degrees, cx=500, cy=500):
    # Design y runs down, so a clockwise turn on screen is a negative turn in font space.
    fy = ASCENT - cy
    matrix = psMat.compose(psMat.translate(-cx, -fy), psMat.rotate(math.radians(-degrees)))
    matrix = psMat.compose(matrix, psMat.translate(cx, fy))
    layer = layer.dup()
    layer.transform(matrix)
    return Clean(layer)


def Diamond(half, cx=500, cy=500):
    return Polygon([(cx, cy - half), (cx + half, cy), (cx, cy + half), (cx - half, cy)])


def BlockArrow():
    return Union(Rect(400, 440, 600, 900), Polygon([(160, 480), (500, 100), (840, 480)]))


def LineArrow():
    return Union(Rect(455, 330, 545, 920), Polygon([(240, 400), (500, 80), (760, 400)]))


def Flag(outline):
    flag = Rect(230, 70, 870, 490)
    if outline:
        flag = Difference(flag, Rect(310, 150, 790, 410))
    return Union(Rect(150, 70, 230, 940), flag)


def Target():
    ring = Difference(Circle(500, 500, 340), Circle(500, 500, 255))
    ticks = Union(Rect(462, 30, 538, 210), Rect(462, 790, 538, 970))
    ticks = Union(ticks, Rect(30, 462, 210, 538))
    ticks = Union(ticks, Rect(790, 462, 970, 538))
    return Union(Union(ring, ticks), Circle(500, 500, 80))


def Assembly():
    layer = Circle(500, 500, 95)
    for degrees in (0, 90, 180, 270):
        layer = Union(layer, Rotated(Polygon([(340, 40), (660, 40), (500, 300)]), degrees))
    return layer


def Shape(name):
    outline = name.endswith("/o")
    base = name[:-2] if outline else name
    if base == "dot":
        return Circle(500, 500, 190)
    if base == "circle":
        return Difference(Circle(500, 500, 400), Circle(500, 500, 315)) if outline else Circle(
            500, 500, 400)
    if base == "square":
        shape = Rect(120, 120, 880, 880)
        return Difference(shape, Rect(205, 205, 795, 795)) if outline else shape
    if base in ("triangle", "tridown"):
        up = base == "triangle"
        cy = 560 if up else 440
        rotation = 0 if up else 180
        shape = RegularPolygon(3, 480, cy=cy, rotation=rotation)
        return Difference(shape, RegularPolygon(3, 310, cy=cy, rotation=rotation)) if outline \
            else shape
    if base == "diamond":
        shape = Diamond(470)
        return Difference(shape, Diamond(350)) if outline else shape
    if base == "star":
        shape = Star(480, 195)
        return Difference(shape, Star(300, 122)) if outline else shape
    if base == "plus":
        shape = Plus(150, 450)
        return Difference(shape, Plus(75, 375)) if outline else shape
    if base == "x":
        return Rotated(Plus(110, 440), 45)
    polygons = {"hexagon": (6, 0, 92), "pentagon": (5, 0, 105), "octagon": (8, 22.5, 92)}
    if base in polygons:
        sides, rotation, inset = polygons[base]
        cy = 530 if base == "pentagon" else 500
        shape = RegularPolygon(sides, 470, cy=cy, rotation=rotation)
        return Difference(shape, RegularPolygon(sides, 470 - inset, cy=cy,
                                                rotation=rotation)) if outline else shape
    if base == "flag":
        return Flag(outline)
    if base == "bullseye":
        return Union(Difference(Circle(500, 500, 430), Circle(500, 500, 345)),
                     Circle(500, 500, 170))
    if base == "target":
        return Target()
    if base == "assembly":
        return Assembly()
    directions = {"n": 0, "ne": 45, "e": 90, "se": 135, "s": 180, "sw": 225, "w": 270,
                  "nw": 315}
    if base.startswith("arrow_") and base[6:] in directions:
        return Rotated(LineArrow(), directions[base[6:]])
    if base.startswith("evac_") and base[5:] in directions:
        return Rotated(BlockArrow(), directions[base[5:]])
    raise ValueError("unknown shape " + name)


def LoadSvg(path, box):
    """Returns the icon of an SVG file fitted (aspect kept, centred) into box (x, y, size)."""
    root = ET.parse(path).getroot()
    vx, vy, vw, vh = [float(v) for v in root.get("viewBox").replace(",", " ").split()]
    x, y, size = box
    scale = size / max(vw, vh)
    dx = x + (size - vw * scale) / 2 - vx * scale
    dy = y + (size - vh * scale) / 2 - vy * scale
    result = None
    for element in root.iter(SVG_NS + "path"):
        if element.get("fill-opacity") not in (None, "1"):
            continue

        def drawFn(pen, d=element.get("d")):
            parse_path(d, TransformPen(pen, (scale, 0, 0, scale, dx, dy)))

        part = Draw(drawFn)
        if element.get("class") == "cut":
            if result is None:
                raise ValueError(path + ": a cut before any area")
            result = Difference(result, part)
        else:
            result = Union(result, part)
    if result is None or result.isEmpty():
        raise ValueError(path + ": no outline")
    return result


# Segments of the seven-segment letters used for class numbers and incident-site letters.
SEGMENTS = {
    "0": "abcdef", "1": "bc", "2": "abdeg", "3": "abcdg", "4": "bcfg", "5": "acdfg",
    "6": "acdefg", "7": "abc", "8": "abcdefg", "9": "abcdfg", "A": "abcefg", "b": "cdefg",
    "C": "adef", "d": "bcdeg", "E": "adefg", "F": "aefg", "H": "bcefg", "L": "def",
    "P": "abefg", "S": "acdfg", "U": "bcdef",
}


def SegmentText(text, cx, cy, height, width, thickness, gap):
    """Draws text in seven-segment letters centred on (cx, cy)."""
    advances = [thickness if ch == "." else width for ch in text]
    total = sum(advances) + gap * (len(text) - 1)
    x = cx - total / 2.0
    top = cy - height / 2.0
    mid = cy
    bottom = cy + height / 2.0
    t = thickness
    result = None
    for ch, advance in zip(text, advances):
        if ch == ".":
            parts = [Rect(x, bottom - t, x + t, bottom)]
        else:
            w = width
            segs = {
                "a": (x, top, x + w, top + t),
                "b": (x + w - t, top, x + w, mid + t / 2),
                "c": (x + w - t, mid - t / 2, x + w, bottom),
                "d": (x, bottom - t, x + w, bottom),
                "e": (x, mid - t / 2, x + t, bottom),
                "f": (x, top, x + t, mid + t / 2),
                "g": (x, mid - t / 2, x + w, mid + t / 2),
            }
            parts = [Rect(*segs[s]) for s in SEGMENTS[ch]]
        for part in parts:
            result = Union(result, part)
        x += advance + gap
    return result


class Sources:
    def __init__(self, iconDir):
        self.iconDir = iconDir

    def Path(self, source):
        kind, _, name = source.partition(":")
        if kind == "maki":
            return os.path.join(self.iconDir, "@mapbox", "maki", "icons", name + ".svg")
        if kind == "temaki":
            return os.path.join(self.iconDir, "@rapideditor", "temaki", "icons", name + ".svg")
        if kind == "own":
            return os.path.join(HERE, "svg", name + ".svg")
        raise ValueError("unknown source " + source)

    def Icon(self, source, box):
        kind, _, name = source.partition(":")
        if kind == "shape":
            layer = Shape(name)
            x, y, size = box
            scale = size / 1000.0
            layer = layer.dup()
            # Shapes are drawn on the full box; scale them about the design origin, then move.
            fy0 = ASCENT
            matrix = psMat.compose(psMat.translate(0, -fy0), psMat.scale(scale))
            matrix = psMat.compose(matrix, psMat.translate(x, fy0 - y))
            layer.transform(matrix)
            return Clean(layer)
        if kind == "seg":
            return SegmentText(name, box[0] + box[2] / 2.0, box[1] + box[2] / 2.0,
                               box[2] * 0.9, box[2] * 0.55, box[2] * 0.16, 0)
        return LoadSvg(self.Path(source), box)


def Centred(size, cy=500):
    return (500 - size / 2.0, cy - size / 2.0, size)


def RingFrame():
    return Difference(Circle(500, 500, 470), Circle(500, 500, 405))


def BoxFrame():
    return Difference(Rect(40, 40, 960, 960), Rect(105, 105, 895, 895))


def DiamondFrame():
    return Difference(Diamond(480), Diamond(374))


def Background(kind):
    if kind == "disc":
        return Circle(500, 500, 484)
    if kind == "square":
        return Rect(26, 26, 974, 974)
    if kind == "diamond":
        return Diamond(500)
    raise ValueError("unknown background " + kind)


def Tile():
    r = 130

    def drawFn(pen):
        k = 0.5522847498 * r
        x0, y0, x1, y1 = 60, 60, 940, 940
        pen.moveTo((x0 + r, y0))
        pen.lineTo((x1 - r, y0))
        pen.curveTo((x1 - r + k, y0), (x1, y0 + r - k), (x1, y0 + r))
        pen.lineTo((x1, y1 - r))
        pen.curveTo((x1, y1 - r + k), (x1 - r + k, y1), (x1 - r, y1))
        pen.lineTo((x0 + r, y1))
        pen.curveTo((x0 + r - k, y1), (x0, y1 - r + k), (x0, y1 - r))
        pen.lineTo((x0, y0 + r))
        pen.curveTo((x0, y0 + r - k), (x0 + r - k, y0), (x0 + r, y0))
        pen.closePath()

    return Draw(drawFn)


def BuildGlyph(recipe, sources):
    """Returns (layer, frame) for a recipe; frame names the outline a background must cover."""
    if recipe.startswith("fill:"):
        kind = recipe[5:]
        return Background(kind), kind
    if recipe.startswith("frame:"):
        kind = recipe[6:]
        frames = {"ring": (RingFrame, "disc"), "box": (BoxFrame, "square"),
                  "diamond": (DiamondFrame, "diamond")}
        if kind not in frames:
            raise ValueError("unknown frame " + kind)
        return frames[kind][0](), frames[kind][1]
    if recipe.startswith("placard:"):
        # placard:SOURCE:NAME:LABEL, e.g. placard:own:flame:3
        body = recipe[8:]
        source, _, label = body.rpartition(":")
        layer = Union(DiamondFrame(), sources.Icon(source, Centred(270, cy=385)))
        if label:
            layer = Union(layer, SegmentText(label, 500, 650, 150, 78, 26, 18))
        return layer, "diamond"
    source, _, frame = recipe.partition("@")
    if frame == "":
        return sources.Icon(source, Centred(900)), None
    if frame == "ring":
        return Union(RingFrame(), sources.Icon(source, Centred(570))), "disc"
    if frame == "box":
        return Union(BoxFrame(), sources.Icon(source, Centred(650))), "square"
    if frame == "diamond":
        return Union(DiamondFrame(), sources.Icon(source, Centred(390, cy=510))), "diamond"
    if frame == "tile":
        return Difference(Tile(), sources.Icon(source, Centred(620))), None
    raise ValueError("unknown frame " + frame)


def ReadCatalogue(path):
    entries = []
    with open(path, encoding="ascii") as f:
        for lineNo, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) != 3:
                sys.exit("%s:%d: want number, recipe and description" % (path, lineNo))
            number = int(fields[0])
            if not 0 <= number <= 511:
                sys.exit("%s:%d: symbol number out of range" % (path, lineNo))
            entries.append((number, fields[1].strip(), fields[2].strip()))
    numbers = [e[0] for e in entries]
    if len(set(numbers)) != len(numbers):
        sys.exit("%s: a symbol number is listed twice" % path)
    return sorted(entries)


def BackgroundOf(number):
    table = FIRST_FONT_BACKGROUNDS if number < 256 else SECOND_FONT_BACKGROUNDS
    for first, last, glyph in table:
        if first <= number <= last:
            return glyph
    return None


def NewFont(family, weight, comment):
    font = fontforge.font()
    font.encoding = "UnicodeFull"
    font.em = EM
    font.ascent = ASCENT
    font.descent = DESCENT
    font.fontname = family
    font.familyname = family
    font.fullname = family
    font.weight = "Medium" if weight == 500 else "Regular"
    font.os2_weight = weight
    font.version = "1.0"
    font.copyright = comment
    font.appendSFNTName("English (US)", "SubFamily", "Regular")
    for attr in ("os2_winascent_add", "os2_windescent_add", "os2_typoascent_add",
                 "os2_typodescent_add", "hhea_ascent_add", "hhea_descent_add"):
        setattr(font, attr, False)
    font.os2_winascent = ASCENT
    font.os2_windescent = DESCENT
    font.os2_typoascent = ASCENT
    font.os2_typodescent = -DESCENT
    font.os2_typolinegap = 0
    font.hhea_ascent = ASCENT
    font.hhea_descent = -DESCENT
    font.hhea_linegap = 0
    font.os2_use_typo_metrics = True
    notdef = font.createChar(-1, ".notdef")
    notdef.width = EM
    space = font.createChar(0x20, "space")
    space.width = EM
    return font


def AddGlyph(font, number, layer):
    glyph = font.createChar(CODE_BASE + (number & 0xFF), "sym%03d" % number)
    glyph.foreground = layer
    glyph.width = EM
    glyph.round()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--icons", required=True, help="node_modules folder with the icon packages")
    parser.add_argument("--out", required=True, help="output folder (data/fonts)")
    parser.add_argument("--catalogue", default=os.path.join(HERE, "symbols.txt"))
    args = parser.parse_args()

    entries = ReadCatalogue(args.catalogue)
    sources = Sources(args.icons)
    comment = ("Symbol font of TOLVANE. Outlines drawn for the project and taken from the "
               "CC0-1.0 icon sets @mapbox/maki and @rapideditor/temaki.")
    first = NewFont("TOLVANED", 400, comment)
    paper = NewFont("TOLVANEP", 400, comment)
    second = NewFont("TOLVANE2", 500, comment)

    frames = {}
    problems = []
    for number, recipe, description in entries:
        try:
            layer, frame = BuildGlyph(recipe, sources)
        except (ValueError, OSError, ET.ParseError) as error:
            problems.append("%d %s: %s" % (number, recipe, error))
            continue
        frames[number] = frame
        if number < 256:
            AddGlyph(first, number, layer)
            AddGlyph(paper, number, layer)
        else:
            AddGlyph(second, number, layer)

    # A background glyph only hides the map under a symbol when it covers the symbol's frame.
    listed = set(frames)
    for number in sorted(listed):
        background = BackgroundOf(number)
        if background is None:
            continue
        if background not in listed:
            problems.append("%d: background glyph %d is not listed" % (number, background))
        elif frames[number] != BACKGROUND_FRAME[background]:
            problems.append("%d: frame %s does not match background %d" %
                            (number, frames[number], background))
    if problems:
        sys.exit("\n".join(problems))

    os.makedirs(args.out, exist_ok=True)
    first.generate(os.path.join(args.out, "TOLVANED.ttf"))
    paper.generate(os.path.join(args.out, "TOLVANEP.ttf"))
    second.generate(os.path.join(args.out, "TOLVANE2.ttf"))
    with open(os.path.join(args.out, "OverlaySymbols.txt"), "w", encoding="cp1252",
              newline="\n") as f:
        for number, _, description in entries:
            f.write("%d\t%s\n" % (number, description))
    with open(os.path.join(args.out, "background_ranges.txt"), "w", encoding="ascii",
              newline="\n") as f:
        f.write("# Symbols of TOLVANED/TOLVANEP drawn over a white background glyph.\n")
        f.write("# One range a line: first symbol, last symbol, background glyph; TAB-separated.\n")
        for rangeFirst, rangeLast, glyph in FIRST_FONT_BACKGROUNDS:
            f.write("%d\t%d\t%d\n" % (rangeFirst, rangeLast, glyph))
    print("%d symbols: %d in the first font, %d in TOLVANE2" %
          (len(entries), sum(1 for e in entries if e[0] < 256),
           sum(1 for e in entries if e[0] >= 256)))


if __name__ == "__main__":
    main()
