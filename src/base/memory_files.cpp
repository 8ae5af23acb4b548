#include "base/memory_files.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <set>

#include "base/errors.h"

namespace tlv {

namespace {

constexpr int64_t kRootID = 0;
// What FreeSpace answers without a capacity: plenty, and far from any overflow.
constexpr int64_t kUnlimitedFreeSpace = int64_t{1} << 40;

// The components of a path; a relative path counts from the root, "." and empty ones are
// skipped and ".." steps back.
std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    std::string part = path.substr(pos, slash - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    pos = slash + 1;
  }
  return parts;
}

bool EndsWithSlash(const std::string& path) {
  return !path.empty() && path.back() == '/';
}

}  // namespace

// One open file: it works while its node lives and no loss of power came between.
class MemoryFileBody : public OpenFileBody {
 public:
  MemoryFileBody(MemoryFileSystem& files, int64_t id)
      : files_(files), id_(id), epoch_(files.epoch_) {
    ++files_.openCounts_[id_];
  }
  ~MemoryFileBody() override { Close(); }
  MemoryFileBody(const MemoryFileBody&) = delete;
  MemoryFileBody& operator=(const MemoryFileBody&) = delete;

  int32_t Read(int64_t offset, int32_t count, void* destination, int32_t& got) override {
    got = 0;
    MemoryFileSystem::Node* node = Live();
    if (node == nullptr || files_.Fails(MemoryFileSystem::Operation::kRead)) return kErrIO;
    const int64_t size = static_cast<int64_t>(node->data.size());
    if (offset >= size) return 0;
    got = static_cast<int32_t>(std::min<int64_t>(count, size - offset));
    std::memcpy(destination, node->data.data() + offset, static_cast<size_t>(got));
    return 0;
  }

  int32_t Write(int64_t offset, int32_t count, const void* source) override {
    MemoryFileSystem::Node* node = Live();
    files_.Mutating();
    if (node == nullptr || files_.Fails(MemoryFileSystem::Operation::kWrite)) return kErrIO;
    const int64_t end = offset + count;
    const int64_t growth = std::max<int64_t>(0, end - static_cast<int64_t>(node->data.size()));
    if (files_.capacity_ >= 0 && files_.used_ + growth > files_.capacity_) return kErrDiskFull;
    if (growth > 0) node->data.resize(static_cast<size_t>(end), '\0');
    if (count > 0) {
      std::memcpy(node->data.data() + offset, source, static_cast<size_t>(count));
    }
    files_.used_ += growth;
    return 0;
  }

  int32_t GetLength(int32_t& length) override {
    length = 0;
    const MemoryFileSystem::Node* node = Live();
    if (node == nullptr) return kErrIO;
    length = static_cast<int32_t>(node->data.size());
    return 0;
  }

  int32_t SetLength(int32_t length) override {
    files_.Mutating();
    MemoryFileSystem::Node* node = Live();
    if (node == nullptr) return kErrIO;
    const int64_t change = static_cast<int64_t>(length) - static_cast<int64_t>(node->data.size());
    if (change > 0 && files_.capacity_ >= 0 && files_.used_ + change > files_.capacity_) {
      return kErrDiskFull;
    }
    node->data.resize(static_cast<size_t>(length), '\0');
    files_.used_ += change;
    return 0;
  }

  int32_t Sync() override {
    MemoryFileSystem::Node* node = Live();
    files_.Mutating();
    if (node == nullptr || files_.Fails(MemoryFileSystem::Operation::kSync)) return kErrIO;
    node->durable = node->data;
    return 0;
  }

  int32_t Close() override {
    if (closed_) return 0;
    closed_ = true;
    if (epoch_ != files_.epoch_) return 0;
    auto it = files_.openCounts_.find(id_);
    if (it != files_.openCounts_.end() && --it->second <= 0) files_.openCounts_.erase(it);
    return 0;
  }

 private:
  MemoryFileSystem::Node* Live() {
    if (closed_ || epoch_ != files_.epoch_) return nullptr;
    return files_.NodeOf(id_);
  }

  MemoryFileSystem& files_;
  int64_t id_;
  uint64_t epoch_;
  bool closed_ = false;
};

MemoryFileSystem::MemoryFileSystem() {
  Node root;
  root.folder = true;
  nodes_[kRootID] = root;
}

MemoryFileSystem::Node* MemoryFileSystem::NodeOf(int64_t id) {
  auto it = nodes_.find(id);
  return it == nodes_.end() ? nullptr : &it->second;
}

int64_t MemoryFileSystem::Find(const std::string& path, int32_t& err) const {
  err = 0;
  const std::vector<std::string> parts = Components(path);
  int64_t at = kRootID;
  for (size_t i = 0; i < parts.size(); ++i) {
    const Node& folder = nodes_.at(at);
    if (!folder.folder) {
      err = kErrFolderNotFound;
      return -1;
    }
    auto entry = folder.entries.find(parts[i]);
    if (entry == folder.entries.end()) {
      err = i + 1 == parts.size() ? kErrFileNotFound : kErrFolderNotFound;
      return -1;
    }
    at = entry->second;
  }
  if (EndsWithSlash(path) && !nodes_.at(at).folder) {
    err = kErrFolderNotFound;
    return -1;
  }
  return at;
}

int64_t MemoryFileSystem::ParentOf(const std::string& path, std::string& name, int32_t& err) const {
  std::vector<std::string> parts = Components(path);
  if (parts.empty()) {
    err = kErrBadName;
    return -1;
  }
  name = parts.back();
  parts.pop_back();
  std::string parent = "/";
  for (const std::string& part : parts) parent += part + "/";
  const int64_t id = Find(parent, err);
  if (id < 0) err = kErrFolderNotFound;
  return id;
}

void MemoryFileSystem::Mutating() {
  ++mutations_;
  if (crashAt_ != 0 && mutations_ == crashAt_) {
    crashState_ = Save();
    crashed_ = true;
  }
}

void MemoryFileSystem::SetCrashPoint(int64_t n) {
  crashAt_ = n > 0 ? mutations_ + n : 0;
  crashed_ = false;
  crashState_ = Snapshot();
}

bool MemoryFileSystem::CrashState(Snapshot& snapshot) const {
  if (!crashed_) return false;
  snapshot = crashState_;
  return true;
}

bool MemoryFileSystem::Fails(Operation operation) {
  Fault& fault = faults_[static_cast<int>(operation)];
  ++fault.count;
  if (fault.failAt == 0) return false;
  return fault.count == fault.failAt || (fault.andAfter && fault.count > fault.failAt);
}

void MemoryFileSystem::FailNth(Operation operation, int64_t n, bool andAfter) {
  Fault& fault = faults_[static_cast<int>(operation)];
  fault.failAt = n > 0 ? fault.count + n : 0;
  fault.andAfter = n > 0 && andAfter;
}

int64_t MemoryFileSystem::Count(Operation operation) const {
  return faults_[static_cast<int>(operation)].count;
}

void MemoryFileSystem::SetCapacity(int64_t bytes) {
  capacity_ = bytes;
}

int32_t MemoryFileSystem::Status(const std::string& path, PathStatus& status) {
  status = PathStatus();
  int32_t err = 0;
  const int64_t id = Find(path, err);
  if (id < 0) return err;
  const Node& node = nodes_.at(id);
  status.isFolder = node.folder;
  status.isRegular = !node.folder;
  status.writable = node.writable;
  return 0;
}

int32_t MemoryFileSystem::Names(const std::string& folder, std::vector<std::string>& names) {
  names.clear();
  int32_t err = 0;
  const int64_t id = Find(folder, err);
  if (id < 0) return err;
  const Node& node = nodes_.at(id);
  if (!node.folder) return kErrFolderNotFound;
  for (const auto& entry : node.entries) names.push_back(entry.first);
  return 0;
}

int32_t MemoryFileSystem::Open(const std::string& path, FileAccess access, PlatformFile& file) {
  int32_t err = 0;
  const int64_t id = Find(path, err);
  if (id < 0) return err;
  const Node& node = nodes_.at(id);
  const bool wantWrite = access == FileAccess::kReadWrite;
  if (node.folder || (wantWrite && !node.writable)) return kErrPermission;
  file.Adopt(std::make_unique<MemoryFileBody>(*this, id), wantWrite);
  return 0;
}

int32_t MemoryFileSystem::Create(const std::string& path) {
  Mutating();
  std::string name;
  int32_t err = 0;
  const int64_t parent = ParentOf(path, name, err);
  if (parent < 0) return err;
  Node& folder = nodes_.at(parent);
  if (!folder.folder) return kErrFolderNotFound;
  if (folder.entries.count(name) != 0) return kErrDuplicateName;
  if (!folder.writable) return kErrPermission;
  const int64_t id = nextID_++;
  nodes_[id] = Node();
  nodes_.at(parent).entries[name] = id;
  return 0;
}

int32_t MemoryFileSystem::Delete(const std::string& path) {
  Mutating();
  std::string name;
  int32_t err = 0;
  if (Find(path, err) < 0) return err;
  const int64_t parent = ParentOf(path, name, err);
  if (parent < 0) return err;
  Node& folder = nodes_.at(parent);
  // As unlink: a folder is not a file to delete.
  if (nodes_.at(folder.entries.at(name)).folder) return kErrIO;
  folder.entries.erase(name);
  Collect();
  return 0;
}

int32_t MemoryFileSystem::Rename(const std::string& from, const std::string& to) {
  Mutating();
  std::string fromName;
  std::string toName;
  int32_t err = 0;
  const int64_t moving = Find(from, err);
  if (moving < 0) return err;
  const int64_t fromParent = ParentOf(from, fromName, err);
  if (fromParent < 0) return err;
  const int64_t toParent = ParentOf(to, toName, err);
  if (toParent < 0) return err;
  if (!nodes_.at(toParent).folder) return kErrFolderNotFound;
  const bool movingFolder = nodes_.at(moving).folder;
  if (movingFolder) {
    // A folder cannot move into itself.
    const std::vector<std::string> inner = Components(from);
    const std::vector<std::string> outer = Components(to);
    if (outer.size() > inner.size() && std::equal(inner.begin(), inner.end(), outer.begin())) {
      return kErrBadName;
    }
  }
  auto existing = nodes_.at(toParent).entries.find(toName);
  if (existing != nodes_.at(toParent).entries.end()) {
    if (existing->second == moving) return 0;
    const Node& target = nodes_.at(existing->second);
    if (target.folder && !movingFolder) return kErrIO;
    if (!target.folder && movingFolder) return kErrFolderNotFound;
    if (target.folder && !target.entries.empty()) return kErrDuplicateName;
  }
  if (Fails(Operation::kRename)) return kErrIO;
  nodes_.at(fromParent).entries.erase(fromName);
  nodes_.at(toParent).entries[toName] = moving;
  Collect();
  return 0;
}

int32_t MemoryFileSystem::MakeFolder(const std::string& path) {
  Mutating();
  std::string name;
  int32_t err = 0;
  const int64_t parent = ParentOf(path, name, err);
  if (parent < 0) return err;
  Node& folder = nodes_.at(parent);
  if (!folder.folder) return kErrFolderNotFound;
  if (folder.entries.count(name) != 0) return kErrDuplicateName;
  if (!folder.writable) return kErrPermission;
  const int64_t id = nextID_++;
  Node made;
  made.folder = true;
  nodes_[id] = made;
  nodes_.at(parent).entries[name] = id;
  return 0;
}

int32_t MemoryFileSystem::SyncFolder(const std::string& folder) {
  Mutating();
  int32_t err = 0;
  const int64_t id = Find(folder, err);
  if (id < 0) return err;
  Node& node = nodes_.at(id);
  if (!node.folder) return kErrFolderNotFound;
  if (Fails(Operation::kSync)) return kErrIO;
  node.durableEntries = node.entries;
  return 0;
}

int32_t MemoryFileSystem::FreeSpace(const std::string& path, int64_t& bytes) {
  bytes = 0;
  int32_t err = 0;
  if (Find(path, err) < 0) return err;
  bytes = capacity_ < 0 ? kUnlimitedFreeSpace : std::max<int64_t>(0, capacity_ - used_);
  return 0;
}

void MemoryFileSystem::PowerLoss() {
  ++epoch_;
  openCounts_.clear();
  for (auto& [id, node] : nodes_) {
    node.entries = node.durableEntries;
    node.data = node.durable;
  }
  Collect();
  Recount();
}

void MemoryFileSystem::SyncEverything() {
  for (auto& [id, node] : nodes_) {
    node.durableEntries = node.entries;
    node.durable = node.data;
  }
}

int32_t MemoryFileSystem::SetWritable(const std::string& path, bool writable) {
  int32_t err = 0;
  const int64_t id = Find(path, err);
  if (id < 0) return err;
  nodes_.at(id).writable = writable;
  return 0;
}

int32_t MemoryFileSystem::RemoveTree(const std::string& path) {
  std::string name;
  int32_t err = 0;
  if (Find(path, err) < 0) return err;
  const int64_t parent = ParentOf(path, name, err);
  if (parent < 0) return err;
  nodes_.at(parent).entries.erase(name);
  Collect();
  return 0;
}

MemoryFileSystem::Snapshot MemoryFileSystem::Save() const {
  Snapshot snapshot;
  snapshot.nodes = nodes_;
  snapshot.nextID = nextID_;
  return snapshot;
}

void MemoryFileSystem::Restore(const Snapshot& snapshot) {
  ++epoch_;
  openCounts_.clear();
  nodes_ = snapshot.nodes;
  nextID_ = snapshot.nextID;
  if (nodes_.count(kRootID) == 0) {
    Node root;
    root.folder = true;
    nodes_[kRootID] = root;
  }
  Recount();
}

void MemoryFileSystem::Collect() {
  std::set<int64_t> reached;
  std::vector<int64_t> pending{kRootID};
  for (const auto& [id, count] : openCounts_) {
    if (count > 0) pending.push_back(id);
  }
  while (!pending.empty()) {
    const int64_t id = pending.back();
    pending.pop_back();
    if (!reached.insert(id).second) continue;
    const Node* node = NodeOf(id);
    if (node == nullptr) continue;
    for (const auto& entry : node->entries) pending.push_back(entry.second);
    for (const auto& entry : node->durableEntries) pending.push_back(entry.second);
  }
  for (auto it = nodes_.begin(); it != nodes_.end();) {
    if (reached.count(it->first) != 0) {
      ++it;
      continue;
    }
    used_ -= static_cast<int64_t>(it->second.data.size());
    it = nodes_.erase(it);
  }
}

void MemoryFileSystem::Recount() {
  used_ = 0;
  for (const auto& [id, node] : nodes_) used_ += static_cast<int64_t>(node.data.size());
}

}  // namespace tlv
