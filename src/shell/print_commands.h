// The File menu's printing and picture commands: "&Save as Picture..." (101), "P&rint Setup..."
// (103) and "&Print...\tCtrl+P" (104), with the "Print" dialog, the cancel box while pages go
// out and the wait box while a metafile is written. The dialogs gather values; the print layout
// rules, the page loop and the picture writers are the core's and render/qt's.
#pragma once

#include <cstdint>

#include "render/print_layout.h"

class QWidget;

namespace tlv {

class MainWindow;

// The "Print" dialog over a layout: true on "Print" with the layout changed, false on Cancel.
bool ShowPrintDialog(QWidget* parent, const PrintContext& context, PrintLayout& layout);

// The commands; each returns 0, -1 (cancelled, or failed after a report) like the original.
int32_t PrintMap(MainWindow& window);
int32_t PrintSetup(MainWindow& window);
int32_t SavePICTFile(MainWindow& window);

// Registers commands 101, 103 and 104.
void RegisterPrintCommands(MainWindow& window);

// Releases the held printer set-up (shutdown and tests).
void ReleasePrinterSetup();

}  // namespace tlv
