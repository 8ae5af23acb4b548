// The DrawPort on a QPainter: the map area's image, a saved bitmap, or a printer page. Raster
// modes become Qt's raster operations where the paint engine has them (images); on devices
// without them (printers, PDF) the AND mode is drawn as ink on white paper, which looks the same,
// and NOT-XOR as plain drawing.
#pragma once

#include <QBrush>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QString>

#include <memory>
#include <vector>

#include "render/draw_port.h"

class QPaintDevice;

namespace tlv {

class QtDrawPort : public DrawPort {
 public:
  // Draws with its own painter on the device (an image of the map area or a bitmap).
  QtDrawPort(QPaintDevice& device, DeviceKind kind);
  // Draws with a painter the caller keeps active, such as a printer page's; its world transform
  // (logical units to device dots) is honoured.
  QtDrawPort(QPainter& painter, DeviceKind kind);
  ~QtDrawPort() override;
  QtDrawPort(const QtDrawPort&) = delete;
  QtDrawPort& operator=(const QtDrawPort&) = delete;

  // Lines drawn with MoveTo/LineTo are gathered and drawn as one polyline, so joins are drawn
  // once (which matters in NOT-XOR mode); this draws what is gathered. Every other call, and the
  // destructor, does it too.
  void Flush();

  // Polygons drawn one ring at a time fill by the winding rule when set (printed pages ask for
  // it); regions built from several rings always fill alternately.
  void SetWindingPolygonFill(bool winding) { windingPolygons_ = winding; }

  DeviceKind Kind() const override { return kind_; }
  double PixelsPerInchX() const override;
  double PixelsPerInchY() const override;

  void SetPen(const PenSpec& pen) override;
  void SetBrush(const BrushSpec& brush) override;
  void SetRasterMode(RasterMode mode) override;

  void MoveTo(int32_t x, int32_t y) override;
  void LineTo(int32_t x, int32_t y) override;
  void Polyline(std::span<const ScreenPoint> points) override;
  void Polygon(std::span<const ScreenPoint> points) override;
  void FillRegion(std::span<const ScreenPoint> points, std::span<const int32_t> ringSizes) override;
  void FillRect(const ScreenRect& rect) override;
  void FrameRect(const ScreenRect& rect) override;
  void FillEllipse(const ScreenRect& rect) override;
  void FrameEllipse(const ScreenRect& rect) override;

  void SetFont(const FontSpec& font) override;
  void SetTextColour(RGBColour colour) override;
  void SetTextBackground(bool opaque, RGBColour colour) override;
  FontMetrics GetFontMetrics() override;
  int32_t TextWidth(std::string_view text) override;
  void DrawText(int32_t x, int32_t y, std::string_view text) override;

  bool HasSymbolFont(SymbolFontId font) override;
  void DrawSymbolGlyph(SymbolFontId font, uint8_t code, int32_t x, int32_t y, int32_t pixelSize,
                       RGBColour colour) override;

  // The AND mode is Qt's source-AND-destination on images; paper and PDF have no raster
  // operations, so there the picture's white is keyed out instead, which shows the same for
  // black-and-white art.
  using DrawPort::DrawPixels;
  bool DrawPixels(const ScreenRect& rect, int32_t width, int32_t height, const uint32_t* argb,
                  RasterMode mode) override;

  void SetClipRect(const ScreenRect& rect) override;
  void ClearClip() override;

 private:
  void Begin();
  void ApplyRasterMode();
  const QBrush& CurrentQBrush();
  // Fills a path with the brush alone; pattern fills are done in device coordinates so the
  // pattern keeps its 8 x 8 dots under a scaling transform.
  void FillPath(const QPainterPath& path);
  void StrokePath(const QPainterPath& path);
  QString TextString(std::string_view text) const;
  // Text and symbols wholly outside the clip are left out: a PDF page would otherwise carry
  // invisible text that readers still find and copy.
  bool OutsideClip(const QRectF& rect) const;

  std::unique_ptr<QPainter> ownPainter_;
  QPainter* painter_ = nullptr;
  DeviceKind kind_;
  bool rasterOps_ = false;
  bool windingPolygons_ = false;

  PenSpec pen_;
  QPen qpen_;
  BrushSpec brush_;
  QBrush qbrush_;
  bool brushDirty_ = true;
  RasterMode mode_ = RasterMode::kCopy;
  bool modeApplied_ = false;

  std::vector<QPoint> pendingLine_;
  QPoint current_;

  QFont font_;
  // Fonts taller than the text engine measures and draws correctly (its metrics overflow near
  // 16384 pixels and nothing is drawn) are set at a fraction of their height and scaled up by
  // this factor when measured and drawn.
  int32_t fontScale_ = 1;
  int32_t escapement_ = 0;
  bool symbolText_ = false;
  RGBColour textColour_;
  bool textOpaque_ = false;
  RGBColour textBackground_ = kWhiteColour;

  // The last symbol font asked for, kept because symbols come one after another.
  int symbolFontKey_ = -1;
  QFont symbolFont_;
  double symbolAscent_ = 0;
};

}  // namespace tlv
