#include "base/object_ids.h"

#include <cstdio>

namespace tlv {

std::string ObjectIDText(const ObjectID& id) {
  char text[17];
  std::snprintf(text, sizeof text, "%08lX%08lX",
                static_cast<unsigned long>(static_cast<uint32_t>(id.high)),
                static_cast<unsigned long>(static_cast<uint32_t>(id.low)));
  return text;
}

}  // namespace tlv
