// Which of the import formats a file holds, told from its last lines.
#pragma once

#include <cstdint>

#include "base/endian.h"

namespace tlv {

enum ImportFileType : int32_t {
  kImportFileMIE = 0,
  // Coordinate lists: one point per line and a single final "END".
  kImportFileCoordinateListSingleEnd = 1,
  // Coordinate lists: "END" after each object and a final "END".
  kImportFileCoordinateListObjectEnds = 2,
};

// Reads the file's last 99 bytes (the whole file when shorter). The last non-empty line's first
// word decides: not "END" is the interchange format; "END" looks one non-empty line further
// back. A read failure is reported here and returned.
int32_t DetermineFileType(ByteSource& file, int32_t& type);

}  // namespace tlv
