// What the export files share among themselves: one object read for writing, the writer over
// it, and the running hooks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/object_ids.h"
#include "base/world_types.h"
#include "interchange/export.h"
#include "store/object_record.h"

namespace tlv {

struct ExportPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool newPiece = false;
  SegmentAttributes attributes;
};

struct ExportObject {
  ObjectRef ref;
  int16_t type = 0;
  uint32_t modTime = 0;
  ObjectID id;
  WRect rect;
  bool colourActive = false;
  uint32_t rgb = 0;
  uint32_t customField = 0;  // as stored: RGB with the present and active bits
  uint8_t aliasCount = 0;
  std::string prefix;
  std::string name;
  ObjectGraphics graphics;
  std::string text;  // a text object's text, a picture object's file name
  std::vector<ExportPoint> points;
};

// Reads what the writers need (segments only when asked). A kind outside 1 to 8 is said on the
// status line (message 166) and fails.
int32_t ReadExportObject(const ObjectRef& ref, bool withSegments, ExportObject& object);
// Appends the record of the format: 0, kExportPassedOver, kExportRefused or an error.
int32_t WriteExportObject(int32_t format, const ExportObject& object, std::string& sink);

const ExportHooks& CurrentExportHooks();
// The save dialog through the hooks; false on Cancel or without a dialog.
bool ChooseExportFile(const std::string& defaultName, const std::string& fileKind,
                      std::string& path);

}  // namespace tlv
