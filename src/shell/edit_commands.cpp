#include "shell/edit_commands.h"

#include <QColor>
#include <QColorDialog>
#include <QInputDialog>
#include <QStringList>

#include <cstdint>
#include <vector>

#include "catalogue/catalogue_files.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "edit/edit_targets.h"
#include "edit/modify.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "iac/delete_selected.h"
#include "platform/qt/text_codec.h"
#include "shell/main_window.h"
#include "store/object_record.h"

namespace tlv {

namespace {

constexpr int kUndoCommand = 201;
constexpr int kDeleteCommand = 202;
constexpr int kMoveToOverlayCommand = 404;
constexpr int kMoveToMapCommand = 405;
constexpr int kSymbolCommand = 410;
constexpr int kPolySwapCommand = 415;
constexpr int kFirstColourItem = 1001;
constexpr int kLastColourItem = 1017;
constexpr int kFirstLineItem = 1028;
constexpr int kLastLineItem = 1037;
constexpr int kFirstFillItem = 1038;
constexpr int kLastFillItem = 1047;

// The colour menu lists the stored colours 1 to 11, 15, 12, 13, 14, 16; position 17 asks for a
// custom colour.
constexpr int16_t kColourOfMenuPosition[17] = {
    1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 15, 12, 13, 14, 16, kCustomColourValue};

bool AnySelected() {
  return SelectedObjectCount() > 0;
}

void Run(MainWindow& window, int32_t command, int32_t value) {
  ModifySelectedObjects(command, value);
  // The selection follows the changed objects to their new places; the last of them is the last
  // object changed, unless the whole batch was refused (then nothing was recorded for Undo).
  ObjectRef last;
  if (UndoEntryCount() > 0 && GetSelectedObject(SelectedObjectCount() - 1, last)) {
    NoteObjectAddedOrChanged(last.mapID, last.overlayID);
  }
  window.InvalidateMap();
}

void ChooseOverlayAndMove(MainWindow& window) {
  QStringList names;
  std::vector<int32_t> ids;
  LayerRecord layer;
  for (int32_t i = 0; GetLayerRecord(i, layer); ++i) {
    names << FromWindows1252(FieldText(layer.name));
    ids.push_back(layer.layerID);
  }
  bool ok = false;
  const QString chosen = QInputDialog::getItem(
      &window, QStringLiteral("TOLVANE"), QStringLiteral("Move the selected objects to overlay:"),
      names, 0, false, &ok);
  const auto at = names.indexOf(chosen);
  if (ok && at >= 0) Run(window, kCommandMoveToOverlay, ids[static_cast<size_t>(at)]);
}

void ChooseMapAndMove(MainWindow& window) {
  QStringList names;
  std::vector<int32_t> ids;
  MapRecord map;
  for (int32_t i = 0; GetMapRecord(i, map); ++i) {
    if (map.inUse == 0 || map.mapID == 0) continue;
    names << FromWindows1252(FieldText(map.name));
    ids.push_back(map.mapID);
  }
  bool ok = false;
  const QString chosen = QInputDialog::getItem(&window, QStringLiteral("TOLVANE"),
                                               QStringLiteral("Move the selected objects to map:"),
                                               names, 0, false, &ok);
  const auto at = names.indexOf(chosen);
  if (ok && at >= 0) Run(window, kCommandMoveToMap, ids[static_cast<size_t>(at)]);
}

void ChooseSymbol(MainWindow& window) {
  bool ok = false;
  const int symbol =
      QInputDialog::getInt(&window, QStringLiteral("TOLVANE"), QStringLiteral("Symbol number:"),
                           212, 0, kMaxSymbolNumber, 1, &ok);
  if (ok) Run(window, kCommandSymbol, symbol);
}

}  // namespace

void RegisterEditCommands(MainWindow& window) {
  window.RegisterCommand(
      kUndoCommand,
      [&window] {
        Undo();
        window.InvalidateMap();
      },
      [] { return UndoKindNow() != kUndoNothing; });
  window.RegisterCommand(
      kDeleteCommand,
      [&window] {
        DeleteSelectedObjects();
        window.InvalidateMap();
      },
      AnySelected);
  for (int id = kFirstColourItem; id <= kLastColourItem; ++id) {
    const int16_t colour = kColourOfMenuPosition[id - kFirstColourItem];
    window.RegisterCommand(
        id, [&window, colour] { Run(window, kCommandColour, colour); }, AnySelected);
  }
  for (int id = kFirstLineItem; id <= kLastLineItem; ++id) {
    const int32_t choice = id - kFirstLineItem + 1;
    window.RegisterCommand(
        id, [&window, choice] { Run(window, kCommandLine, choice); }, AnySelected);
  }
  for (int id = kFirstFillItem; id <= kLastFillItem; ++id) {
    const int32_t pattern = id - kFirstFillItem + 1;
    window.RegisterCommand(
        id, [&window, pattern] { Run(window, kCommandFill, pattern); }, AnySelected);
  }
  window.RegisterCommand(
      kSymbolCommand, [&window] { ChooseSymbol(window); }, AnySelected);
  window.RegisterCommand(
      kPolySwapCommand, [&window] { Run(window, kCommandPolySwap, kPolySwapValue); }, AnySelected);
  window.RegisterCommand(
      kMoveToOverlayCommand, [&window] { ChooseOverlayAndMove(window); },
      [] { return AnySelected() && LayerCount() > 1; });
  window.RegisterCommand(
      kMoveToMapCommand, [&window] { ChooseMapAndMove(window); },
      [] { return AnySelected() && MapCount() > 1; });
}

}  // namespace tlv
