#include "cli/zepha_command.h"

#include <fstream>
#include <iterator>
#include <ostream>

#include "base/strings.h"
#include "cli/json_text.h"
#include "tools/threat_zone.h"

namespace tlv::cli {

namespace {

constexpr int kUsage = 64;

int64_t PlacemarkCount(const std::string& path) {
  if (path.empty()) return 0;
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int64_t count = 0;
  for (size_t at = text.find("<Placemark>"); at != std::string::npos;
       at = text.find("<Placemark>", at + 1)) {
    ++count;
  }
  return count;
}

int PrintLabels(const std::string& pas, std::ostream& out) {
  ReadThreatZoneLabels(pas);
  const ThreatZoneLabels& labels = CurrentThreatZoneLabels();
  out << JsonObject()
             .Text("yellow", labels.yellow)
             .Text("orange", labels.orange)
             .Text("red", labels.red)
             .Str()
      << "\n";
  return 0;
}

int PrintName(const std::string& name, const std::string& pas, std::ostream& out) {
  ReadThreatZoneLabels(pas);
  std::string renamed = name;
  NameThreatZoneObject(renamed);
  ForgetThreatZoneLabels();
  out << JsonObject().Text("in", name).Text("out", renamed).Str() << "\n";
  return 0;
}

int ExportKml(std::ostream& out) {
  ThreatZoneExport result;
  const int32_t err = ExportThreatZoneKml(&result);
  JsonObject kml;
  kml.Text("polygons", result.polygons).Text("points", result.points);
  JsonObject placemarks;
  placemarks.Number("polygons", PlacemarkCount(result.polygons))
      .Number("points", PlacemarkCount(result.points));
  JsonObject line;
  line.Number("objects", result.objects)
      .Number("exported", result.exported)
      .Text("mie", result.exported > 0 ? result.mie : "")
      .Bool("summary", result.summary)
      .Raw("kml", kml.Str())
      .Raw("placemarks", placemarks.Str());
  if (result.message != 0) {
    line.Text("message", GetIndString(25600, static_cast<int16_t>(result.message)));
  } else {
    line.Null("message");
  }
  out << line.Str() << "\n";
  // Nothing to export is no failure; a problem the user was told of is.
  return err == 0 || result.message == 75 ? 0 : 1;
}

}  // namespace

bool IsZephaCommand(const std::vector<std::string>& words) {
  return !words.empty() && words[0] == "zepha";
}

int RunZephaCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  const std::string sub = words.size() > 1 ? words[1] : "";
  if (sub == "labels" && words.size() == 3) {
    return PrintLabels(words[2], out);
  }
  if (sub == "name" && words.size() == 5 && words[3] == "--pas") {
    return PrintName(Windows1252FromUtf8(words[2]), words[4], out);
  }
  if (sub == "kml" && (words.size() == 2 || (words.size() == 4 && words[2] == "--zepha-folder"))) {
    if (words.size() == 4) SetThreatZoneFolderOverride(words[3]);
    return ExportKml(out);
  }
  err << "usage: tolvane-cli zepha labels PAS | zepha name NAME --pas PAS |"
         " zepha kml [--zepha-folder DIR]\n";
  return kUsage;
}

}  // namespace tlv::cli
