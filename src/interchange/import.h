// Import of interchange files: the import loop, the creation of each record's object with its
// overlay, map and overlay file made when missing, the ID collision modes, locked maps, the pass
// file that reports the new IDs, and the Import command's choices.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/world_types.h"
#include "interchange/mie_record.h"
#include "store/mie_reader.h"

namespace tlv {

// ID collision modes.
constexpr int32_t kImportUpdate = 4;     // replace the existing object
constexpr int32_t kImportSkip = 5;       // keep the existing object, skip the record
constexpr int32_t kImportDuplicate = 6;  // import as a new object with the same ID

// The mode of the next import; every import returns it to Update when it ends.
void SetImportMode(int32_t mode);
int32_t ImportMode();

// What the import asks of the Parts above it. Each may be left empty.
struct ImportHooks {
  // The progress box: opened with its title and text, told the share read, closed. The answer of
  // progress is true when the user cancelled.
  std::function<void(const std::string& title, const std::string& text)> openProgress;
  std::function<bool(int32_t percent)> progress;
  std::function<void()> closeProgress;
  // The view is set to this world rectangle (the extent of a map the import created).
  std::function<void(const WRect& extent)> showExtent;
  std::function<void()> redraw;
  // Names of threat-zone objects pass through here.
  std::function<void(std::string& name)> threatZoneName;
  // The open-file dialog of the Import command: title and filters (each "label|*.ext;*.ext");
  // false on Cancel.
  std::function<bool(const std::string& title, const std::vector<std::string>& filters,
                     std::string& path)>
      chooseFile;
  // The map a 1.x export file goes onto when the user wants an existing one: a position in
  // names (the maps that may take objects), or -1 on Cancel.
  std::function<int32_t(const std::string& title, const std::vector<std::string>& names)> chooseMap;
  // Shapefiles go to the threat-zone bridge's shapefile import.
  std::function<int32_t(const std::string& path)> importShapefile;
};
void SetImportHooks(ImportHooks hooks);
const ImportHooks& CurrentImportHooks();

// Whether text read from import files is examined and converted to Windows-1252 when it is
// recognised as UTF-8 or as Mac OS Roman (the configuration flag
// USEAUTOMATICCHARACTERSETRECOGNITION, which start-up hands over; on until set).
void SetImportCharacterSetRecognition(bool on);

// What one import did.
struct ImportSummary {
  int32_t created = 0;
  int32_t updated = 0;  // created in place of an existing object with the same ID
  int32_t skipped = 0;  // records not imported (existing ID in Skip mode, locked map)
  int32_t lockedSkips = 0;
  int32_t createdMapID = 0;  // the last map the import created, or 0
};

// Imports the file name in the folder dirID. With writePassFile each record starts with the
// caller's record number and a ".OUT" file beside the import file lists the IDs given.
int32_t Import2(int16_t volume, int32_t dirID, const std::string& name, bool writePassFile,
                bool showProgress, ImportSummary* summary = nullptr);

// The pass file's name for an import file path: ".OUT" in place of the extension, or appended
// when the name has none.
std::string PassFilePath(const std::string& importPath);

// The Import command: file choice, empty files, shapefiles, 1.x files, the collision choice and
// the import.
int32_t ChooseImportFile();

// Reads one record of the running import and creates its object; recordNumber receives the
// caller's record number when the import writes a pass file.
int32_t ImportObject(MIEReader& reader, int32_t& recordNumber);
// Creates the object of a record that has been read (also for the side formats' records).
int32_t CreateImportedObject(ImportRecord& record);

void ResetImportForTesting();

}  // namespace tlv
