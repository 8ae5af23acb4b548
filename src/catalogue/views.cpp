#include "catalogue/views.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "base/endian.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/memory.h"
#include "base/replace_file.h"
#include "store/directory_table.h"
#include "store/file_contents.h"

namespace tlv {

namespace {

constexpr const char* kViewExtension = ".VEW";
constexpr const char* kThumbnailExtension = ".BTS";
constexpr const char* kDuplicateName = "There is already a view with that name on this map.";
constexpr const char* kTooManyFiles = "There are too many files with the same name.";

struct ViewFolders {
  int16_t volume = 0;
  int32_t saved = -1;
  int32_t program = -1;
};
ViewFolders folders;

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool HasViewExtension(const std::string& name) {
  return name.size() > 4 && Upper(name.substr(name.size() - 4)) == kViewExtension;
}

std::string ThumbnailName(const std::string& viewFile) {
  return viewFile.substr(0, viewFile.size() - 4) + kThumbnailExtension;
}

void CopyField(char* field, size_t room, std::string_view text) {
  std::memset(field, 0, room);
  std::memcpy(field, text.data(), std::min(text.size(), room - 1));
}

}  // namespace

ViewRecord DecodeSavedViewImage(const char* p) {
  ViewRecord v;
  std::memcpy(v.name, p, 32);
  std::memcpy(v.mapName, p + 32, 42);
  v.rect = {GetBig32(p + 74), GetBig32(p + 78), GetBig32(p + 82), GetBig32(p + 86)};
  v.scale = GetBig32(p + 90);
  v.flagA = static_cast<unsigned char>(p[94]);
  v.flagB = static_cast<unsigned char>(p[95]);
  std::memcpy(v.fileName, p + 96, 32);
  v.volume = GetBig16(p + 128);
  v.folderID = GetBig32(p + 130);
  // Names are NUL-terminated within their room, whatever the file held.
  v.name[sizeof v.name - 1] = '\0';
  v.mapName[sizeof v.mapName - 1] = '\0';
  v.fileName[sizeof v.fileName - 1] = '\0';
  return v;
}

void EncodeSavedViewImage(const ViewRecord& v, char* p) {
  std::memset(p, 0, kViewFileSize);
  CopyField(p, 32, std::string_view(v.name, strnlen(v.name, sizeof v.name)));
  CopyField(p + 32, 42, std::string_view(v.mapName, strnlen(v.mapName, sizeof v.mapName)));
  PutBig32(p + 74, v.rect.x1);
  PutBig32(p + 78, v.rect.y1);
  PutBig32(p + 82, v.rect.x2);
  PutBig32(p + 86, v.rect.y2);
  PutBig32(p + 90, v.scale);
  p[94] = static_cast<char>(v.flagA & 0xFF);
  p[95] = static_cast<char>(v.flagB & 0xFF);
  CopyField(p + 96, 32, std::string_view(v.fileName, strnlen(v.fileName, sizeof v.fileName)));
  PutBig16(p + 128, v.volume);
  PutBig32(p + 130, v.folderID);
}

bool SameViewByName(const ViewRecord& a, const ViewRecord& b) {
  return a.rect == b.rect && a.scale == b.scale && std::strncmp(a.name, b.name, sizeof a.name) == 0;
}

bool SameViewByFile(const ViewRecord& a, const ViewRecord& b) {
  return a.rect == b.rect && a.scale == b.scale && a.volume == b.volume &&
         a.folderID == b.folderID && std::strncmp(a.fileName, b.fileName, sizeof a.fileName) == 0;
}

void SetViewFolders(int16_t volume, int32_t savedViews, int32_t programViews) {
  folders = {volume, savedViews, programViews};
}

int32_t SavedViewsFolderID() {
  return folders.saved;
}

int32_t ProcessView(int16_t volume, int32_t folderID, const std::string& fileName,
                    const ViewFunction& function) {
  char bytes[kViewFileSize + 1];
  int32_t length = kViewFileSize + 1;
  int32_t err = ReadFileContents(volume, folderID, fileName.c_str(), bytes, length, nullptr, false);
  if (err == 0 && length != kViewFileSize) err = kErrBadLength;
  if (err != 0) {
    // One report, and the other views are still listed.
    ReportFileContentsError("ProcessView()", err, volume, folderID, fileName.c_str());
    return 0;
  }
  ViewRecord view = DecodeSavedViewImage(bytes);
  CopyField(view.fileName, sizeof view.fileName, fileName);
  view.volume = volume;
  view.folderID = folderID;
  return function(view);
}

int32_t ForEachViewFile(const ViewFunction& function) {
  for (const int32_t folderID : {folders.saved, folders.program}) {
    if (folderID < 0) continue;
    std::string path;
    if (MakeFullPath(folders.volume, folderID, "", path) != 0) continue;
    std::vector<FolderEntry> items;
    if (ListFolder(path, items) != 0) continue;
    for (const FolderEntry& item : items) {
      // Names that cannot be stored in a view record are no view files of ours.
      if (item.isFolder || !HasViewExtension(item.name) ||
          item.name.size() > static_cast<size_t>(kViewNameRoom)) {
        continue;
      }
      const int32_t err = ProcessView(folders.volume, folderID, item.name, function);
      if (err != 0) return err;
    }
  }
  return 0;
}

std::string ChooseViewFileName(int16_t volume, int32_t folderID, std::string_view viewName) {
  std::string base(viewName.substr(0, kViewFileBaseRoom));
  for (char& c : base) {
    if (c == '/' || c == '\\' || c == '\0') c = '_';
  }
  if (!base.empty() && base[0] == '.') base[0] = '_';
  if (base.empty()) base = "_";
  std::string path;
  std::vector<FolderEntry> items;
  if (MakeFullPath(volume, folderID, "", path) == 0) ListFolder(path, items);
  auto taken = [&items](const std::string& name) {
    const std::string upper = Upper(name);
    return std::any_of(items.begin(), items.end(),
                       [&upper](const FolderEntry& item) { return Upper(item.name) == upper; });
  };
  for (char digit = '1'; digit <= '9'; ++digit) {
    const std::string name = base + (digit == '1' ? "" : std::string(1, digit)) + kViewExtension;
    if (!taken(name) && !taken(ThumbnailName(name))) return name;
  }
  ShowAlert(kTooManyFiles, kStopAlert);
  return {};
}

int32_t SaveView(const ViewRecord& view, std::string_view thumbnail, ViewRecord& saved) {
  const std::string name(view.name, strnlen(view.name, sizeof view.name));
  const std::string mapName(view.mapName, strnlen(view.mapName, sizeof view.mapName));
  bool duplicate = false;
  ForEachViewFile([&](const ViewRecord& other) {
    duplicate = duplicate || (name == other.name && mapName == other.mapName);
    return 0;
  });
  if (duplicate) {
    ShowAlert(kDuplicateName, kStopAlert);
    return kErrGeneral;
  }
  if (folders.saved < 0) {
    ReportError("SaveViewDialog()", "WriteFileContents()", kErrGeneral);
    return kErrGeneral;
  }
  const std::string fileName = ChooseViewFileName(folders.volume, folders.saved, name);
  if (fileName.empty()) return kErrGeneral;
  saved = view;
  saved.flagA = 0;
  saved.flagB = 0;
  CopyField(saved.fileName, sizeof saved.fileName, fileName);
  saved.volume = folders.volume;
  saved.folderID = folders.saved;
  char bytes[kViewFileSize];
  EncodeSavedViewImage(saved, bytes);
  std::string viewPath, thumbnailPath;
  int32_t err = MakeFullPath(folders.volume, folders.saved, fileName, viewPath);
  if (err == 0)
    err = MakeFullPath(folders.volume, folders.saved, ThumbnailName(fileName), thumbnailPath);
  if (err == 0) err = ReplaceFileContents(viewPath, std::string_view(bytes, kViewFileSize));
  if (err == 0) {
    err = ReplaceFileContents(thumbnailPath, thumbnail);
    // A view without its thumbnail is not kept.
    if (err != 0) DeleteFile(viewPath);
  }
  if (err != 0) {
    ReportError("SaveViewDialog()", "WriteFileContents()", err);
    return err;
  }
  return 0;
}

int32_t ApplyViewList(const std::vector<ViewRecord>& list, std::vector<ViewRecord>& deleted) {
  deleted.clear();
  std::vector<ViewRecord> onDisk;
  ForEachViewFile([&onDisk](const ViewRecord& view) {
    if (view.folderID == folders.saved) onDisk.push_back(view);
    return 0;
  });
  int32_t first = 0;
  for (const ViewRecord& file : onDisk) {
    const auto kept = std::find_if(
        list.begin(), list.end(), [&file](const ViewRecord& v) { return SameViewByFile(v, file); });
    const std::string fileName(file.fileName, strnlen(file.fileName, sizeof file.fileName));
    std::string viewPath, thumbnailPath;
    int32_t err = MakeFullPath(file.volume, file.folderID, fileName, viewPath);
    if (err == 0)
      err = MakeFullPath(file.volume, file.folderID, ThumbnailName(fileName), thumbnailPath);
    if (err == 0 && kept == list.end()) {
      err = DeleteFile(viewPath);
      if (err == 0 && FileExists(thumbnailPath)) err = DeleteFile(thumbnailPath);
      if (err == 0) deleted.push_back(file);
      if (err != 0) ReportError("DeleteIfMissingFromList()", "hdelete()", err);
    } else if (err == 0) {
      char before[kViewFileSize];
      char after[kViewFileSize];
      EncodeSavedViewImage(file, before);
      EncodeSavedViewImage(*kept, after);
      if (std::memcmp(before, after, kViewFileSize) != 0) {
        err = ReplaceFileContents(viewPath, std::string_view(after, kViewFileSize));
        if (err != 0) ReportError("OverwriteFromList()", "WriteFileContents()", err);
      }
    }
    if (first == 0) first = err;
  }
  return first;
}

std::vector<ViewRecord> SortedViews() {
  std::vector<ViewRecord> views;
  ForEachViewFile([&views](const ViewRecord& view) {
    views.push_back(view);
    return 0;
  });
  std::stable_sort(views.begin(), views.end(), [](const ViewRecord& a, const ViewRecord& b) {
    const int byName = std::strncmp(a.name, b.name, sizeof a.name);
    return byName != 0 ? byName < 0 : std::strncmp(a.fileName, b.fileName, sizeof a.fileName) < 0;
  });
  return views;
}

int32_t ReadViewThumbnail(const ViewRecord& view, std::string& packedBitmap) {
  const std::string fileName(view.fileName, strnlen(view.fileName, sizeof view.fileName));
  if (!HasViewExtension(fileName)) return kErrGeneral;
  Handle handle = nullptr;
  int32_t length = 0;
  const int32_t err = ReadFileContents(view.volume, view.folderID, ThumbnailName(fileName).c_str(),
                                       nullptr, length, &handle, false);
  if (err != 0) return err;
  packedBitmap.assign(*handle, static_cast<size_t>(length));
  MyDisposeHandle(handle);
  return 0;
}

void ResetViewsForTesting() {
  folders = ViewFolders();
}

}  // namespace tlv
