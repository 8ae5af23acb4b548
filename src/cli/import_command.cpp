#include "cli/import_command.h"

#include <filesystem>
#include <ostream>

#include "base/files.h"
#include "catalogue/layers.h"
#include "catalogue/open_files.h"
#include "cli/import_old_command.h"
#include "interchange/import.h"
#include "store/directory_table.h"

namespace tlv::cli {

bool IsImportCommand(const std::vector<std::string>& words) {
  return !words.empty() && (words[0] == "import" || words[0] == "import-old");
}

int RunImportCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  if (words[0] == "import-old") return RunImportOldCommand(words, out, err);
  std::string file;
  int32_t mode = kImportUpdate;
  bool ids = false;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word == "--ids") {
      ids = true;
    } else if (word == "--mode" && i + 1 < words.size()) {
      const std::string& value = words[++i];
      if (value == "update") {
        mode = kImportUpdate;
      } else if (value == "skip") {
        mode = kImportSkip;
      } else if (value == "duplicate") {
        mode = kImportDuplicate;
      } else {
        err << "tolvane-cli: --mode takes update, skip or duplicate\n";
        return 1;
      }
    } else if (file.empty() && word.rfind("--", 0) != 0) {
      file = word;
    } else {
      err << "usage: tolvane-cli import FILE [--mode update|skip|duplicate] [--ids]\n";
      return 1;
    }
  }
  if (file.empty()) {
    err << "usage: tolvane-cli import FILE [--mode update|skip|duplicate] [--ids]\n";
    return 1;
  }
  std::error_code ignored;
  std::string path = std::filesystem::absolute(file, ignored).string();
  std::string resolved;
  if (ResolvePath(path, resolved) != 0 || IsFolder(resolved)) {
    err << "tolvane-cli: no such file: " << file << "\n";
    return 1;
  }
  const std::string folder = FolderOfPath(resolved);
  int32_t folderID = -1;
  if (RegisterDirectory(folder, true, folderID) != 0) {
    err << "tolvane-cli: the file's folder cannot be used: " << folder << "\n";
    return 1;
  }
  SetImportMode(mode);
  ImportSummary summary;
  const int32_t result = Import2(0, folderID, resolved.substr(folder.size()), ids, false, &summary);
  // The overlays the import made must outlive this run, as the program keeps them at quit.
  const int32_t saved = SaveLayers();
  CloseBufferedFiles();
  out << "created " << summary.created << ", updated " << summary.updated << ", skipped "
      << summary.skipped << "\n";
  if (result != 0) {
    err << "tolvane-cli: the import stopped with error " << result << "\n";
    return 1;
  }
  if (saved != 0) {
    err << "tolvane-cli: the overlay list could not be saved (error " << saved << ")\n";
    return 1;
  }
  return 0;
}

}  // namespace tlv::cli
