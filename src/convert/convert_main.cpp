// tolvane-convert: the converter between interchange text and shapefiles that the basemap
// package's mie2shp and shp2mie tools run.
//   tolvane-convert mie2shp IN.mie POINT|POLYLINE|POLYGON OUTBASE
//   tolvane-convert shp2mie IN.shp OUT.mie
//   tolvane-convert mie2kml IN.mie
//     writes zepha_polygons.kml (areas and lines) and zepha_points.kml beside IN.mie, with
//     zep_ftp.txt from the same folder as their description when it is there
// Prints one JSON line with the counts; 0 on success, 1 on failure (a line on standard error),
// 64 for bad usage.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>

#include "convert/kml_convert.h"
#include "convert/shape_convert.h"

namespace {

constexpr int kExitUsage = 64;

void PrintUsage() {
  std::cerr << "usage: tolvane-convert mie2shp IN.mie POINT|POLYLINE|POLYGON OUTBASE\n"
               "       tolvane-convert shp2mie IN.shp OUT.mie\n"
               "       tolvane-convert mie2kml IN.mie\n";
}

// In one read: the work files run to hundreds of megabytes.
bool ReadWhole(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return false;
  const std::streamoff size = in.tellg();
  if (size < 0) return false;
  bytes.resize(static_cast<size_t>(size));
  in.seekg(0);
  in.read(bytes.data(), size);
  return static_cast<bool>(in);
}

// Written beside and renamed, so a failed run leaves no partial file under the name.
bool WriteWhole(const std::string& path, const std::string& bytes) {
  const std::string work = path + ".work";
  {
    std::ofstream out(work, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::remove(work.c_str());
      return false;
    }
  }
  return std::rename(work.c_str(), path.c_str()) == 0;
}

void PrintSummary(const tlv::convert::ConvertSummary& summary,
                  std::chrono::steady_clock::time_point start) {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  char line[160];
  std::snprintf(line, sizeof line,
                "{\"records\":%d,\"written\":%d,\"skipped\":%d,\"seconds\":%d.%03d}",
                summary.records, summary.written, summary.skipped, static_cast<int>(seconds),
                static_cast<int>((seconds - static_cast<int>(seconds)) * 1000));
  std::cout << line << "\n";
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

int MIEToKmlFiles(const std::string& miePath, std::chrono::steady_clock::time_point start) {
  std::string mie;
  if (!ReadWhole(miePath, mie)) {
    std::cerr << "tolvane-convert: cannot read " << miePath << "\n";
    return 1;
  }
  const std::string folder = FolderOf(miePath);
  // The run summary is optional: without it the documents simply have no description.
  std::string description;
  if (!ReadWhole(folder + "zep_ftp.txt", description)) description.clear();
  tlv::convert::KmlDocuments documents;
  tlv::convert::KmlSummary summary;
  std::string error;
  if (tlv::convert::MIEToKml(mie, description, documents, summary, error) != 0) {
    std::cerr << "tolvane-convert: " << error << "\n";
    return 1;
  }
  for (const auto& [name, bytes] : {std::pair{"zepha_polygons.kml", &documents.polygons},
                                    std::pair{"zepha_points.kml", &documents.points}}) {
    if (!WriteWhole(folder + name, *bytes)) {
      std::cerr << "tolvane-convert: cannot write " << folder << name << "\n";
      return 1;
    }
  }
  const double seconds = SecondsSince(start);
  char line[200];
  std::snprintf(line, sizeof line,
                "{\"records\":%d,\"polygons\":%d,\"points\":%d,\"skipped\":%d,"
                "\"seconds\":%d.%03d}",
                summary.records, summary.polygons, summary.points, summary.skipped,
                static_cast<int>(seconds),
                static_cast<int>((seconds - static_cast<int>(seconds)) * 1000));
  std::cout << line << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const auto start = std::chrono::steady_clock::now();
  const std::string command = argc > 1 ? argv[1] : "";
  tlv::convert::ConvertSummary summary;
  std::string error;
  SAHooks hooks;
  tlv::convert::SetUpWindowHooks(hooks);
  if (command == "mie2shp" && argc == 5) {
    tlv::convert::ShapeKind kind;
    if (!tlv::convert::ShapeKindFromWord(argv[3], kind)) {
      PrintUsage();
      return kExitUsage;
    }
    std::string mie;
    if (!ReadWhole(argv[2], mie)) {
      std::cerr << "tolvane-convert: cannot read " << argv[2] << "\n";
      return 1;
    }
    if (tlv::convert::MIEToShapefile(mie, kind, argv[4], hooks, summary, error) != 0) {
      std::cerr << "tolvane-convert: " << error << "\n";
      return 1;
    }
  } else if (command == "shp2mie" && argc == 4) {
    std::string mie;
    if (tlv::convert::ShapefileToMIE(argv[2], hooks, mie, summary, error) != 0) {
      std::cerr << "tolvane-convert: " << error << "\n";
      return 1;
    }
    if (!WriteWhole(argv[3], mie)) {
      std::cerr << "tolvane-convert: cannot write " << argv[3] << "\n";
      return 1;
    }
  } else if (command == "mie2kml" && argc == 3) {
    return MIEToKmlFiles(argv[2], start);
  } else {
    PrintUsage();
    return kExitUsage;
  }
  PrintSummary(summary, start);
  return 0;
}
