// The conversions of tolvane-convert between interchange text and shapefiles (the .shp, .shx,
// .dbf and .prj set), written and read through shapelib's file hooks.
#pragma once

#include <shapefil.h>

#include <cstdint>
#include <map>
#include <string>

namespace tlv::convert {

// Shapefile kinds of mie2shp.
enum class ShapeKind { kPoint, kPolyline, kPolygon };
// "POINT", "POLYLINE" or "POLYGON"; false for any other word.
bool ShapeKindFromWord(const std::string& word, ShapeKind& kind);

// What a conversion did.
struct ConvertSummary {
  int32_t records = 0;  // records read
  int32_t written = 0;  // shapes written
  int32_t skipped = 0;  // records of another kind, or shapes without usable points
};

// Hooks that write through a 1 MiB write-back window with pwrite, so the many small seeks and
// writes per record cost no system calls; reads see what was written. Numbers are read in the C
// locale.
void SetUpWindowHooks(SAHooks& hooks);

// Hooks over files held in memory (name to bytes), for tests and the fuzz target; files
// created through them are added to the same map.
void SetUpMemoryHooks(SAHooks& hooks, std::map<std::string, std::string>* files);

// Reads interchange records from mieBytes and writes outBase.shp, .shx, .dbf and .prj: points
// as points; polylines with a part per FROM; polygons, rectangles (five-point ring) and circles
// (100 points and the closing one, an ellipse in the rectangle) as polygons, each ring closed
// and oriented by SHPRewindObject. The table holds NAME, LAYER, MAP, ID, KIND, COLOR and
// SYMBOL in Windows-1252. 0, or non-zero with error saying why.
int32_t MIEToShapefile(const std::string& mieBytes, ShapeKind kind, const std::string& outBase,
                       SAHooks& hooks, ConvertSummary& summary, std::string& error);

// Reads the shapefile set of shpPath (a .dbf beside it is optional) and appends one interchange
// record per shape to mie: each ring or part a FROM, the NAME field as the name, LAYER and MAP
// fields when present (else the file's base name and the User's Map); Z and M are dropped.
// 0, or non-zero with error saying why.
int32_t ShapefileToMIE(const std::string& shpPath, SAHooks& hooks, std::string& mie,
                       ConvertSummary& summary, std::string& error);

}  // namespace tlv::convert
