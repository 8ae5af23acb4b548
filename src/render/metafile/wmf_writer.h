// Placeable metafiles (.WMF): a 22-byte placement header, the metafile header and 16-bit
// drawing records in device units. Coordinates beyond the 16-bit range are held at its ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/metafile/metafile_port.h"

namespace tlv {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

// Record function numbers.
namespace wmf {
constexpr uint16_t kEof = 0x0000;
constexpr uint16_t kSaveDC = 0x001E;
constexpr uint16_t kSetBkMode = 0x0102;
constexpr uint16_t kSetRop2 = 0x0104;
constexpr uint16_t kSetPolyFillMode = 0x0106;
constexpr uint16_t kRestoreDC = 0x0127;
constexpr uint16_t kSelectObject = 0x012D;
constexpr uint16_t kDibCreatePatternBrush = 0x0142;
constexpr uint16_t kDeleteObject = 0x01F0;
constexpr uint16_t kSetBkColor = 0x0201;
constexpr uint16_t kSetTextColor = 0x0209;
constexpr uint16_t kSetWindowOrg = 0x020B;
constexpr uint16_t kSetWindowExt = 0x020C;
constexpr uint16_t kLineTo = 0x0213;
constexpr uint16_t kMoveTo = 0x0214;
constexpr uint16_t kCreatePenIndirect = 0x02FA;
constexpr uint16_t kCreateFontIndirect = 0x02FB;
constexpr uint16_t kCreateBrushIndirect = 0x02FC;
constexpr uint16_t kPolygon = 0x0324;
constexpr uint16_t kPolyline = 0x0325;
constexpr uint16_t kIntersectClipRect = 0x0416;
constexpr uint16_t kEllipse = 0x0418;
constexpr uint16_t kRectangle = 0x041B;
constexpr uint16_t kTextOut = 0x0521;
constexpr uint16_t kPolyPolygon = 0x0538;
constexpr uint16_t kStretchDib = 0x0F43;
}  // namespace wmf

class WmfPort : public MetafilePort {
 public:
  WmfPort(int32_t width, int32_t height, double pixelsPerInch, DrawPort* measurer);
  std::string Finish() override;

 protected:
  uint32_t CreatePenRecord(const PenSpec& pen) override;
  uint32_t CreateBrushRecord(const BrushSpec& brush) override;
  uint32_t CreateFontRecord(const FontSpec& font, uint8_t charset) override;
  void SelectObjectRecord(uint32_t object) override;
  void DeleteObjectRecord(uint32_t object) override;
  uint32_t NullPen() override;
  uint32_t NullBrush() override;
  uint32_t PlainFont() override;
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
  // Appends one record whose parameters are already encoded.
  void Record(uint16_t function, const std::string& parameters);
  // Objects take the lowest free slot of the table, as the player assigns them.
  uint32_t TakeSlot();

  std::string records_;
  uint32_t maxRecordWords_ = 0;
  std::vector<bool> slots_;
  std::optional<uint32_t> nullPen_;
  std::optional<uint32_t> nullBrush_;
  std::optional<uint32_t> plainFont_;
  std::string finished_;
};

}  // namespace tlv
