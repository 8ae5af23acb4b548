// A drawing port for tests that only care which pictures are drawn where: every other call does
// nothing, and each picture's rectangle and pixel size are kept in drawing order.
#pragma once

#include <string_view>
#include <vector>

#include "render/draw_port.h"

namespace tlv::test {

class PicturePort : public DrawPort {
 public:
  struct Picture {
    ScreenRect rect;
    int32_t width = 0;
    int32_t height = 0;
    RasterMode mode = RasterMode::kCopy;
  };

  explicit PicturePort(DeviceKind kind = DeviceKind::kScreen) : kind_(kind) {}
  DeviceKind Kind() const override { return kind_; }
  double PixelsPerInchX() const override { return 96; }
  double PixelsPerInchY() const override { return 96; }
  void SetPen(const PenSpec&) override {}
  void SetBrush(const BrushSpec&) override {}
  void SetRasterMode(RasterMode) override {}
  void MoveTo(int32_t, int32_t) override {}
  void LineTo(int32_t, int32_t) override {}
  void Polyline(std::span<const ScreenPoint>) override {}
  void Polygon(std::span<const ScreenPoint>) override {}
  void FillRegion(std::span<const ScreenPoint>, std::span<const int32_t>) override {}
  void FillRect(const ScreenRect&) override {}
  void FrameRect(const ScreenRect&) override {}
  void FillEllipse(const ScreenRect&) override {}
  void FrameEllipse(const ScreenRect&) override {}
  void SetFont(const FontSpec&) override {}
  void SetTextColour(RGBColour) override {}
  void SetTextBackground(bool, RGBColour) override {}
  FontMetrics GetFontMetrics() override { return {}; }
  int32_t TextWidth(std::string_view) override { return 0; }
  void DrawText(int32_t, int32_t, std::string_view) override {}
  bool HasSymbolFont(SymbolFontId) override { return false; }
  void DrawSymbolGlyph(SymbolFontId, uint8_t, int32_t, int32_t, int32_t, RGBColour) override {}
  void SetClipRect(const ScreenRect&) override {}
  void ClearClip() override {}
  using DrawPort::DrawPixels;
  bool DrawPixels(const ScreenRect& rect, int32_t width, int32_t height, const uint32_t*,
                  RasterMode mode) override {
    pictures.push_back({rect, width, height, mode});
    return true;
  }

  std::vector<Picture> pictures;

 private:
  DeviceKind kind_;
};

}  // namespace tlv::test
