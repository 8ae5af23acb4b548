#include "shell/print_commands.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

#include "app/draw_request.h"
#include "base/errors.h"
#include "base/platform.h"
#include "geometry/geo_settings.h"
#include "render/map_view.h"
#include "render/metafile/metafile_picture.h"
#include "render/qt/picture_file.h"
#include "render/qt/print_pages.h"
#include "shell/commands.h"
#include "shell/main_window.h"

namespace tlv {
namespace {

constexpr int kSaveAsPictureCommand = 101;
constexpr int kPrintSetupCommand = 103;
constexpr int kPrintCommand = 104;
// Layouts of more pages than this are confirmed before they go to the printer.
constexpr int32_t kPagesWithoutAsking = 100;

// The printer set-up held for the whole run, and the size choice last made in the dialog.
std::unique_ptr<QPrinter> heldPrinter;
PrintSizeChoice lastChoice = PrintSizeChoice::kFitToPage;

QString TwoDecimals(double value) {
  return QString::number(value, 'f', 2);
}

bool ParsePositive(const QString& text, double& value) {
  bool ok = false;
  const double parsed = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(parsed) || parsed <= 0) return false;
  value = parsed;
  return true;
}

// The context the dialog's rules read, for the view as the window shows it now.
PrintContext CurrentPrintContext(const ScreenRect& printable) {
  PrintContext context;
  const ScreenRect& area = MapArea();
  context.viewWidth = area.right - area.left;
  context.viewHeight = area.bottom - area.top;
  context.viewScale = CurrentMapView().scale;
  const WRect shown = ViewWorldRect();
  context.viewWorldHeight = static_cast<double>(shown.y2) - shown.y1;
  context.k = ViewScaleFactorK();
  context.screenPixelsPerInch = ScreenPixelsPerInch();
  context.printable = printable;
  return context;
}

class PrintDialog : public QDialog {
 public:
  PrintDialog(QWidget* parent, const PrintContext& context, PrintLayout& layout)
      : QDialog(parent), context_(context), layout_(layout) {
    setWindowTitle(QStringLiteral("Print"));
    setObjectName(QStringLiteral("PrintDialog"));
    auto* grid = new QGridLayout;
    fit_ = new QRadioButton(QStringLiteral("Fit image to page"));
    specify_ = new QRadioButton(QStringLiteral("Specify image dimensions"));
    width_ = new QLineEdit;
    height_ = new QLineEdit;
    inches_ = new QRadioButton(QStringLiteral("inches"));
    centimetres_ = new QRadioButton(QStringLiteral("centimeters"));
    scaleLabel_ = new QLabel(QStringLiteral("By scale    1:"));
    scale_ = new QLineEdit;
    pageSize_ = new QLabel;
    pages_ = new QLabel(QStringLiteral("0000 pgs"));
    widthLabel_ = new QLabel(QStringLiteral("Width:"));
    heightLabel_ = new QLabel(QStringLiteral("Height:"));
    fit_->setObjectName(QStringLiteral("fit"));
    specify_->setObjectName(QStringLiteral("specify"));
    width_->setObjectName(QStringLiteral("width"));
    height_->setObjectName(QStringLiteral("height"));
    inches_->setObjectName(QStringLiteral("inches"));
    centimetres_->setObjectName(QStringLiteral("centimeters"));
    scale_->setObjectName(QStringLiteral("scale"));
    pages_->setObjectName(QStringLiteral("pages"));
    auto* choices = new QButtonGroup(this);
    choices->addButton(fit_);
    choices->addButton(specify_);
    auto* units = new QButtonGroup(this);
    units->addButton(inches_);
    units->addButton(centimetres_);
    grid->addWidget(fit_, 0, 0, 1, 3);
    grid->addWidget(specify_, 1, 0, 1, 3);
    grid->addWidget(widthLabel_, 2, 0);
    grid->addWidget(width_, 2, 1);
    grid->addWidget(inches_, 2, 2);
    grid->addWidget(heightLabel_, 3, 0);
    grid->addWidget(height_, 3, 1);
    grid->addWidget(centimetres_, 3, 2);
    grid->addWidget(scaleLabel_, 4, 0);
    grid->addWidget(scale_, 4, 1);
    grid->addWidget(pageSize_, 5, 0, 1, 2);
    grid->addWidget(pages_, 5, 2);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("Print"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addWidget(buttons);

    connect(width_, &QLineEdit::editingFinished, this, [this] {
      double value = 0;
      if (ParsePositive(width_->text(), value)) PrintLayoutSetWidth(layout_, context_, value);
      Show();
    });
    connect(height_, &QLineEdit::editingFinished, this, [this] {
      double value = 0;
      if (ParsePositive(height_->text(), value)) PrintLayoutSetHeight(layout_, context_, value);
      Show();
    });
    connect(scale_, &QLineEdit::editingFinished, this, [this] {
      double value = 0;
      if (ParsePositive(scale_->text(), value)) PrintLayoutSetScale(layout_, context_, value);
      Show();
    });
    connect(inches_, &QRadioButton::clicked, this, [this] {
      PrintLayoutSetUnit(layout_, context_, kPrintUnitInches);
      Show();
    });
    connect(centimetres_, &QRadioButton::clicked, this, [this] {
      PrintLayoutSetUnit(layout_, context_, kPrintUnitCentimetres);
      Show();
    });
    connect(fit_, &QRadioButton::clicked, this, [this] {
      PrintLayoutFitToPage(layout_, context_);
      Show();
    });
    connect(specify_, &QRadioButton::clicked, this, [this] {
      PrintLayoutSpecify(layout_, context_);
      Show();
      width_->setFocus();
      width_->selectAll();
    });
    Show();
    if (layout_.choice == PrintSizeChoice::kSpecify) {
      width_->setFocus();
      width_->selectAll();
    }
  }

 private:
  // Shows the layout; every field shows what the rules made of the last change.
  void Show() {
    width_->setText(TwoDecimals(layout_.width));
    height_->setText(TwoDecimals(layout_.height));
    scale_->setText(QString::number(layout_.scale));
    inches_->setChecked(layout_.unit == kPrintUnitInches);
    centimetres_->setChecked(layout_.unit == kPrintUnitCentimetres);
    const bool fit = layout_.choice == PrintSizeChoice::kFitToPage;
    fit_->setChecked(fit);
    specify_->setChecked(!fit);
    const double perUnit = PrintPixelsPerUnit(layout_.unit, context_.screenPixelsPerInch);
    const QString unitName =
        layout_.unit == kPrintUnitInches ? QStringLiteral("inches") : QStringLiteral("centimeters");
    pageSize_->setText(
        QStringLiteral("Page: %1 x %2 %3")
            .arg(TwoDecimals((context_.printable.right - context_.printable.left) / perUnit),
                 TwoDecimals((context_.printable.bottom - context_.printable.top) / perUnit),
                 unitName));
    pages_->setText(QStringLiteral("%1 pgs").arg(layout_.across * layout_.down));
    for (QWidget* field : std::initializer_list<QWidget*>{width_, height_, inches_, centimetres_,
                                                          scale_, scaleLabel_, pageSize_, pages_,
                                                          widthLabel_, heightLabel_}) {
      field->setEnabled(!fit);
    }
  }

  PrintContext context_;
  PrintLayout& layout_;
  QRadioButton* fit_;
  QRadioButton* specify_;
  QLineEdit* width_;
  QLineEdit* height_;
  QRadioButton* inches_;
  QRadioButton* centimetres_;
  QLabel* scaleLabel_;
  QLineEdit* scale_;
  QLabel* pageSize_;
  QLabel* pages_;
  QLabel* widthLabel_;
  QLabel* heightLabel_;
};

// The modeless box that lets the user stop a print; a window of its own, since the main window
// is disabled while pages go out.
class PrintCancelBox : public QDialog {
 public:
  PrintCancelBox() {
    setObjectName(QStringLiteral("PrintCancel"));
    setWindowTitle(QStringLiteral("TOLVANE"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    auto* column = new QVBoxLayout(this);
    text_ = new QLabel(QStringLiteral("Printing..."));
    column->addWidget(text_);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    column->addWidget(cancel);
    connect(cancel, &QPushButton::clicked, this, [this] { cancelled_ = true; });
  }
  void ShowPage(int32_t page, int32_t pages) {
    text_->setText(QStringLiteral("Printing page %1 of %2").arg(page).arg(pages));
  }
  bool Cancelled() {
    QCoreApplication::processEvents();
    return cancelled_;
  }

 protected:
  void reject() override { cancelled_ = true; }

 private:
  QLabel* text_;
  bool cancelled_ = false;
};

// The wait box of a metafile save.
class SavingPictureBox : public QDialog {
 public:
  explicit SavingPictureBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Saving Picture File"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(new QLabel(QStringLiteral("Saving Picture File")));
    column->addWidget(new QLabel(QStringLiteral("Press ESC to cancel.")));
  }
};

bool EnsurePrinter() {
  if (heldPrinter) return true;
  const QPrinterInfo info = QPrinterInfo::defaultPrinter();
  // Without an installed printer, Qt's PDF printer stands in, so printing always works.
  heldPrinter = info.isNull() ? std::make_unique<QPrinter>(QPrinter::HighResolution)
                              : std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  if (info.isNull()) heldPrinter->setOutputFormat(QPrinter::PdfFormat);
  return heldPrinter != nullptr;
}

int32_t PrintMapToPrinter(MainWindow& window, const PrintLayout& layout) {
  QPrinter& printer = *heldPrinter;
  QPrintDialog dialog(&printer, &window);
  if (dialog.exec() != QDialog::Accepted) return 0;
  if (!printer.isValid()) {
    ReportError("PrintMapToPrinter()", "PrintDlg()", -1);
    return -1;
  }
  const int32_t pages = layout.across * layout.down;
  if (pages > kPagesWithoutAsking) {
    Question question;
    question.text = "Print " + std::to_string(pages) + " pages?";
    question.buttons = {"Print", "Cancel"};
    question.defaultButton = 1;
    question.cancelButton = 1;
    if (Platform().Ask(question) != 0) return 0;
  }
  printer.setDocName(window.windowTitle());
  printer.setFullPage(false);

  PrintJob job;
  job.view = CurrentMapView();
  const ScreenRect& area = MapArea();
  job.viewWidth = area.right - area.left;
  job.viewHeight = area.bottom - area.top;
  job.screenPixelsPerInch = ScreenPixelsPerInch();
  job.layout = layout;
  job.title = window.windowTitle();
  job.request = StandardDrawRequest();

  PrintCancelBox box;
  job.cancelled = [&box] { return box.Cancelled(); };
  job.pageStarted = [&box](int32_t page, int32_t count) { box.ShowPage(page, count); };
  box.show();
  window.setEnabled(false);
  PrintOutcome outcome;
  const int32_t result = PrintMapPages(printer, job, outcome);
  // Whatever happened, the window is usable again and the box is gone.
  window.setEnabled(true);
  box.hide();
  if (result == 1) return 0;
  if (result != 0) {
    ReportError("PrintMapToPrinter()", outcome.failedCall ? outcome.failedCall : "StartDoc()", -1);
    return -1;
  }
  return 1;
}

}  // namespace

bool ShowPrintDialog(QWidget* parent, const PrintContext& context, PrintLayout& layout) {
  PrintLayout working = layout;
  PrintDialog dialog(parent, context, working);
  if (dialog.exec() != QDialog::Accepted) return false;
  layout = working;
  return true;
}

int32_t PrintMap(MainWindow& window) {
  if (!EnsurePrinter()) {
    Platform().ShowAlertBox("Unable to find a default printer.", kStopAlert);
    return -1;
  }
  if (!heldPrinter->isValid()) {
    ReportError("PrintMap()", "whileGettingPrinterDC()", -1);
    return -1;
  }
  const PrintContext context =
      CurrentPrintContext(DevicePrintableRect(*heldPrinter, ScreenPixelsPerInch()));
  PrintLayout layout =
      OpeningPrintLayout(lastChoice, CurrentGeometrySettings().distanceUnit, context);
  if (!ShowPrintDialog(&window, context, layout)) return 0;
  lastChoice = layout.choice;
  if (layout.choice == PrintSizeChoice::kFitToPage) PrintLayoutFitToPage(layout, context);
  return PrintMapToPrinter(window, layout);
}

int32_t PrintSetup(MainWindow& window) {
  if (!EnsurePrinter()) {
    Platform().ShowAlertBox("Unable to find a default printer.", kStopAlert);
    return -1;
  }
  QPageSetupDialog dialog(heldPrinter.get(), &window);
  dialog.exec();
  return 0;
}

int32_t SavePICTFile(MainWindow& window) {
  const QString bitmap = QStringLiteral("Bitmap (*.bmp)");
  const QString metafile = QStringLiteral("Metafile (*.wmf)");
  const QString enhanced = QStringLiteral("Enhanced metafile (*.emf)");
  QString chosenFilter = bitmap;
  QString name =
      QFileDialog::getSaveFileName(&window, QStringLiteral("Save as Picture"), QString(),
                                   bitmap + ";;" + metafile + ";;" + enhanced, &chosenFilter);
  if (name.isEmpty()) return -1;
  const PictureKind kind = chosenFilter == metafile   ? PictureKind::kMetafile
                           : chosenFilter == enhanced ? PictureKind::kEnhancedMetafile
                                                      : PictureKind::kBitmap;
  if (QFileInfo(name).suffix().isEmpty()) {
    name += kind == PictureKind::kMetafile           ? QStringLiteral(".wmf")
            : kind == PictureKind::kEnhancedMetafile ? QStringLiteral(".emf")
                                                     : QStringLiteral(".bmp");
  }
  PictureRequest request;
  request.view = CurrentMapView();
  const ScreenRect& area = MapArea();
  request.width = area.right - area.left;
  request.height = area.bottom - area.top;
  request.screenPixelsPerInch = ScreenPixelsPerInch();
  if (const QScreen* screen = window.screen()) {
    request.displayWidthMm = static_cast<int32_t>(std::lround(screen->physicalSize().width()));
    request.displayHeightMm = static_cast<int32_t>(std::lround(screen->physicalSize().height()));
    request.displayWidthPixels = screen->geometry().width();
    request.displayHeightPixels = screen->geometry().height();
  }
  request.request = StandardDrawRequest();
  std::unique_ptr<SavingPictureBox> box;
  if (kind != PictureKind::kBitmap) {
    box = std::make_unique<SavingPictureBox>(&window);
    box->show();
    request.cancelled = [] { return Platform().EscapePressed(); };
  } else {
    request.request.interrupted = [] { return false; };
  }
  PictureOutcome outcome;
  int32_t result = 0;
  if (kind == PictureKind::kBitmap) {
    result = SavePixelPicture(name.toStdString(), kind, request, outcome);
  } else {
    PictureMeasurer measurer;
    result = SaveMetafilePicture(name.toStdString(), kind, request, measurer.Port(), outcome);
  }
  box.reset();
  if (result == kPictureCancelled) return -1;
  if (result != 0) {
    ReportError("SavePICTFile()", outcome.failedCall ? outcome.failedCall : "SaveDIB()", result);
    return result;
  }
  return 0;
}

void RegisterPrintCommands(MainWindow& window) {
  window.RegisterCommand(kSaveAsPictureCommand, [&window] { SavePICTFile(window); });
  window.RegisterCommand(kPrintSetupCommand, [&window] { PrintSetup(window); });
  window.RegisterCommand(kPrintCommand, [&window] { PrintMap(window); });
}

void ReleasePrinterSetup() {
  heldPrinter.reset();
  lastChoice = PrintSizeChoice::kFitToPage;
}

}  // namespace tlv
