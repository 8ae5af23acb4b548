// The File menu's Import command: the open-file dialog and progress box the import asks for,
// and the command itself.
#pragma once

#include <QString>

#include <string>
#include <vector>

namespace tlv {

class MainWindow;

// "label|*.a;*.b" filters as one Qt file-dialog filter string ("label (*.a *.b);;...").
QString FileDialogFilter(const std::vector<std::string>& filters);

// Installs the import's dialog, progress and view hooks and registers command 106.
void RegisterImportCommand(MainWindow& window);

}  // namespace tlv
