// The Object Settings of one existing object: reading what the dialog shows, and applying what the
// user changed in one step that Undo (kind 14, dialog edit) takes back whole.
#pragma once

#include <cstdint>
#include <string>

#include "base/object_ids.h"
#include "base/world_types.h"
#include "store/object_record.h"

namespace tlv {

struct ObjectSettings {
  int16_t type = 0;
  ObjectID id;
  std::string prefix;
  std::string name;
  ObjectGraphics graphics;
  uint32_t customColour = 0;  // the stored field: RGB with the present and active bits
  WRect rect;
  std::string text;  // a text object's text or a picture object's file name
};

int32_t ReadObjectSettings(const ObjectRef& object, ObjectSettings& settings);

// Why the object may not be changed (the refusal codes of the modify commands), 0 when it may.
int32_t ObjectSettingsRefusal(const ObjectRef& object);

// Rewrites the object with the wanted name, graphics, custom colour and text, moved by (dx, dy)
// (a polyline's or polygon's stored points move with it), through ReplaceObjectContents, which
// re-creates a record whose new contents do not fit; object follows it. A refusal shows its
// message and changes nothing (-1); a name or text over its room shows message 39 or 40. The
// old state is recorded for Undo (kind 14) and the object is selected.
int32_t ApplyObjectSettings(ObjectRef& object, const ObjectSettings& wanted, int32_t dx,
                            int32_t dy);

}  // namespace tlv
