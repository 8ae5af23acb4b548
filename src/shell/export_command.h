// The File menu's Export command (107) with its dialog and the "Simple Text Export Fields"
// dialog, and the Bonus menu's BNA command (803): the dialogs gather the settings, the core
// writes the file.
#pragma once

class QWidget;

namespace tlv {

class MainWindow;

// Shows the Export dialog over the settings kept while the program runs; true on Export (the
// settings are then changed), false on Cancel. selectionObjects and collectionObjects say which
// sources have objects.
bool ShowExportDialog(QWidget* parent, bool selectionObjects, bool collectionObjects);

// Installs export's dialog, progress and folder hooks and registers commands 107 and 803.
void RegisterExportCommands(MainWindow& window);

}  // namespace tlv
