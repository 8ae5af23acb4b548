#include "cli/print_command.h"

#include <cmath>
#include <cstdio>
#include <ostream>

#include "app/draw_request.h"
#include "cli/render_decorations.h"
#include "cli/view_options.h"
#include "geometry/geo_settings.h"
#include "render/map_view.h"
#include "render/print_layout.h"

#ifdef TOLVANE_CLI_HAS_QT
#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include "base/replace_file.h"
#include "render/metafile/metafile_picture.h"
#include "render/qt/picture_file.h"
#include "render/qt/print_pages.h"
#endif

namespace tlv::cli {
namespace {

const std::vector<std::string> kViewOptions = {"--view", "--corner", "--fit", "--size",
                                               "--screen-dpi"};

std::vector<std::string> With(std::vector<std::string> list,
                              std::initializer_list<const char*> more) {
  for (const char* word : more) list.emplace_back(word);
  return list;
}

std::string Value(const std::map<std::string, std::string>& options, const char* key) {
  const auto it = options.find(key);
  return it == options.end() ? std::string() : it->second;
}

bool ParseNumber(const std::string& text, double& value) {
  char extra = 0;
  return std::sscanf(text.c_str(), "%lf%c", &value, &extra) == 1 && std::isfinite(value);
}

[[maybe_unused]] std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// The print layout the options ask for, with the Print dialog's rules.
[[maybe_unused]] bool LayoutFromOptions(const std::map<std::string, std::string>& options,
                                        const PrintContext& context, PrintLayout& layout,
                                        std::ostream& err) {
  const int chosen = static_cast<int>(options.count("--fit-page") + options.count("--pages") +
                                      options.count("--image") + options.count("--scale"));
  if (chosen > 1) {
    err << "tolvane-cli: print takes one of --fit-page, --pages, --image and --scale\n";
    return false;
  }
  const bool fit = chosen == 0 || options.count("--fit-page") != 0;
  layout = OpeningPrintLayout(fit ? PrintSizeChoice::kFitToPage : PrintSizeChoice::kSpecify,
                              CurrentGeometrySettings().distanceUnit, context);
  if (fit) return true;
  const double perPixelAspect = static_cast<double>(context.viewHeight) / context.viewWidth;
  if (options.count("--pages") != 0) {
    int across = 0, down = 0;
    char extra = 0;
    if (std::sscanf(Value(options, "--pages").c_str(), "%dx%d%c", &across, &down, &extra) != 2 ||
        across < 1 || down < 1 || across > kMaxPrintPagesOneWay || down > kMaxPrintPagesOneWay) {
      err << "tolvane-cli: --pages takes AxD, 1 to " << kMaxPrintPagesOneWay << " each way\n";
      return false;
    }
    // The image as large as the grid of pages holds in the view's proportions.
    const double gridWidth =
        static_cast<double>(across) * (context.printable.right - context.printable.left);
    const double gridHeight =
        static_cast<double>(down) * (context.printable.bottom - context.printable.top);
    const double widthPixels = std::min(gridWidth, gridHeight / perPixelAspect);
    PrintLayoutSetWidth(layout, context,
                        widthPixels / PrintPixelsPerUnit(layout.unit, context.screenPixelsPerInch));
    PrintLayoutSpecify(layout, context);
    layout.across = across;
    layout.down = down;
    return true;
  }
  if (options.count("--image") != 0) {
    double width = 0, height = 0;
    char unit[4] = {};
    char extra = 0;
    const int got = std::sscanf(Value(options, "--image").c_str(), "%lf,%lf,%3[a-z]%c", &width,
                                &height, unit, &extra);
    const std::string unitText = unit;
    if (got != 3 || !std::isfinite(width) || !std::isfinite(height) || width <= 0 || height <= 0 ||
        (unitText != "in" && unitText != "cm") || width > 10000 || height > 10000) {
      err << "tolvane-cli: --image takes W,H,in or W,H,cm (numbers above zero)\n";
      return false;
    }
    PrintLayoutSetUnit(layout, context,
                       unitText == "cm" ? kPrintUnitCentimetres : kPrintUnitInches);
    // The largest image of the view's proportions inside W x H.
    PrintLayoutSetWidth(layout, context, std::min(width, height / perPixelAspect));
    PrintLayoutSpecify(layout, context);
    return true;
  }
  double scale = 0;
  if (!ParseNumber(Value(options, "--scale"), scale) || scale < 1) {
    err << "tolvane-cli: --scale takes the N of 1:N\n";
    return false;
  }
  PrintLayoutSetScale(layout, context, scale);
  PrintLayoutSpecify(layout, context);
  return true;
}

}  // namespace

bool IsPrintCommand(const std::vector<std::string>& words) {
  return !words.empty() && words[0] == "print";
}

bool IsPictureCommand(const std::vector<std::string>& words) {
  return !words.empty() && words[0] == "picture";
}

int RunPrintCommand(const std::vector<std::string>& words, int argc, char** argv, std::ostream& out,
                    std::ostream& err) {
  std::vector<std::string> rest;
  RenderDecorationOptions decorations;
  if (SplitDecorationOptions(words, rest, decorations, err) != 0) return kUsageError;
  std::map<std::string, std::string> options;
  if (!ParseOptions(rest,
                    With(kViewOptions,
                         {"--pdf", "--paper", "--pages", "--image", "--scale", "--title", "--dpi"}),
                    {"--landscape", "--fit-page"}, options, err)) {
    return kUsageError;
  }
  const std::string file = Value(options, "--pdf");
  if (file.empty()) {
    err << "tolvane-cli: print needs --pdf OUT.pdf\n";
    return kUsageError;
  }
  const std::string paper = options.count("--paper") ? Value(options, "--paper") : "A4";
  if (paper != "A4" && paper != "Letter") {
    err << "tolvane-cli: --paper takes A4 or Letter\n";
    return kUsageError;
  }
  double dpi = 600;
  if (options.count("--dpi") != 0 &&
      (!ParseNumber(Value(options, "--dpi"), dpi) || dpi < 72 || dpi > 2400)) {
    err << "tolvane-cli: --dpi takes 72 to 2400 dots per inch\n";
    return kUsageError;
  }
  int width = 0, height = 0;
  const int viewResult = ApplyViewOptions(options, width, height, err);
  if (viewResult != 0) return viewResult;
#ifdef TOLVANE_CLI_HAS_QT
  const std::unique_ptr<QGuiApplication> app = StartQtDrawing(argc, argv);
  if (PrepareRenderDecorations(decorations, DrawingProgramFolder(), err) != 0) return 1;
  QByteArray pdf;
  QBuffer buffer(&pdf);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  const QString title = options.count("--title") ? QString::fromStdString(Value(options, "--title"))
                                                 : QStringLiteral("TOLVANE");
  writer.setTitle(title);
  writer.setCreator(QStringLiteral("TOLVANE"));
  writer.setResolution(static_cast<int>(std::lround(dpi)));
  // The printable rectangle keeps its own margins, as a printer's drawable area would.
  writer.setPageLayout(
      QPageLayout(QPageSize(paper == "A4" ? QPageSize::A4 : QPageSize::Letter),
                  options.count("--landscape") ? QPageLayout::Landscape : QPageLayout::Portrait,
                  QMarginsF(0, 0, 0, 0)));

  PrintJob job;
  job.view = CurrentMapView();
  job.viewWidth = width;
  job.viewHeight = height;
  job.screenPixelsPerInch = ScreenPixelsPerInch();
  job.title = title;
  job.request = StandardDrawRequest();
  job.request.interrupted = [] { return false; };
  PrintContext context;
  context.viewWidth = width;
  context.viewHeight = height;
  context.viewScale = job.view.scale;
  const WRect shown = ViewWorldRect();
  context.viewWorldHeight = static_cast<double>(shown.y2) - shown.y1;
  context.k = ViewScaleFactorK();
  context.screenPixelsPerInch = job.screenPixelsPerInch;
  context.printable = DevicePrintableRect(writer, job.screenPixelsPerInch);
  if (!LayoutFromOptions(options, context, job.layout, err)) return kUsageError;

  PrintOutcome outcome;
  if (PrintMapPages(writer, job, outcome) != 0) {
    err << "tolvane-cli: printing failed at " << (outcome.failedCall ? outcome.failedCall : "?")
        << "\n";
    return 1;
  }
  buffer.close();
  const int32_t written =
      ReplaceFileContents(file, std::string_view(pdf.constData(), static_cast<size_t>(pdf.size())));
  if (written != 0) {
    err << "tolvane-cli: cannot write " << file << " (" << written << ")\n";
    return 1;
  }
  const ScreenRect& p = outcome.printable;
  out << "{\"file\":" << JsonUtf8(file) << ",\"pages\":" << outcome.across * outcome.down
      << ",\"across\":" << outcome.across << ",\"down\":" << outcome.down << ",\"printable\":["
      << p.left << "," << p.top << "," << p.right << "," << p.bottom << "],\"image\":["
      << Fixed(outcome.imageWidth, 2) << "," << Fixed(outcome.imageHeight, 2)
      << "],\"scale\":" << outcome.scale << ",\"world\":[" << outcome.world.x1 << ","
      << outcome.world.y1 << "," << outcome.world.x2 << "," << outcome.world.y2 << "]}\n";
  return 0;
#else
  (void)argc;
  (void)argv;
  (void)out;
  err << "tolvane-cli: this build prints nothing (it was built without the Qt layer)\n";
  return 1;
#endif
}

int RunPictureCommand(const std::vector<std::string>& words, int argc, char** argv,
                      std::ostream& out, std::ostream& err) {
  std::vector<std::string> rest;
  RenderDecorationOptions decorations;
  if (SplitDecorationOptions(words, rest, decorations, err) != 0) return kUsageError;
  std::map<std::string, std::string> options;
  if (!ParseOptions(rest, With(kViewOptions, {"--format", "--out"}), {}, options, err)) {
    return kUsageError;
  }
  const std::string format = Value(options, "--format");
  const std::string file = Value(options, "--out");
  if (format != "bmp" && format != "wmf" && format != "emf" && format != "png") {
    err << "tolvane-cli: picture needs --format bmp, wmf, emf or png\n";
    return kUsageError;
  }
  if (file.empty()) {
    err << "tolvane-cli: picture needs --out FILE\n";
    return kUsageError;
  }
  int width = 0, height = 0;
  const int viewResult = ApplyViewOptions(options, width, height, err);
  if (viewResult != 0) return viewResult;
#ifdef TOLVANE_CLI_HAS_QT
  const std::unique_ptr<QGuiApplication> app = StartQtDrawing(argc, argv);
  if (PrepareRenderDecorations(decorations, DrawingProgramFolder(), err) != 0) return 1;
  PictureRequest request;
  request.view = CurrentMapView();
  request.width = width;
  request.height = height;
  request.screenPixelsPerInch = ScreenPixelsPerInch();
  request.request = StandardDrawRequest();
  request.request.interrupted = [] { return false; };
  const PictureKind kind = format == "bmp"   ? PictureKind::kBitmap
                           : format == "wmf" ? PictureKind::kMetafile
                           : format == "emf" ? PictureKind::kEnhancedMetafile
                                             : PictureKind::kPng;
  PictureOutcome outcome;
  int32_t result = 0;
  if (kind == PictureKind::kBitmap || kind == PictureKind::kPng) {
    result = SavePixelPicture(file, kind, request, outcome);
  } else {
    PictureMeasurer measurer;
    result = SaveMetafilePicture(file, kind, request, measurer.Port(), outcome);
  }
  if (result != 0) {
    err << "tolvane-cli: cannot save " << file << ": "
        << (outcome.failedCall ? outcome.failedCall : "?") << " " << result << "\n";
    return 1;
  }
  out << "{\"file\":" << JsonUtf8(file) << ",\"format\":\"" << format << "\",\"width\":" << width
      << ",\"height\":" << height << ",\"bytes\":" << outcome.bytes
      << ",\"records\":" << outcome.records << "}\n";
  return 0;
#else
  (void)argc;
  (void)argv;
  (void)out;
  err << "tolvane-cli: this build draws no pictures (it was built without the Qt layer)\n";
  return 1;
#endif
}

}  // namespace tlv::cli
