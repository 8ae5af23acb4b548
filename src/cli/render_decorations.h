// What tolvane-cli render adds over the map besides the grid, scale bar, legend and time stamp:
// the compass (--compass), a reference view's inset (--reference NAME), the kind of surface the
// picture is drawn as (--as screen|picture), and the "decorations" object of its answer: where
// each decoration went, with its texts, so scripts and tests can check them.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "render/draw_port.h"

namespace tlv::cli {

struct RenderDecorationOptions {
  bool compass = false;
  std::string reference;  // a saved view's name (UTF-8 as typed)
  DeviceKind kind = DeviceKind::kScreen;
};

// Takes words[i] (and its value) when it is one of these options: 1 taken, 0 not one of them,
// -1 after a message for a bad value.
int TakeDecorationOption(const std::vector<std::string>& words, size_t& i,
                         RenderDecorationOptions& options, std::ostream& err);

// print and picture take --compass and --reference NAME too: they are taken out of words (the
// command word stays), the rest left for the command's own options. 0, or -1 after a message.
int SplitDecorationOptions(const std::vector<std::string>& words, std::vector<std::string>& rest,
                           RenderDecorationOptions& options, std::ostream& err);

// Once the view is set and Qt is drawing: reads the compass picture from the program folder and
// makes the named view the reference view (the smallest saved view holding the current view
// when it does not), as the window does after a view change. 0, or 1 after a message.
int PrepareRenderDecorations(const RenderDecorationOptions& options,
                             const std::string& programFolder, std::ostream& err);

}  // namespace tlv::cli

#ifdef TOLVANE_CLI_HAS_QT
class QImage;

namespace tlv::cli {

// The "decorations" object of the rendered image: the grid's entries and lines, the scale bar's
// box, bars and texts, the compass's box, the time stamp's box and lines, the reference inset's
// box and marker; each only when it is drawn.
std::string DecorationsJson(QImage& image, DeviceKind kind);

}  // namespace tlv::cli
#endif
