// What saving the map view as a picture file needs and gives, whichever writer does it: the
// bitmap writers of the Qt side or the metafile writers of the core.
#pragma once

#include <cstdint>
#include <functional>

#include "render/draw_map.h"
#include "render/map_view.h"

namespace tlv {

enum class PictureKind : int16_t {
  kBitmap = 0,
  kMetafile = 1,
  kEnhancedMetafile = 2,
  kPng = 3,
};

// The result when the user stopped the save (nothing reported, nothing written).
constexpr int32_t kPictureCancelled = 1;
// The largest side of a saved picture (the formats' size fields keep it).
constexpr int32_t kPictureMaxSide = 16384;

struct PictureRequest {
  MapView view;
  int32_t width = 0;  // the map area's size in screen pixels
  int32_t height = 0;
  double screenPixelsPerInch = 96;
  // The display's size, for the enhanced metafile's frame in hundredths of a millimetre; zero:
  // the frame follows from the pixels per inch.
  int32_t displayWidthMm = 0;
  int32_t displayHeightMm = 0;
  int32_t displayWidthPixels = 0;
  int32_t displayHeightPixels = 0;
  DrawMapRequest request;
  // Asked during drawing and before the file replaces an older one: true cancels the save.
  std::function<bool()> cancelled;
};

struct PictureOutcome {
  int64_t bytes = 0;
  int32_t records = 0;  // drawing records of a metafile, 0 for pixels
  // The step that failed, for the error report ("SaveDIB()", "ReplaceFileContents()", ...).
  const char* failedCall = nullptr;
};

// Whether the request's size can be saved at all.
inline bool PictureSizeUsable(const PictureRequest& request) {
  return request.width > 0 && request.height > 0 && request.width <= kPictureMaxSide &&
         request.height <= kPictureMaxSide;
}

// The request's drawing check joined with its cancel check.
DrawMapRequest PictureDrawRequest(const PictureRequest& picture);

}  // namespace tlv
