// The map view saved as a metafile (.WMF, placeable) or an enhanced metafile (.EMF): drawn by
// the drawing pass into the record writers with the view's top-left corner at 0, 0, and written
// beside its target and renamed over it, so a failure or a cancel keeps an older file whole.
#pragma once

#include <cstdint>
#include <string>

#include "render/draw_port.h"
#include "render/picture_request.h"

namespace tlv {

// kind is kMetafile or kEnhancedMetafile. The measurer answers the text measuring calls (a file
// has no fonts); it may be null. Returns 0, kPictureCancelled, or the failing step's code.
int32_t SaveMetafilePicture(const std::string& path, PictureKind kind,
                            const PictureRequest& request, DrawPort* measurer,
                            PictureOutcome& outcome);

// The number of drawing records in a metafile's bytes (WMF with or without its placement
// header, or EMF), -1 when the bytes do not hold a whole well-formed list of records.
int32_t CountMetafileRecords(const std::string& bytes, PictureKind kind);

// The enhanced metafile's frame in hundredths of a millimetre for a picture of the given size.
void EnhancedMetafileFrame(const PictureRequest& request, int32_t& widthHundredthsMm,
                           int32_t& heightHundredthsMm);

}  // namespace tlv
