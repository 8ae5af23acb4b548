// Interchange text to KML 2.2: the areas and lines of the records in one document, the points in
// another, each placemark styled red, orange, yellow or other after its name or colour. Text is
// Windows-1252 in the interchange file and UTF-8 in KML.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tlv::convert {

struct KmlSummary {
  int32_t records = 0;
  int32_t polygons = 0;  // placemarks of the areas-and-lines document
  int32_t points = 0;    // placemarks of the points document
  int32_t skipped = 0;   // records of other kinds, or without a usable outline
};

struct KmlDocuments {
  std::string polygons;
  std::string points;
};

// The description (Windows-1252 HTML, may be empty) goes into both documents. 0, or non-zero
// with error saying why.
int32_t MIEToKml(const std::string& mieBytes, std::string_view description, KmlDocuments& documents,
                 KmlSummary& summary, std::string& error);

// Windows-1252 bytes as UTF-8; codes that XML cannot carry become U+FFFD.
std::string Windows1252ToXmlUtf8(std::string_view bytes);

}  // namespace tlv::convert
