#include "base/memory_files.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <random>
#include <set>

#include "base/errors.h"

namespace tlv {

namespace {

constexpr int64_t kRootID = 0;
// What FreeSpace answers without a capacity: plenty, and far from any overflow.
constexpr int64_t kUnlimitedFreeSpace = int64_t{1} << 40;
// A file written over and over without a sync would keep every write for a later loss of
// power; past this many bytes (or twice the file) they are folded into one change of the whole
// file, which a loss of power then keeps or drops as one.
constexpr int64_t kPendingFoldBytes = 1 << 20;

void ApplyWrite(std::string& data, const MemoryFileSystem::Snapshot::PendingWrite& write,
                size_t keep) {
  if (write.setsLength) {
    data.resize(static_cast<size_t>(write.offset), '\0');
    return;
  }
  const auto offset = static_cast<size_t>(write.offset);
  if (data.size() < offset + keep) data.resize(offset + keep, '\0');
  std::memcpy(data.data() + offset, write.bytes.data(), keep);
}

void ApplyEntry(std::map<std::string, int64_t>& entries,
                const MemoryFileSystem::Snapshot::PendingEntry& change) {
  if (!change.from.empty()) entries.erase(change.from);
  if (change.id < 0) {
    entries.erase(change.name);
  } else {
    entries[change.name] = change.id;
  }
}

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
    files_.CountWriteForFill();
    if (files_.capacity_ >= 0 && files_.used_ + growth > files_.capacity_) return kErrDiskFull;
    if (growth > 0) node->data.resize(static_cast<size_t>(end), '\0');
    if (count > 0) {
      std::memcpy(node->data.data() + offset, source, static_cast<size_t>(count));
      files_.Pending(
          *node, {offset, std::string(static_cast<const char*>(source), static_cast<size_t>(count)),
                  false});
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
    files_.Pending(*node, {length, std::string(), true});
    files_.used_ += change;
    return 0;
  }

  int32_t Sync() override {
    MemoryFileSystem::Node* node = Live();
    files_.Mutating();
    if (node == nullptr || files_.Fails(MemoryFileSystem::Operation::kSync)) return kErrIO;
    node->durable = node->data;
    node->pendingWrites.clear();
    node->pendingBytes = 0;
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

void MemoryFileSystem::Pending(Node& node, Snapshot::PendingWrite write) {
  node.pendingBytes += static_cast<int64_t>(write.bytes.size());
  node.pendingWrites.push_back(std::move(write));
  if (node.pendingBytes >
      std::max<int64_t>(kPendingFoldBytes, 2 * static_cast<int64_t>(node.data.size()))) {
    node.pendingWrites.clear();
    node.pendingWrites.push_back({static_cast<int64_t>(node.data.size()), std::string(), true});
    node.pendingWrites.push_back({0, node.data, false});
    node.pendingBytes = static_cast<int64_t>(node.data.size());
  }
}

void MemoryFileSystem::CountWriteForFill() {
  ++writesSeen_;
  if (fillAt_ != 0 && writesSeen_ == fillAt_) {
    capacity_ = used_;
    fillAt_ = 0;
  }
}

void MemoryFileSystem::FillUpAtWrite(int64_t n) {
  fillAt_ = n > 0 ? writesSeen_ + n : 0;
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
  if (Fails(Operation::kCreate)) return kErrIO;
  const int64_t id = nextID_++;
  nodes_[id] = Node();
  nodes_.at(parent).entries[name] = id;
  nodes_.at(parent).pendingEntries.push_back({name, id, ""});
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
  if (Fails(Operation::kDelete)) return kErrIO;
  folder.entries.erase(name);
  folder.pendingEntries.push_back({name, -1, ""});
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
  if (fromParent == toParent) {
    // Within one folder a rename is one change: a loss of power keeps it whole or not at all.
    nodes_.at(toParent).pendingEntries.push_back({toName, moving, fromName});
  } else {
    nodes_.at(fromParent).pendingEntries.push_back({fromName, -1, ""});
    nodes_.at(toParent).pendingEntries.push_back({toName, moving, ""});
  }
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
  if (Fails(Operation::kCreate)) return kErrIO;
  const int64_t id = nextID_++;
  Node made;
  made.folder = true;
  nodes_[id] = made;
  nodes_.at(parent).entries[name] = id;
  nodes_.at(parent).pendingEntries.push_back({name, id, ""});
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
  node.pendingEntries.clear();
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
    node.pendingWrites.clear();
    node.pendingEntries.clear();
    node.pendingBytes = 0;
  }
  Collect();
  Recount();
}

void MemoryFileSystem::PowerLossKeeping(uint64_t seed) {
  ++epoch_;
  openCounts_.clear();
  std::mt19937_64 random(seed);
  for (auto& [id, node] : nodes_) {
    std::string data = node.durable;
    for (const Snapshot::PendingWrite& write : node.pendingWrites) {
      // Dropped (one time in two), kept whole, or torn somewhere inside.
      const uint64_t fate = random() % 4;
      if (fate < 2) continue;
      size_t keep = write.bytes.size();
      if (fate == 3 && keep > 0) keep = static_cast<size_t>(random() % keep);
      ApplyWrite(data, write, keep);
    }
    std::map<std::string, int64_t> entries = node.durableEntries;
    for (const Snapshot::PendingEntry& change : node.pendingEntries) {
      if (random() % 2 == 0) continue;
      if (change.id >= 0 && nodes_.count(change.id) == 0) continue;
      ApplyEntry(entries, change);
    }
    node.data = node.durable = std::move(data);
    node.entries = node.durableEntries = std::move(entries);
    node.pendingWrites.clear();
    node.pendingEntries.clear();
    node.pendingBytes = 0;
  }
  Collect();
  Recount();
}

void MemoryFileSystem::SyncEverything() {
  for (auto& [id, node] : nodes_) {
    node.durableEntries = node.entries;
    node.durable = node.data;
    node.pendingWrites.clear();
    node.pendingEntries.clear();
    node.pendingBytes = 0;
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

std::set<int64_t> MemoryFileSystem::Reached(bool presentOnly) const {
  std::set<int64_t> reached;
  std::vector<int64_t> pending{kRootID};
  for (const auto& [id, count] : openCounts_) {
    if (count > 0) pending.push_back(id);
  }
  while (!pending.empty()) {
    const int64_t id = pending.back();
    pending.pop_back();
    if (!reached.insert(id).second) continue;
    const auto found = nodes_.find(id);
    if (found == nodes_.end()) continue;
    const Node& node = found->second;
    for (const auto& entry : node.entries) pending.push_back(entry.second);
    if (presentOnly) continue;
    for (const auto& entry : node.durableEntries) pending.push_back(entry.second);
    // A file made and not yet durably named may still come back after a loss of power.
    for (const auto& change : node.pendingEntries) {
      if (change.id >= 0) pending.push_back(change.id);
    }
  }
  return reached;
}

void MemoryFileSystem::Collect() {
  const std::set<int64_t> reached = Reached(false);
  for (auto it = nodes_.begin(); it != nodes_.end();) {
    if (reached.count(it->first) != 0) {
      ++it;
    } else {
      it = nodes_.erase(it);
    }
  }
  Recount();
}

// The room in use: what the present names and the open files hold (a file that is only kept
// for a loss of power to bring back takes none, as a deleted file's blocks are free at once).
void MemoryFileSystem::Recount() {
  used_ = 0;
  for (const int64_t id : Reached(true)) {
    const auto found = nodes_.find(id);
    if (found != nodes_.end()) used_ += static_cast<int64_t>(found->second.data.size());
  }
}

}  // namespace tlv
