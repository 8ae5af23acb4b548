#include "cli/object_list_output.h"

#include "base/object_ids.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "cli/json_text.h"
#include "store/object_record.h"

namespace tlv::cli {

int32_t ListedObjectJson(int32_t mapID, int32_t overlayID, int32_t position, const char (&key)[4],
                         int32_t flags, std::string& json) {
  MapRecord map;
  if (!GetMapRecord(MapIDToIndex(mapID), map)) return -1;
  int32_t mapIndex = -1, fileIndex = -1;
  int32_t err = AllocateSpaceForFile(mapID, overlayID, kObjectFileKind, kSmallWindowSize, &mapIndex,
                                     &fileIndex);
  if (err != 0) return err;
  BufferedFile& file = CurrentObjectFile();
  ObjectID id;
  err = FSGetObjectID(file, position, id.high, id.low);
  std::string name;
  if (err == 0) err = GetObjectDisplayName(file, position, name);
  if (err != 0) return err;
  size_t keyLength = 4;
  while (keyLength > 0 && key[keyLength - 1] == '\0') --keyLength;
  json = JsonObject()
             .Text("map", FieldText(map.name))
             .Text("overlay", LayerName(LayerIDToIndex(overlayID)))
             .Number("position", position)
             .Text("id", ObjectIDText(id))
             .Text("name", name)
             .Text("key", std::string_view(key, keyLength))
             .Number("flags", flags)
             .Str();
  return 0;
}

std::string ListCountsJson(int64_t count, int64_t aliases, int64_t notFound) {
  return JsonObject()
      .Number("count", count)
      .Number("aliases", aliases)
      .Number("notFound", notFound)
      .Str();
}

}  // namespace tlv::cli
