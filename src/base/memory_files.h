// A file system kept in memory, for tests and fuzz targets. It behaves as the POSIX one does
// for everything the program asks (names are exact, the lookup that ignores case sits above
// both), and it can be told to go wrong: fail the N-th write, read, rename or sync, run out of
// room, or lose power.
//
// Durability is modelled as a disk with a cache: a file's bytes survive a loss of power only
// as they were at its last file sync, and a folder's entries (files and folders made, renamed
// into it or deleted from it) only as they were at its last folder sync. Everything else is
// dropped by PowerLoss(), and every file open at that moment stops working. A real disk may
// also have written out any part of what was not synced, in any order: PowerLossKeeping() keeps
// a seeded random choice of the changes since each file's and folder's last sync, some of the
// writes torn part way.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/files.h"

namespace tlv {

class MemoryFileSystem : public FileSystem {
 public:
  enum class Operation { kWrite, kRead, kRename, kSync, kCreate, kDelete };

  MemoryFileSystem();

  int32_t Status(const std::string& path, PathStatus& status) override;
  int32_t Names(const std::string& folder, std::vector<std::string>& names) override;
  int32_t Open(const std::string& path, FileAccess access, PlatformFile& file) override;
  int32_t Create(const std::string& path) override;
  int32_t Delete(const std::string& path) override;
  int32_t Rename(const std::string& from, const std::string& to) override;
  int32_t MakeFolder(const std::string& path) override;
  int32_t SyncFolder(const std::string& folder) override;
  int32_t FreeSpace(const std::string& path, int64_t& bytes) override;

  // Faults. The n-th operation of the kind from now on (1: the next one) fails with kErrIO and
  // changes nothing; with andAfter every later one of the kind fails too. n = 0 lifts it.
  // Writes count the calls of PlatformFile::Write, reads those of Read, syncs both file and
  // folder syncs, creates both files and folders made, deletes those of Delete.
  void FailNth(Operation operation, int64_t n, bool andAfter = false);
  // Operations of the kind since the file system was made.
  int64_t Count(Operation operation) const;
  // Writes that would make the files hold more than capacity bytes in all fail with
  // kErrDiskFull and write nothing; negative: no limit.
  void SetCapacity(int64_t bytes);
  // The disk fills up (another program takes the rest) just before the n-th write (call of
  // PlatformFile::Write) from now: from there every write or length change that would grow the
  // files fails with kErrDiskFull,
  // as SetCapacity(UsedBytes()) at that moment. n = 0 lifts it (the capacity stays).
  void FillUpAtWrite(int64_t n);
  int64_t UsedBytes() const { return used_; }
  // Drops every byte not synced and every entry change not followed by a folder sync; the files
  // open now fail from here on (kErrIO), as a program that was cut off would never use them.
  void PowerLoss();
  // A loss of power after which each change made since the last sync of its file (a write, a
  // length change) or of its folder (a file made, renamed or deleted) was either written out or
  // not, chosen by a generator seeded with seed; a write that was kept may be cut short, as a
  // disk that stopped inside it leaves it. What survives is durable from then on.
  void PowerLossKeeping(uint64_t seed);
  // Makes everything as it is now durable, without counting syncs: the state a test sets up
  // before the operation it interrupts.
  void SyncEverything();
  // The read-only attribute of a file or folder (exact path).
  int32_t SetWritable(const std::string& path, bool writable);
  // Removes a folder and everything in it (exact path), for tests that take a folder away.
  int32_t RemoveTree(const std::string& path);

  // A copy of the whole state (contents, durable contents, entries), and its return. Restoring
  // makes every file open now fail, as after a loss of power.
  struct Snapshot {
    // A change not yet made durable by a sync: a write of bytes at offset, or (setsLength) the
    // file cut or grown to offset bytes.
    struct PendingWrite {
      int64_t offset = 0;
      std::string bytes;
      bool setsLength = false;
    };
    // A folder entry change not yet made durable: name now names node id (-1: name was
    // removed); a rename within the folder also removes from, as one change.
    struct PendingEntry {
      std::string name;
      int64_t id = -1;
      std::string from;
    };
    struct Node {
      bool folder = false;
      bool writable = true;
      std::string data;
      std::string durable;
      std::map<std::string, int64_t> entries;
      std::map<std::string, int64_t> durableEntries;
      std::vector<PendingWrite> pendingWrites;
      std::vector<PendingEntry> pendingEntries;
      int64_t pendingBytes = 0;
    };
    std::map<int64_t, Node> nodes;
    int64_t nextID = 1;
  };
  Snapshot Save() const;
  void Restore(const Snapshot& snapshot);

  // Crash points. Every call that changes something (create, delete, rename, make folder, write,
  // set length, file or folder sync) is one mutation. With a crash point n, the state just before
  // the n-th mutation from now is saved (Save), as a process killed there leaves the files: a
  // test restores it, with or without a loss of power, and checks what a restart finds. n = 0
  // lifts it.
  void SetCrashPoint(int64_t n);
  // The saved state; false when the crash point was not reached.
  bool CrashState(Snapshot& snapshot) const;
  int64_t Mutations() const { return mutations_; }

 private:
  friend class MemoryFileBody;
  using Node = Snapshot::Node;

  struct Fault {
    int64_t count = 0;
    int64_t failAt = 0;  // 0: none
    bool andAfter = false;
  };

  // The node a path names, or -1; err tells why not.
  int64_t Find(const std::string& path, int32_t& err) const;
  // The folder that would hold path and the last name in it.
  int64_t ParentOf(const std::string& path, std::string& name, int32_t& err) const;
  // Counts one mutation and saves the state at the crash point.
  void Mutating();
  // Counts one operation; true when it is to fail.
  bool Fails(Operation operation);
  // Counts one write for FillUpAtWrite.
  void CountWriteForFill();
  // Remembers a write or length change of node until its next sync.
  void Pending(Node& node, Snapshot::PendingWrite write);
  Node* NodeOf(int64_t id);
  // The nodes the present tree and the open files reach, and (unless presentOnly) those the
  // durable tree or a change not yet synced names.
  std::set<int64_t> Reached(bool presentOnly) const;
  // Forgets nodes that nothing reaches, and counts the room in use again.
  void Collect();
  void Recount();

  std::map<int64_t, Node> nodes_;
  int64_t nextID_ = 1;
  std::map<int64_t, int32_t> openCounts_;
  Fault faults_[6];
  int64_t fillAt_ = 0;  // 0: none
  int64_t writesSeen_ = 0;
  int64_t capacity_ = -1;
  int64_t used_ = 0;
  uint64_t epoch_ = 0;  // raised by a loss of power; older open files stop working
  int64_t mutations_ = 0;
  int64_t crashAt_ = 0;  // 0: none
  bool crashed_ = false;
  Snapshot crashState_;
};

}  // namespace tlv
