#include "cli/collection_command.h"

#include <ostream>
#include <utility>

#include "catalogue/open_files.h"
#include "cli/object_list_output.h"
#include "search/collection.h"
#include "search/collection_file.h"

namespace tlv::cli {
namespace {

constexpr const char* kUsage =
    "tolvane-cli: collection load FILE.msc [--mode replace|union|subset --base B.msc] "
    "[--save OUT.msc]\n";

}  // namespace

bool IsCollectionCommand(const std::vector<std::string>& words) {
  return !words.empty() && words[0] == "collection";
}

int RunCollectionCommand(const std::vector<std::string>& words, std::ostream& out,
                         std::ostream& err) {
  if (words.size() < 3 || words[1] != "load") {
    err << kUsage;
    return 1;
  }
  const std::string& file = words[2];
  std::string mode = "replace", base, save;
  for (size_t i = 3; i < words.size(); ++i) {
    const std::string& w = words[i];
    std::string* into = w == "--mode"   ? &mode
                        : w == "--base" ? &base
                        : w == "--save" ? &save
                                        : nullptr;
    if (into == nullptr || i + 1 >= words.size()) {
      err << kUsage;
      return 1;
    }
    *into = words[++i];
  }
  const int32_t way = mode == "replace"  ? kCollectionLoadReplace
                      : mode == "union"  ? kCollectionLoadUnion
                      : mode == "subset" ? kCollectionLoadSubset
                                         : 0;
  if (way == 0) {
    err << "tolvane-cli: --mode takes replace, union or subset\n";
    return 1;
  }
  int32_t notFound = 0;
  const std::pair<std::string, int32_t> loads[2] = {{base, kCollectionLoadReplace}, {file, way}};
  for (const auto& [path, loadWay] : loads) {
    if (path.empty()) continue;
    CollectionLoadResult loaded;
    if (ReadCollectionFile(path, loadWay, &loaded) != 0) {
      err << "tolvane-cli: " << path << " could not be loaded\n";
      return 1;
    }
    notFound += loaded.notFound;
  }
  // Every run of equal keys is settled, as the window settles the runs it shows.
  for (int32_t i = 0; i < CollectedObjectCount();) {
    int32_t first = i, last = i;
    if (CompleteLocalSCSort(i, &first, &last) != 0) break;
    i = last + 1;
  }
  if (!save.empty() && WriteCollectionFile(save) != 0) {
    err << "tolvane-cli: " << save << " could not be written\n";
    return 1;
  }
  int32_t aliases = 0;
  CollectionEntry e;
  for (int32_t i = 0; GetCollectedObject(i, e); ++i) {
    std::string json;
    if (ListedObjectJson(e.mapID, e.overlayID, e.position, e.key, e.flags, json) != 0) {
      err << "tolvane-cli: the object at " << e.position << " could not be read\n";
      return 1;
    }
    if ((e.flags & kCollectionAlias) != 0) ++aliases;
    out << json << "\n";
  }
  out << ListCountsJson(CollectedObjectCount(), aliases, notFound) << "\n";
  CloseBufferedFiles();
  return 0;
}

}  // namespace tlv::cli
