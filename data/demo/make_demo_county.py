#!/usr/bin/env python3
"""Writes Cassel_County.mie, the demo map of a fictional county, in the interchange text format.

The county, its towns, roads, river and facilities are invented; the generator is seeded so the
file comes out the same every time. Run it from any folder; it writes next to itself.
"""

import math
import os
import random

MAP = "Cassel County"
DATE = "11/15/2026"
ID_HIGH = 0x3E8A1C00
rng = random.Random(1869)
records = []


def next_id():
    return "%08X%08X" % (ID_HIGH, len(records) + 1)


def head(name, layer, kind, prefix=""):
    return '"" "" "" "%s" 2 "%s" "%s" 0 "%s" "%s" %s "%s" 0 "" 0 ONLY 0' % (
        DATE, prefix, name, layer, MAP, kind, next_id())


def fmt(value):
    return ("%.6f" % value).rstrip("0").rstrip(".")


def segment_list(pieces, attributes=None):
    lines = ["{"]
    for piece_index, piece in enumerate(pieces):
        for i, (lon, lat) in enumerate(piece):
            extra = ""
            if attributes and i == 0 and piece_index == 0:
                extra = " " + " ".join(attributes)
            lines.append(" { %s %s %s%s }" % ("FROM" if i == 0 else "TO", fmt(lon), fmt(lat), extra))
    lines.append("}")
    return "\n".join(lines)


def polyline(name, layer, points, colour="BLACK", size=1, line="BLACK", attributes=None,
             kind="POLYLINE", fill="NONE", pieces=None):
    records.append("%s\n%s %d %s %s %s" % (head(name, layer, kind), colour, size, line, fill,
                                           segment_list(pieces or [points], attributes)))


def polygon(name, layer, rings, colour, fill, size=1, line="BLACK"):
    records.append("%s\n%s %d %s %s %s" % (head(name, layer, "POLYGON"), colour, size, line,
                                           fill, segment_list(rings)))


def symbol(name, layer, lon, lat, number, colour="BLACK"):
    records.append("%s\n%s 1 %d %s %s" % (head(name, layer, "POINT"), colour, number, fmt(lon),
                                          fmt(lat)))


def label(text, lon, lat, width, height, colour="BLACK", font=21, style=2):
    records.append('%s\n%s NO %d %d "%s" %s %s %s %s' % (
        head("", "LABELS", "TEXT"), colour, font, style, text, fmt(lon - width / 2),
        fmt(lat - height / 2), fmt(lon + width / 2), fmt(lat + height / 2)))


def shape(kind, name, layer, lon1, lat1, lon2, lat2, colour, fill, line="BLACK", size=2):
    records.append("%s\n%s %d %s %s %s %s %s %s" % (head(name, layer, kind), colour, size, line,
                                                    fill, fmt(lon1), fmt(lat1), fmt(lon2),
                                                    fmt(lat2)))


def wander(a, b, step=0.006, jitter=0.0025):
    """Points from a to b with a gentle sideways drift, as roads and creeks follow the ground."""
    (x1, y1), (x2, y2) = a, b
    n = max(2, int(math.hypot(x2 - x1, y2 - y1) / step))
    nx, ny = -(y2 - y1), x2 - x1
    norm = math.hypot(nx, ny) or 1.0
    nx, ny = nx / norm, ny / norm
    drift = 0.0
    points = []
    for i in range(n + 1):
        t = i / n
        if 0 < i < n:
            drift = drift * 0.7 + rng.uniform(-jitter, jitter)
        taper = math.sin(math.pi * t)
        points.append((x1 + (x2 - x1) * t + nx * drift * taper,
                       y1 + (y2 - y1) * t + ny * drift * taper))
    return points


def blob(cx, cy, rx, ry, count, roughness):
    ring = []
    for i in range(count):
        a = 2 * math.pi * i / count
        r = 1.0 + rng.uniform(-roughness, roughness)
        ring.append((cx + rx * r * math.cos(a), cy + ry * r * math.sin(a)))
    ring.append(ring[0])
    return ring


# The county line.
boundary = [(-78.60, 38.42), (-78.36, 38.40), (-78.18, 38.41), (-78.02, 38.45), (-78.00, 38.60),
            (-78.03, 38.79), (-78.20, 38.84), (-78.41, 38.83), (-78.58, 38.80), (-78.62, 38.62),
            (-78.60, 38.42)]
edge = []
for a, b in zip(boundary, boundary[1:]):
    edge.extend(wander(a, b, 0.01, 0.002)[:-1])
edge.append(edge[0])
polygon("Cassel County", "COUNTY BOUNDARY", [edge], "DARKGRAY", "NONE", 3, "DASHDOT")

towns = {
    "Aldermoor": (-78.300, 38.630),
    "Brennick": (-78.470, 38.740),
    "Coldwater Springs": (-78.160, 38.520),
    "Fenwick": (-78.440, 38.500),
    "Marlow Gap": (-78.130, 38.760),
}

# Highways between the towns and out to the county line.
highways = [
    ("US 317", "RED", 3, [(-78.59, 38.79), towns["Brennick"], towns["Aldermoor"],
                          towns["Coldwater Springs"], (-78.03, 38.46)], "A21"),
    ("State Route 42", "ORANGE", 2, [(-78.60, 38.46), towns["Fenwick"], towns["Aldermoor"],
                                     towns["Marlow Gap"], (-78.10, 38.83)], "A31"),
    ("State Route 9", "ORANGE", 2, [towns["Brennick"], (-78.47, 38.62), towns["Fenwick"],
                                    (-78.42, 38.41)], "A31"),
    ("State Route 118", "ORANGE", 2, [towns["Coldwater Springs"], (-78.10, 38.64),
                                      towns["Marlow Gap"], (-78.01, 38.72)], "A31"),
]
junctions = []
for index, (name, colour, size, stops, cfcc) in enumerate(highways):
    points = []
    for a, b in zip(stops, stops[1:]):
        points.extend(wander(a, b, 0.006, 0.0015)[:-1])
    points.append(stops[-1])
    junctions.extend(points[::6])
    polyline(name, "ROADS", points, colour, size, "BLACK",
             ['{ TLID %d }' % (740100 + index), '{ CFCC "%s" }' % cfcc])

# Rural county roads joining points of the highways.
road_names = ["Old Mill", "Quarry", "Sawyer", "Linden", "Harrow", "Bell Ford", "Ridge", "Tanner",
              "Orchard", "Cedar Run", "Hollow", "Pike", "Ashby", "Crane", "Dunmore", "Greenway",
              "Kestrel", "Lost Corner", "Meadow", "Nettle", "Pinecrest", "Rook", "Stony Lick",
              "Turkey Hill", "Upton", "Vale", "Wexley", "Yarrow", "Briar", "Copper Kettle"]
numbered_roads = ["County Road %d" % (600 + 7 * i) for i in range(40)]
for i, name in enumerate(road_names + numbered_roads):
    a = rng.choice(junctions)
    angle = rng.uniform(0, 2 * math.pi)
    length = rng.uniform(0.04, 0.11)
    b = (min(-78.02, max(-78.59, a[0] + length * math.cos(angle))),
         min(38.81, max(38.43, a[1] + length * math.sin(angle))))
    full = name if name.startswith("County Road") else "%s Road" % name
    polyline(full, "ROADS", wander(a, b, 0.005, 0.003), "BROWN", 1)
    junctions.append(b)

# Town streets: a loose grid around each centre.
street_words = ["Main", "Church", "Market", "High", "Mill", "Spring", "Walnut", "Chestnut",
                "Elm", "Oak", "Maple", "Water", "Court", "Depot", "School", "Park"]
for town, (cx, cy) in towns.items():
    size = 4 if town == "Aldermoor" else 3
    spacing = 0.004
    words = street_words[:]
    rng.shuffle(words)
    for k in range(-size, size + 1):
        half = spacing * (size + 0.5)
        polyline("%s Street" % words.pop(), "ROADS",
                 [(cx - half, cy + k * spacing), (cx + half, cy + k * spacing + rng.uniform(-0.0005, 0.0005))],
                 "GRAY", 1)
        polyline("%s %d Avenue" % (town.split()[0], k + size + 1), "ROADS",
                 [(cx + k * spacing, cy - half), (cx + k * spacing + rng.uniform(-0.0005, 0.0005), cy + half)],
                 "GRAY", 1)

# The river from the north-west corner to the south-east, with its creeks.
river_stops = [(-78.58, 38.81), (-78.50, 38.70), (-78.38, 38.66), (-78.30, 38.60),
               (-78.20, 38.56), (-78.12, 38.49), (-78.03, 38.44)]
river = []
for a, b in zip(river_stops, river_stops[1:]):
    river.extend(wander(a, b, 0.003, 0.0035)[:-1])
river.append(river_stops[-1])
polyline("Tessaly River", "RIVERS", river, "BLUE", 3)
creeks = ["Alder Creek", "Bluestone Creek", "Fox Run", "Mercer Branch", "Pollard Creek",
          "Silver Brook", "Wolf Creek", "Hatcher Run"]
for i, name in enumerate(creeks):
    mouth = river[12 + i * (len(river) - 24) // len(creeks)]
    side = 1 if i % 2 == 0 else -1
    source = (mouth[0] + rng.uniform(-0.06, 0.06), mouth[1] + side * rng.uniform(0.06, 0.12))
    polyline(name, "RIVERS", wander(source, mouth, 0.004, 0.003), "LIGHTBLUE", 1)

# Water and parks.
lake = blob(-78.215, 38.705, 0.030, 0.016, 36, 0.18)
polygon("Lake Merrow", "WATER", [lake], "LIGHTBLUE", "GRAY", 1)
polygon("Sutter Pond", "WATER", [blob(-78.52, 38.56, 0.008, 0.005, 18, 0.2)], "LIGHTBLUE",
        "GRAY", 1)
park = blob(-78.53, 38.66, 0.045, 0.030, 28, 0.25)
clearing = blob(-78.535, 38.665, 0.006, 0.004, 10, 0.1)
polygon("Greystone State Park", "PARKS", [park, clearing], "DARKGREEN", "LIGHTGRAY", 1)
for town, (cx, cy) in towns.items():
    polygon("%s Town Park" % town.split()[0], "PARKS",
            [blob(cx + 0.007, cy - 0.006, 0.0025, 0.0018, 8, 0.15)], "GREEN", "LIGHTGRAY", 1)


def near(town, spread=0.012):
    cx, cy = towns[town]
    return cx + rng.uniform(-spread, spread), cy + rng.uniform(-spread, spread)


# Hospitals, schools, fire stations and other facilities.
symbol("Cassel Regional Medical Center", "HOSPITALS", *near("Aldermoor"), 54, "RED")
symbol("Brennick Community Hospital", "HOSPITALS", *near("Brennick"), 54, "RED")
symbol("Coldwater Springs Clinic", "HOSPITALS", *near("Coldwater Springs"), 54, "RED")

schools = ["Elementary School", "Middle School", "High School", "Primary School"]
for town in towns:
    for kind in schools[: 4 if town == "Aldermoor" else 3]:
        symbol("%s %s" % (town, kind), "SCHOOLS", *near(town), 51, "BLACK")
for name in ["Harrow Valley School", "Linden Ridge Academy", "Stony Lick School",
             "Greenway Christian School", "Cassel County Technical Center",
             "Upton Crossroads School"]:
    lon, lat = rng.choice(junctions)
    symbol(name, "SCHOOLS", lon, lat, 51, "BLACK")

station = 1
for town in towns:
    for _ in range(2 if town in ("Aldermoor", "Brennick") else 1):
        symbol("Fire Station %d" % station, "FIRE STATIONS", *near(town), 64, "RED")
        station += 1
for _ in range(4):
    lon, lat = rng.choice(junctions)
    symbol("Volunteer Fire Station %d" % station, "FIRE STATIONS", lon, lat, 64, "RED")
    station += 1

facility_kinds = [
    (100, "Distribution Center"), (100, "Warehouse"), (101, "Chemical Plant"),
    (115, "Water Treatment Plant"), (116, "Wastewater Treatment Plant"), (117, "Water Tower"),
    (65, "Police Station"), (77, "Library"), (151, "Church"), (172, "Feed Mill"),
    (131, "Park and Ride"), (100, "Substation"), (100, "Cold Storage"), (101, "Fertilizer Depot"),
]
plant = None
used_names = {}
for i in range(84):
    number, kind = facility_kinds[i % len(facility_kinds)]
    if i % 3 == 0:
        lon, lat = rng.choice(junctions)
        where = rng.choice(road_names)
    else:
        town = rng.choice(list(towns))
        lon, lat = near(town, 0.016)
        where = town
    name = "%s %s" % (where, kind)
    # A second site of the same kind in the same place is numbered, as counties name them.
    used_names[name] = used_names.get(name, 0) + 1
    if used_names[name] > 1:
        name = "%s No. %d" % (name, used_names[name])
    symbol(name, "FACILITIES", lon, lat, number, "PURPLE" if number == 101 else "BLACK")
    if number == 101 and plant is None:
        plant = (name, lon, lat)

# Planning shapes: a one-mile circle around the first chemical plant and a staging area.
name, lon, lat = plant
dlat = 1.0 / 69.0
dlon = dlat / math.cos(math.radians(lat))
shape("CIRCLE", "%s Planning Zone" % name, "PLANNING ZONES", lon - dlon, lat - dlat, lon + dlon,
      lat + dlat, "RED", "NONE", "DASHES", 2)
ax, ay = towns["Aldermoor"]
shape("RECT", "County Fairgrounds Staging Area", "PLANNING ZONES", ax + 0.018, ay + 0.010,
      ax + 0.030, ay + 0.018, "DARKBLUE", "DOWNSTRIPES", "BLACK", 2)

# Labels for the towns and the larger features.
for town, (cx, cy) in towns.items():
    label(town.upper(), cx, cy + 0.022, 0.012 * len(town) / 3, 0.008, "BLACK", 21, 2)
label("Tessaly River", -78.41, 38.675, 0.05, 0.006, "BLUE", 20, 3)
label("Lake Merrow", -78.215, 38.728, 0.04, 0.006, "BLUE", 20, 3)
label("Greystone State Park", -78.53, 38.70, 0.07, 0.007, "DARKGREEN", 21, 1)

path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "Cassel_County.mie")
with open(path, "w", newline="\r\n") as out:
    out.write("\n".join(records) + "\n")
print("%d objects written to %s" % (len(records), path))
