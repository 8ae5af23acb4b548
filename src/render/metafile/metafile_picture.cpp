#include "render/metafile/metafile_picture.h"

#include <cmath>
#include <memory>

#include "base/replace_file.h"
#include "render/metafile/emf_writer.h"
#include "render/metafile/placeable.h"
#include "render/metafile/wmf_writer.h"

namespace tlv {
namespace {

uint32_t ReadU32(const std::string& bytes, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}

uint16_t ReadU16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1])
                                                                     << 8);
}

bool Cancelled(const PictureRequest& picture) {
  return picture.cancelled && picture.cancelled();
}

}  // namespace

void EnhancedMetafileFrame(const PictureRequest& request, int32_t& widthHundredthsMm,
                           int32_t& heightHundredthsMm) {
  if (request.displayWidthMm > 0 && request.displayHeightMm > 0 && request.displayWidthPixels > 0 &&
      request.displayHeightPixels > 0) {
    widthHundredthsMm = static_cast<int32_t>(
        std::lround(static_cast<double>(request.width) * request.displayWidthMm * 100.0 /
                    request.displayWidthPixels));
    heightHundredthsMm = static_cast<int32_t>(
        std::lround(static_cast<double>(request.height) * request.displayHeightMm * 100.0 /
                    request.displayHeightPixels));
    return;
  }
  const double ppi = request.screenPixelsPerInch > 0 ? request.screenPixelsPerInch : 96.0;
  widthHundredthsMm = static_cast<int32_t>(std::lround(request.width * 2540.0 / ppi));
  heightHundredthsMm = static_cast<int32_t>(std::lround(request.height * 2540.0 / ppi));
}

int32_t CountMetafileRecords(const std::string& bytes, PictureKind kind) {
  int32_t records = 0;
  if (kind == PictureKind::kEnhancedMetafile) {
    size_t at = 0;
    while (at + 8 <= bytes.size()) {
      const uint32_t type = ReadU32(bytes, at);
      const uint32_t size = ReadU32(bytes, at + 4);
      if (size < 8 || size % 4 != 0 || size > bytes.size() - at) return -1;
      ++records;
      at += size;
      if (type == emf::kEof) return at == bytes.size() ? records : -1;
    }
    return -1;
  }
  if (kind != PictureKind::kMetafile) return -1;
  size_t at = 0;
  if (bytes.size() >= 4 && ReadU32(bytes, 0) == kPlaceableKey) at = kPlaceableHeaderSize;
  if (bytes.size() < at + 18) return -1;
  at += static_cast<size_t>(ReadU16(bytes, at + 2)) * 2;
  while (at + 6 <= bytes.size()) {
    const uint64_t size = static_cast<uint64_t>(ReadU32(bytes, at)) * 2;
    const uint16_t function = ReadU16(bytes, at + 4);
    if (size < 6 || size > bytes.size() - at) return -1;
    ++records;
    at += size;
    if (function == wmf::kEof) return at == bytes.size() ? records : -1;
  }
  return -1;
}

int32_t SaveMetafilePicture(const std::string& path, PictureKind kind,
                            const PictureRequest& picture, DrawPort* measurer,
                            PictureOutcome& outcome) {
  outcome = PictureOutcome();
  if (!PictureSizeUsable(picture) ||
      (kind != PictureKind::kMetafile && kind != PictureKind::kEnhancedMetafile)) {
    outcome.failedCall = "SaveMetafilePicture()";
    return -3;
  }
  std::string bytes;
  {
    std::unique_ptr<MetafilePort> port;
    if (kind == PictureKind::kMetafile) {
      // The writer sets the window extent to the view's size.
      port = std::make_unique<WmfPort>(picture.width, picture.height, picture.screenPixelsPerInch,
                                       measurer);
    } else {
      auto emf = std::make_unique<EmfPort>(picture.width, picture.height,
                                           picture.screenPixelsPerInch, measurer);
      int32_t frameWidth = 0, frameHeight = 0;
      EnhancedMetafileFrame(picture, frameWidth, frameHeight);
      emf->SetFrameSize(frameWidth, frameHeight);
      port = std::move(emf);
    }
    // Objects reaching past the picture's edge are cut there, as the screen cuts them, so that
    // readers that size a metafile by what it draws see the picture's own size.
    port->SetClipRect({0, 0, picture.width, picture.height});
    // White paper under the map, as on screen; readers that size a metafile by what it draws
    // (libwmf) then see the whole picture, not only the part with objects.
    BrushSpec paper;
    paper.kind = BrushKind::kSolid;
    paper.foreground = kWhiteColour;
    port->SetBrush(paper);
    port->FillRect({0, 0, picture.width, picture.height});
    // The picture's own origin: the view's top-left corner is 0, 0.
    if (DrawMap(*port, picture.view, {0, 0, picture.width, picture.height},
                PictureDrawRequest(picture)) == kDrawInterrupted &&
        Cancelled(picture)) {
      return kPictureCancelled;
    }
    bytes = port->Finish();
  }
  if (kind == PictureKind::kMetafile && MakePlaceableMetafile(bytes, picture.width, picture.height,
                                                              picture.screenPixelsPerInch) != 0) {
    outcome.failedCall = "MakePlaceableMetafile()";
    return -1;
  }
  outcome.records = CountMetafileRecords(bytes, kind);
  const int32_t err = ReplaceFileContents(path, bytes, [&picture] { return Cancelled(picture); });
  if (err == kReplaceStopped) return kPictureCancelled;
  if (err != 0) {
    outcome.failedCall = "ReplaceFileContents()";
    return err;
  }
  outcome.bytes = static_cast<int64_t>(bytes.size());
  return 0;
}

}  // namespace tlv
