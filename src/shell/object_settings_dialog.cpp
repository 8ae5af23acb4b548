#include "shell/object_settings_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/files.h"
#include "base/strings.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "edit/edit_targets.h"
#include "edit/modify.h"
#include "edit/new_object.h"
#include "edit/object_settings.h"
#include "edit/selection.h"
#include "geometry/coordinates.h"
#include "platform/qt/text_codec.h"
#include "render/graphics_tables.h"
#include "render/symbols.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/symbol_chooser.h"

namespace tlv {
namespace {

constexpr int kObjectSettingsCommand = 401;
constexpr int kPopUpObjectSettingsCommand = 20401;
// The colour list shows the stored colours in the menu's order; its last line asks for a custom
// colour.
constexpr int16_t kColourOfPosition[kColourTableSize] = {1, 2,  3,  4,  5,  6,  7,  8,
                                                         9, 10, 11, 15, 12, 13, 14, 16};
constexpr int kCustomColourItem = kCustomColourValue;
constexpr int kLineChoices = 10;
// An object stores its fill pattern in four bits.
constexpr int kStoredPatterns = 16;
constexpr int kMaxFontNumber = 255;
constexpr int kSwatchSize = 16;
constexpr int16_t kDrawTextsList = 26100;
constexpr int16_t kBadCoordinate = 9;

QIcon ColourSwatch(const RGBColour& c) {
  QPixmap pixmap(kSwatchSize, kSwatchSize * 3 / 4);
  pixmap.fill(QColor(c.red, c.green, c.blue));
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
  return QIcon(pixmap);
}

QIcon PatternSwatch(int16_t pattern) {
  QPixmap pixmap(kSwatchSize, kSwatchSize);
  pixmap.fill(Qt::white);
  QPainter painter(&pixmap);
  if (const uint8_t* rows = PatternRows(NormalizePattern(pattern), false)) {
    for (int y = 0; y < kSwatchSize; ++y) {
      for (int x = 0; x < kSwatchSize; ++x) {
        if ((rows[y % 8] >> (7 - x % 8)) & 1) painter.fillRect(x, y, 1, 1, Qt::black);
      }
    }
  }
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, kSwatchSize - 1, kSwatchSize - 1);
  return QIcon(pixmap);
}

QString MenuLabel(const MenuEntry& entry) {
  QString label = FromWindows1252(LabelText(entry.label));
  label.remove(QLatin1Char('&'));
  return label;
}

WPoint Unflagged(WPoint p) {
  return {static_cast<int32_t>(static_cast<uint32_t>(p.x) & ~kNewPieceBit), p.y};
}

// Where the coordinates of an object are shown: a point's place, else its rectangle's centre.
WPoint AnchorOf(int16_t type, const WRect& rect, WPoint point) {
  if (type == kPointObject) return point;
  return {static_cast<int32_t>((int64_t{rect.x1} + rect.x2) / 2),
          static_cast<int32_t>((int64_t{rect.y1} + rect.y2) / 2)};
}

// What the dialog shows and gives back, for a new object and an existing one alike.
struct DialogValues {
  int16_t type = 0;
  std::string prefix;
  std::string name;
  ObjectGraphics graphics;
  uint32_t customColour = 0;
  int32_t overlayID = 0;
  std::string mapName;
  std::string text;
  WPoint anchor;
  std::string idText;
  bool newObject = true;
  // A picture file chosen in the dialog (its full path), to be copied into the map's folder;
  // empty while the picture is unchanged.
  std::string pictureSource;
};

// The file name a picture row shows: the stored name, or the chosen file's own name.
QString PictureLabel(const DialogValues& values) {
  if (!values.pictureSource.empty()) {
    return QFileInfo(QString::fromLocal8Bit(values.pictureSource.c_str())).fileName();
  }
  return QFileInfo(QString::fromLocal8Bit(values.text.c_str())).fileName();
}

class SettingsDialog : public QDialog {
 public:
  SettingsDialog(QWidget* parent, DialogValues& values) : QDialog(parent), values_(values) {
    setWindowTitle(QStringLiteral("Object Settings"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    layout->addLayout(form);
    const int16_t type = values.type;

    prefix_ = AddLine(form, "prefix", "Prefix:", values.prefix, kMaxNamePartLength);
    name_ = AddLine(form, "name", "Name:", values.name, kMaxNamePartLength);

    overlay_ = new QComboBox(this);
    overlay_->setObjectName(QStringLiteral("overlay"));
    if (values.newObject) {
      for (const int32_t id : UnlockedOverlayIDs()) {
        overlay_->addItem(FromWindows1252(LayerName(LayerIDToIndex(id))), id);
      }
    } else {
      overlay_->addItem(FromWindows1252(LayerName(LayerIDToIndex(values.overlayID))),
                        values.overlayID);
      // Moving to another overlay or map is the Overlays menu's Move Objects commands.
      overlay_->setEnabled(false);
    }
    overlay_->setCurrentIndex(std::max(0, overlay_->findData(values.overlayID)));
    form->addRow(QStringLiteral("Overlay:"), overlay_);
    form->addRow(QStringLiteral("Map:"), new QLabel(FromWindows1252(values.mapName), this));

    colour_ = new QComboBox(this);
    colour_->setObjectName(QStringLiteral("colour"));
    const MenuEntry& colours = ColorSubMenu();
    for (int i = 0; i < kColourTableSize; ++i) {
      const int16_t code = kColourOfPosition[i];
      colour_->addItem(ColourSwatch(ColourForCode(code, RGBColour{})),
                       MenuLabel(colours.subMenu[static_cast<size_t>(i)]), code);
    }
    colour_->addItem(MenuLabel(colours.subMenu.back()), kCustomColourItem);
    const bool customActive = (values.customColour & kCustomColourActive) != 0;
    colour_->setCurrentIndex(
        std::max(0, colour_->findData(customActive ? kCustomColourItem : values.graphics.colour)));
    ShowCustomSwatch();
    QObject::connect(colour_, &QComboBox::activated, this, [this](int index) {
      if (colour_->itemData(index).toInt() != kCustomColourItem) return;
      const uint32_t rgb = values_.customColour & kCustomColourRGBMask;
      const QColor chosen =
          QColorDialog::getColor(QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF), this);
      if (chosen.isValid()) {
        customRGB_ =
            static_cast<uint32_t>(chosen.red() << 16 | chosen.green() << 8 | chosen.blue());
        customChosen_ = true;
        ShowCustomSwatch();
      }
    });
    form->addRow(QStringLiteral("Color:"), colour_);

    const bool lined = type != kPointObject && type != kTextObject && type != kPictureObject;
    if (lined) {
      line_ = new QComboBox(this);
      line_->setObjectName(QStringLiteral("line"));
      const MenuEntry& lines = LineStyleSubMenu();
      int current = -1;
      for (int choice = 1; choice <= kLineChoices; ++choice) {
        int16_t lineType = 0, variant = 0;
        LineChoice(choice, lineType, variant);
        line_->addItem(MenuLabel(lines.subMenu[static_cast<size_t>(choice - 1)]), choice);
        if (lineType == values.graphics.lineType && variant == values.graphics.variant) {
          current = choice - 1;
        }
      }
      if (current < 0) {
        // A line the menu does not offer stays as it is unless another is chosen.
        line_->insertItem(0, QStringLiteral("(as it is)"), 0);
        current = 0;
      }
      line_->setCurrentIndex(current);
      form->addRow(QStringLiteral("Line:"), line_);
    }
    if (type == kRectangleObject || type == kCircleObject || type == kPolygonObject) {
      fill_ = new QComboBox(this);
      fill_->setObjectName(QStringLiteral("fill"));
      const MenuEntry& fills = FillPatternSubMenu();
      for (int16_t p = 0; p < kStoredPatterns; ++p) {
        const QString label = p >= 1 && static_cast<size_t>(p) <= fills.subMenu.size()
                                  ? MenuLabel(fills.subMenu[static_cast<size_t>(p - 1)])
                                  : QStringLiteral("Pattern %1").arg(p);
        fill_->addItem(PatternSwatch(p), label, p);
      }
      fill_->setCurrentIndex(std::max(0, fill_->findData(values.graphics.fillPattern & 0xF)));
      form->addRow(QStringLiteral("Fill:"), fill_);
    }
    if (type == kPointObject) {
      symbol_ = new QSpinBox(this);
      symbol_->setObjectName(QStringLiteral("symbol"));
      symbol_->setRange(0, kMaxSymbolNumber);
      symbol_->setValue(values.graphics.symbol);
      auto* description = new QLabel(this);
      auto describe = [description](int symbol) {
        description->setText(FromWindows1252(SymbolDescription(symbol)));
      };
      describe(symbol_->value());
      QObject::connect(symbol_, &QSpinBox::valueChanged, description, describe);
      auto* pick = new QPushButton(QStringLiteral("Choose..."), this);
      pick->setObjectName(QStringLiteral("chooseSymbol"));
      QObject::connect(pick, &QPushButton::clicked, this, [this] {
        int32_t symbol = symbol_->value();
        if (ChooseSymbol(this, symbol)) symbol_->setValue(symbol);
      });
      auto* symbolRow = new QHBoxLayout;
      symbolRow->addWidget(symbol_);
      symbolRow->addWidget(pick);
      symbolRow->addStretch(1);
      form->addRow(QStringLiteral("Symbol:"), symbolRow);
      form->addRow(QString(), description);
    }
    if (type == kPictureObject) {
      picture_ = new QLabel(PictureLabel(values), this);
      picture_->setObjectName(QStringLiteral("picture"));
      auto* choose = new QPushButton(QStringLiteral("Choose..."), this);
      choose->setObjectName(QStringLiteral("choosePicture"));
      QObject::connect(choose, &QPushButton::clicked, this, [this] { ChoosePicture(); });
      auto* row = new QHBoxLayout;
      row->addWidget(picture_, 1);
      row->addWidget(choose);
      form->addRow(QStringLiteral("Picture:"), row);
    }
    if (type == kTextObject) {
      text_ = AddLine(form, "text", "Text:", values.text, kMaxTextReadLength);
      font_ = new QSpinBox(this);
      font_->setObjectName(QStringLiteral("font"));
      font_->setRange(0, kMaxFontNumber);
      font_->setValue(values.graphics.textValue);
      form->addRow(QStringLiteral("Font:"), font_);
      style_ = new QSpinBox(this);
      style_->setObjectName(QStringLiteral("style"));
      style_->setRange(0, kMaxFontNumber);
      style_->setValue(values.graphics.textCode);
      form->addRow(QStringLiteral("Text style:"), style_);
      box_ = new QCheckBox(QStringLiteral("Box around the text"), this);
      box_->setObjectName(QStringLiteral("box"));
      box_->setChecked(values.graphics.textFlag != 0);
      form->addRow(QString(), box_);
    }

    FormatLatLong(values.anchor, latText_, longText_);
    latitude_ = AddLine(form, "latitude", "Latitude:", latText_, 40);
    longitude_ = AddLine(form, "longitude", "Longitude:", longText_, 40);
    form->addRow(QStringLiteral("ID:"), new QLabel(FromWindows1252(values.idText), this));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QObject::connect(buttons, &QDialogButtonBox::accepted, this, [this] { TryAccept(); });
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
  }

  // The offset the typed coordinates ask for.
  int32_t dx = 0;
  int32_t dy = 0;

 private:
  QLineEdit* AddLine(QFormLayout* form, const char* objectName, const char* label,
                     const std::string& value, int maxLength) {
    auto* edit = new QLineEdit(FromWindows1252(value), this);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setMaxLength(maxLength);
    form->addRow(QString::fromLatin1(label), edit);
    return edit;
  }

  // Another picture file for the object: only one that can be read is taken.
  void ChoosePicture() {
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
      patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    }
    QFileDialog chooser(this, QStringLiteral("Choose Picture"));
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setNameFilters({QStringLiteral("Pictures (%1)").arg(patterns.join(QLatin1Char(' '))),
                            QStringLiteral("All files (*)")});
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return;
    const QString file = chooser.selectedFiles().constFirst();
    if (!PictureReadable(file)) {
      ShowAlert(UnreadablePictureText(file), kStopAlert);
      return;
    }
    chosenPicture_ = file.toLocal8Bit().toStdString();
    picture_->setText(QFileInfo(file).fileName());
  }

  void ShowCustomSwatch() {
    const int index = colour_->findData(kCustomColourItem);
    const uint32_t rgb = customChosen_ ? customRGB_ : values_.customColour & kCustomColourRGBMask;
    colour_->setItemIcon(index, ColourSwatch(RGBColour{static_cast<uint8_t>((rgb >> 16) & 0xFF),
                                                       static_cast<uint8_t>((rgb >> 8) & 0xFF),
                                                       static_cast<uint8_t>(rgb & 0xFF)}));
  }

  void TryAccept() {
    // Coordinates: only a field the user changed moves the object.
    const WPoint anchor = values_.anchor;
    double lat = 0, lon = 0;
    const std::string latTyped = ToWindows1252(latitude_->text());
    const std::string longTyped = ToWindows1252(longitude_->text());
    const LatLong at = WorldToLatLong(anchor);
    lat = at.latLetter == 'S' ? -at.latitude : at.latitude;
    lon = at.longLetter == 'W' ? -at.longitude : at.longitude;
    if (latTyped != latText_ && !ParseCoordinateText(latTyped, true, lat)) {
      ShowAlert(FormatTextV(GetIndString(kDrawTextsList, kBadCoordinate).c_str(), latTyped.c_str()),
                kStopAlert);
      return;
    }
    if (longTyped != longText_ && !ParseCoordinateText(longTyped, false, lon)) {
      ShowAlert(
          FormatTextV(GetIndString(kDrawTextsList, kBadCoordinate).c_str(), longTyped.c_str()),
          kStopAlert);
      return;
    }
    const WPoint wanted =
        LatLongToWorld(std::fabs(lat), std::fabs(lon), lat < 0 ? 'S' : 'N', lon < 0 ? 'W' : 'E');
    dx = longTyped != longText_ ? wanted.x - anchor.x : 0;
    dy = latTyped != latText_ ? wanted.y - anchor.y : 0;

    values_.prefix = ToWindows1252(prefix_->text());
    values_.name = ToWindows1252(name_->text());
    const int32_t overlay = overlay_->currentData().toInt();
    if (values_.newObject && overlay != values_.overlayID) {
      // Another overlay gives its own defaults; what this dialog sets still applies below.
      values_.graphics = OverlayDefaultGraphics(overlay);
    }
    values_.overlayID = overlay;
    ObjectGraphics& g = values_.graphics;
    const int colour = colour_->currentData().toInt();
    if (colour == kCustomColourItem) {
      const uint32_t rgb =
          customChosen_ ? customRGB_ : (values_.customColour & kCustomColourRGBMask);
      values_.customColour = rgb | kCustomColourPresent | kCustomColourActive;
    } else {
      g.colour = static_cast<int16_t>(colour);
      values_.customColour &= ~kCustomColourActive;
    }
    if (line_ != nullptr && line_->currentData().toInt() > 0) {
      LineChoice(line_->currentData().toInt(), g.lineType, g.variant);
    }
    if (fill_ != nullptr) g.fillPattern = static_cast<int16_t>(fill_->currentData().toInt());
    if (symbol_ != nullptr) g.symbol = static_cast<int16_t>(symbol_->value());
    if (text_ != nullptr) values_.text = ToWindows1252(text_->text());
    if (!chosenPicture_.empty()) values_.pictureSource = chosenPicture_;
    if (font_ != nullptr) g.textValue = static_cast<int16_t>(font_->value());
    if (style_ != nullptr) g.textCode = static_cast<int16_t>(style_->value());
    if (box_ != nullptr) g.textFlag = box_->isChecked() ? 1 : 0;
    accept();
  }

  DialogValues& values_;
  QLineEdit* prefix_ = nullptr;
  QLineEdit* name_ = nullptr;
  QComboBox* overlay_ = nullptr;
  QComboBox* colour_ = nullptr;
  QComboBox* line_ = nullptr;
  QComboBox* fill_ = nullptr;
  QSpinBox* symbol_ = nullptr;
  QLineEdit* text_ = nullptr;
  QLabel* picture_ = nullptr;
  std::string chosenPicture_;
  QSpinBox* font_ = nullptr;
  QSpinBox* style_ = nullptr;
  QCheckBox* box_ = nullptr;
  QLineEdit* latitude_ = nullptr;
  QLineEdit* longitude_ = nullptr;
  std::string latText_;
  std::string longText_;
  uint32_t customRGB_ = 0;
  bool customChosen_ = false;
};

void MoveNewObject(NewObject& object, int32_t dx, int32_t dy) {
  if (dx == 0 && dy == 0) return;
  object.point.x += dx;
  object.point.y += dy;
  object.rect = {object.rect.x1 + dx, object.rect.y1 + dy, object.rect.x2 + dx,
                 object.rect.y2 + dy};
  for (WPoint& p : object.points) {
    const uint32_t flag = static_cast<uint32_t>(p.x) & kNewPieceBit;
    const WPoint moved{Unflagged(p).x + dx, p.y + dy};
    p = {static_cast<int32_t>(static_cast<uint32_t>(moved.x) | flag), moved.y};
  }
}

}  // namespace

bool PictureReadable(const QString& file) {
  QImageReader reader(file);
  return QFileInfo(file).isFile() && reader.canRead() && reader.size().isValid();
}

std::string UnreadablePictureText(const QString& file) {
  return "The picture \"" + ToWindows1252(QFileInfo(file).fileName()) +
         "\" cannot be read. It may be damaged, or a kind of picture this program cannot show.";
}

bool ParseCoordinateText(const std::string& text, bool latitude, double& signedDegrees) {
  std::vector<double> numbers;
  char letter = 0;
  bool negative = false;
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (std::isdigit(c) || (c == '.' && i + 1 < text.size() &&
                            std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
      size_t end = i;
      while (end < text.size() &&
             (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.')) {
        ++end;
      }
      try {
        numbers.push_back(std::stod(text.substr(i, end - i)));
      } catch (...) {
        return false;
      }
      i = end;
      continue;
    }
    const char upper = static_cast<char>(std::toupper(c));
    if (c == '-' && numbers.empty()) {
      negative = true;
    } else if (upper == 'N' || upper == 'S' || upper == 'E' || upper == 'W') {
      if (letter != 0) return false;
      letter = upper;
    } else if (!(c == ' ' || c == '\t' || c == ',' || c == '+' || c == '\'' || c == '"' ||
                 c == static_cast<unsigned char>(kDegreeSign) ||
                 c == static_cast<unsigned char>(kMinuteSign))) {
      return false;
    }
    ++i;
  }
  if (numbers.empty() || numbers.size() > 3) return false;
  if (letter != 0 && latitude != (letter == 'N' || letter == 'S')) return false;
  if (numbers.size() > 1 && (numbers[1] >= 60 || (numbers.size() > 2 && numbers[2] >= 60))) {
    return false;
  }
  double degrees = numbers[0];
  if (numbers.size() > 1) degrees += numbers[1] / 60.0;
  if (numbers.size() > 2) degrees += numbers[2] / 3600.0;
  if (degrees > (latitude ? 90.0 : 180.0)) return false;
  if (letter == 'S' || letter == 'W') negative = !negative;
  signedDegrees = negative ? -degrees : degrees;
  return true;
}

bool EditNewObjectSettings(QWidget* parent, NewObject& object) {
  DialogValues values;
  values.type = object.type;
  values.prefix = object.prefix;
  values.name = object.name;
  values.graphics = object.graphics;
  values.customColour = object.customColour.value_or(0);
  values.overlayID = object.overlayID;
  const int32_t mapIndex = ChooseEditMap();
  MapRecord map;
  if (GetMapRecord(mapIndex, map)) values.mapName = FieldText(map.name);
  values.text = object.text;
  WRect bounds = object.rect;
  if (!object.points.empty()) {
    bounds = kUnionStartRect;
    for (const WPoint& p : object.points) {
      const WPoint q = Unflagged(p);
      bounds = {std::min(bounds.x1, q.x), std::min(bounds.y1, q.y), std::max(bounds.x2, q.x),
                std::max(bounds.y2, q.y)};
    }
  }
  values.anchor = AnchorOf(object.type, bounds, object.point);
  values.idText = "(new)";
  values.newObject = true;
  SettingsDialog dialog(parent, values);
  if (dialog.exec() != QDialog::Accepted) return false;
  object.prefix = values.prefix;
  object.name = values.name;
  object.graphics = values.graphics;
  if ((values.customColour & kCustomColourActive) != 0) object.customColour = values.customColour;
  object.overlayID = values.overlayID;
  object.text = values.pictureSource.empty() ? values.text : values.pictureSource;
  MoveNewObject(object, dialog.dx, dialog.dy);
  return true;
}

bool EditObjectSettings(QWidget* parent, ObjectRef& object) {
  ObjectSettings settings;
  if (ReadObjectSettings(object, settings) != 0) return false;
  DialogValues values;
  values.type = settings.type;
  values.prefix = settings.prefix;
  values.name = settings.name;
  values.graphics = settings.graphics;
  values.customColour = settings.customColour;
  values.overlayID = object.overlayID;
  MapRecord map;
  if (GetMapRecord(MapIDToIndex(object.mapID), map)) values.mapName = FieldText(map.name);
  values.text = settings.text;
  values.anchor =
      AnchorOf(settings.type, settings.rect, WPoint{settings.rect.x1, settings.rect.y1});
  values.idText = ObjectIDText(settings.id);
  values.newObject = false;
  SettingsDialog dialog(parent, values);
  if (dialog.exec() != QDialog::Accepted) return false;
  ObjectSettings wanted = settings;
  wanted.prefix = values.prefix;
  wanted.name = values.name;
  wanted.graphics = values.graphics;
  wanted.customColour = values.customColour;
  wanted.text = values.text;
  // Another picture is copied beside the overlay files first; a refused edit takes the copy
  // away again.
  std::string copyPath;
  if (!values.pictureSource.empty()) {
    MapRecord map;
    if (!GetMapRecord(MapIDToIndex(object.mapID), map) ||
        CopyPictureToMapFolder(map, values.pictureSource, wanted.text, copyPath) != 0) {
      return false;
    }
  }
  if (ApplyObjectSettings(object, wanted, dialog.dx, dialog.dy) != 0) {
    if (!copyPath.empty()) DeleteFile(copyPath);
    return false;
  }
  return true;
}

void RegisterObjectSettingsCommands(MainWindow& window) {
  auto open = [&window] {
    ObjectRef object;
    if (!GetSelectedObject(SelectedObjectCount() - 1, object)) return;
    if (EditObjectSettings(&window, object)) window.InvalidateMap();
  };
  auto enabled = [] { return SelectedObjectCount() > 0; };
  window.RegisterCommand(kObjectSettingsCommand, open, enabled);
  window.RegisterCommand(kPopUpObjectSettingsCommand, open, enabled);
}

}  // namespace tlv
