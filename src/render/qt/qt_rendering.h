// The Qt services the drawing pass uses wherever it runs (the window, saved pictures and
// tolvane-cli render): the input check that interrupts a pass, the picture reader, and drawing a
// view into an image.
#pragma once

#include <QImage>

#include <cstdint>
#include <string>

#include "render/draw_map.h"
#include "render/map_view.h"

namespace tlv {

// Whether a key press or a mouse click is waiting: delivers pending events, takes (and drops)
// key presses and clicks, and answers true when one came. Looks at most every 20 ms.
bool QtInputWaiting();
void ResetInputCheckForTesting();

// Reads a picture file with QImageReader into ARGB pixels.
bool ReadPictureWithQt(const std::string& path, PictureImage& image);

// Installs the picture reader and the drawing pass's life-cycle hooks (text rectangles measured
// with the screen fonts). Needs a QGuiApplication.
void InstallQtDrawing();

// Draws the view into a white image of the given size (the whole image is the map area). A
// bitmap saved as a picture file is drawn as kBitmap, which lays some things out for files.
int32_t RenderViewToImage(QImage& image, const MapView& view, const DrawMapRequest& request,
                          DeviceKind kind = DeviceKind::kScreen);

}  // namespace tlv
