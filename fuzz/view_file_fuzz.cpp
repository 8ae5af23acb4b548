// Feeds arbitrary bytes to the readers of a saved view: the 134-byte view file and its thumbnail
// (a packed bitmap). A decoded view always has terminated names and encodes back to a file that
// decodes to the same record; a thumbnail that decodes has exactly its pixels, never more.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/dib_file.h"
#include "catalogue/views.h"

namespace {

using namespace tlv;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  if (size >= static_cast<size_t>(kViewFileSize)) {
    const ViewRecord view = DecodeSavedViewImage(bytes);
    Check(std::memchr(view.name, 0, sizeof view.name) != nullptr);
    Check(std::memchr(view.mapName, 0, sizeof view.mapName) != nullptr);
    Check(std::memchr(view.fileName, 0, sizeof view.fileName) != nullptr);
    char again[kViewFileSize];
    EncodeSavedViewImage(view, again);
    const ViewRecord back = DecodeSavedViewImage(again);
    Check(SameViewByName(view, back) && SameViewByFile(view, back));
    Check(view.flagA == back.flagA && view.flagB == back.flagB);
    Check(std::strcmp(view.mapName, back.mapName) == 0);
  }
  // The thumbnail reader sees the bytes after the view file's, or all of a short input.
  const size_t skip = size >= static_cast<size_t>(kViewFileSize) ? kViewFileSize : 0;
  DibImage image;
  if (DecodeDib(std::string(bytes + skip, size - skip), image) == 0) {
    Check(image.width > 0 && image.height > 0);
    Check(image.argb.size() ==
          static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
  }
  return 0;
}
