// Enhanced metafiles (.EMF): a header record, then 32-bit drawing records in device units with
// text in UTF-16.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/metafile/metafile_port.h"

namespace tlv {

constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"

// Record types.
namespace emf {
constexpr uint32_t kHeader = 1;
constexpr uint32_t kPolygon = 3;
constexpr uint32_t kPolyline = 4;
constexpr uint32_t kPolyPolygon = 8;
constexpr uint32_t kEof = 14;
constexpr uint32_t kSetBkMode = 18;
constexpr uint32_t kSetPolyFillMode = 19;
constexpr uint32_t kSetRop2 = 20;
constexpr uint32_t kSetTextColor = 24;
constexpr uint32_t kSetBkColor = 25;
constexpr uint32_t kMoveToEx = 27;
constexpr uint32_t kIntersectClipRect = 30;
constexpr uint32_t kSaveDC = 33;
constexpr uint32_t kRestoreDC = 34;
constexpr uint32_t kSelectObject = 37;
constexpr uint32_t kCreatePen = 38;
constexpr uint32_t kCreateBrushIndirect = 39;
constexpr uint32_t kDeleteObject = 40;
constexpr uint32_t kEllipse = 42;
constexpr uint32_t kRectangle = 43;
constexpr uint32_t kLineTo = 54;
constexpr uint32_t kExtCreateFontIndirectW = 82;
constexpr uint32_t kStretchDiBits = 81;
constexpr uint32_t kExtTextOutW = 84;
constexpr uint32_t kCreateDibPatternBrushPt = 94;
// Stock objects are named by these indices with the top bit set.
constexpr uint32_t kStockNullBrush = 0x80000005;
constexpr uint32_t kStockNullPen = 0x80000008;
constexpr uint32_t kStockSystemFont = 0x8000000D;
constexpr uint32_t kHeaderSize = 88;
constexpr uint32_t kLogFontPanoseSize = 320;
}  // namespace emf

class EmfPort : public MetafilePort {
 public:
  EmfPort(int32_t width, int32_t height, double pixelsPerInch, DrawPort* measurer);
  std::string Finish() override;
  // The picture's size on paper in hundredths of a millimetre, as the display it was drawn on
  // measures it; without it the size follows from the pixels per inch.
  void SetFrameSize(int32_t widthHundredthsMm, int32_t heightHundredthsMm);

 protected:
  uint32_t CreatePenRecord(const PenSpec& pen) override;
  uint32_t CreateBrushRecord(const BrushSpec& brush) override;
  uint32_t CreateFontRecord(const FontSpec& font, uint8_t charset) override;
  void SelectObjectRecord(uint32_t object) override;
  void DeleteObjectRecord(uint32_t object) override;
  uint32_t NullPen() override { return emf::kStockNullPen; }
  uint32_t NullBrush() override { return emf::kStockNullBrush; }
  uint32_t PlainFont() override { return emf::kStockSystemFont; }
  void SetRop2Record(uint16_t rop) override;
  void SetBkModeRecord(uint16_t mode) override;
  void SetBkColourRecord(RGBColour colour) override;
  void SetTextColourRecord(RGBColour colour) override;
  void SetPolyFillModeRecord(uint16_t mode) override;
  void MoveToRecord(int32_t x, int32_t y) override;
  void LineToRecord(int32_t x, int32_t y) override;
  void PolylineRecord(std::span<const ScreenPoint> points) override;
  void PolygonRecord(std::span<const ScreenPoint> points) override;
  void PolyPolygonRecord(std::span<const ScreenPoint> points,
                         std::span<const int32_t> ringSizes) override;
  void RectangleRecord(const ScreenRect& rect) override;
  void EllipseRecord(const ScreenRect& rect) override;
  void TextOutRecord(int32_t x, int32_t y, std::string_view text, bool symbol,
                     int32_t symbolSize) override;
  void StretchDibRecord(const ScreenRect& rect, int32_t width, int32_t height,
                        const std::string& packedDib, uint32_t rop) override;
  void SaveDCRecord() override;
  void RestoreDCRecord() override;
  void IntersectClipRecord(const ScreenRect& rect) override;

 private:
  void Record(uint32_t type, const std::string& parameters);
  void PointsRecord(uint32_t type, std::span<const ScreenPoint> points);
  // Handle 0 belongs to the metafile itself; objects take the lowest free index above it.
  uint32_t TakeHandle();

  std::string records_;
  uint32_t recordCount_ = 0;
  int32_t frameWidth_ = 0;
  int32_t frameHeight_ = 0;
  std::vector<bool> handles_ = {true};
  std::string finished_;
};

}  // namespace tlv
