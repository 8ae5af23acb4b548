// A new object drawn by the user: what the drawing tools and the Object Settings dialog gather,
// the checks it must pass before anything is written, the choice of its map and overlay, and its
// creation with an Undo entry of the creation kind, the edit target remembered and the new
// object selected.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/world_types.h"
#include "edit/life_cycle.h"
#include "store/object_record.h"
#include "store/store_records.h"

namespace tlv {

// One drawn object. rect is the rectangle of a rectangle, circle or picture and the top-left
// anchor of a text (its rectangle then comes from the text's font metrics); a point object is
// placed at point. points hold the vertices of a polyline or polygon, x with kNewPieceBit set on
// the first vertex of every piece after the first.
struct NewObject {
  int16_t type = 0;
  std::string prefix;
  std::string name;
  ObjectGraphics graphics;
  std::optional<uint32_t> customColour;  // RGB with the present and active bits
  int32_t overlayID = 0;                 // 0: DefaultOverlayForNewObject()
  WRect rect;
  WPoint point;
  std::string text;  // a text object's text, or a picture object's file name
  std::vector<WPoint> points;
};

// Why a drawn object cannot be made; each has its message.
enum class NewObjectProblem {
  kNone,
  kOutsideWorld,
  kNoSize,
  kTooFewPolylinePoints,
  kTooFewPolygonPoints,
  kNoText,
  kNameTooLong,
  kTextTooLong,
  kUnknownKind,
};

// Whether a screen-drawn world point lies inside the world. Points the map view maps outside it
// (beyond the poles or the date line) are refused rather than moved.
bool WorldPointInside(WPoint p);

// The shape and text checks, before a map or overlay is chosen.
NewObjectProblem CheckNewObject(const NewObject& object);
// The message shown for a problem (empty for kNone).
std::string NewObjectProblemText(NewObjectProblem problem);

// The overlays a new object may go to: those with lock state 0, in list order.
std::vector<int32_t> UnlockedOverlayIDs();
// The edit target's overlay when it is still unlocked, else the first unlocked overlay that is
// not the Temporary Overlay, else the Temporary Overlay when it is unlocked; 0 when none is.
int32_t DefaultOverlayForNewObject();
// An overlay's default graphics, as a new object on it starts with.
ObjectGraphics OverlayDefaultGraphics(int32_t overlayID);

// Makes the object: the checks (a refusal shows its message and makes nothing), an unlocked
// overlay (string 151 when none is), the map (ChooseEditMap, string 152 when none may be
// edited), CreateObject, an Undo entry of kind 15, the edit target, and the new object as the
// only selected object. made receives the new object. 0, or -1 after a refusal, or the I/O
// error (reported) that stopped the creation.
int32_t AddNewObject(const NewObject& object, ObjectRef& made);
// Copies a picture file into a map's folder under a name no file there has yet (message 33 when
// none is left): 0 with the copy's name and full path, or the failure, reported, with nothing
// left behind. A source that is no readable file is refused.
int32_t CopyPictureToMapFolder(const MapRecord& map, const std::string& pictureFile,
                               std::string& copyName, std::string& copyPath);
// A picture object showing a picture file from anywhere: as AddNewObject, and once the map is
// chosen the file is copied into the map's folder under a name no file there has yet (message
// 33 when none is left); the object names the copy. A source that is no readable file is
// refused; a failure after the copy deletes the copy again, so nothing stray stays behind.
int32_t AddPictureObject(const NewObject& object, const std::string& pictureFile, ObjectRef& made);

}  // namespace tlv
