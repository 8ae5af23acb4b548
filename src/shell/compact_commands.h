// The maintenance commands of the shell: compaction with its progress window, and the items of
// the "FileFix" menu that the configuration flag FILEFIXMENU adds (recover deleted objects, the
// text dumps of overlay files, the rebuild from an object file, the index files).
#pragma once

#include <cstdint>

class QWidget;

namespace tlv {

class MainWindow;

void RegisterCompactCommands(MainWindow& window);

// The "&Compact Maps" button's work: the confirmation, then every overlay file of every map in
// use with a progress window (a bar, the step text and Cancel). -1 when the user cancelled.
int32_t CompactMapFilesWithProgress(QWidget* parent);

}  // namespace tlv
