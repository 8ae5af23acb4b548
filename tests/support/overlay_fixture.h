// A map folder with overlay files whose object and summary files the tests write from literal
// byte images.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "store/directory_table.h"
#include "store/object_record.h"
#include "support/byte_builder.h"
#include "support/test_support.h"

namespace tlv::test {

constexpr int32_t kTestMapID = 1000;
constexpr int32_t kTestOverlayID = 2000;

// One object record: the head field by field, the name parts, then the after-name bytes.
struct RecordImage {
  uint8_t type = kRectangleObject;
  int32_t versionFlags = 3;
  uint32_t modTime = 0;
  int32_t idHigh = 0;
  int32_t idLow = 0;
  WRect rect;
  int32_t digitization = 0;
  uint32_t customColour = 0;
  uint8_t aliasCount = 0;
  std::string prefix;
  std::string name;
  int32_t nameRoom = 0;
  std::string after;

  std::string Bytes() const {
    ByteBuilder b;
    b.I32(0)
        .Zeros(13)
        .U32(modTime)
        .I32(versionFlags)
        .U8(type)
        .I32(idHigh)
        .I32(idLow)
        .Rect(rect)
        .I32(digitization)
        .Zeros(4)
        .I32(0)
        .U32(customColour)
        .U8(aliasCount)
        .U8(static_cast<uint8_t>(prefix.size()))
        .Chars(prefix)
        .U8(static_cast<uint8_t>(nameRoom))
        .Text(name, static_cast<size_t>(nameRoom))
        .Append(after);
    b.Patch32(0, static_cast<int32_t>(b.size()) - 4);
    return b.bytes();
  }
};

// One summary record, field by field.
inline std::string SummaryBytes(int32_t position, const WRect& rect, int32_t idHigh, int32_t idLow,
                                const std::string& nameStart = "") {
  return ByteBuilder().I32(position).Rect(rect).I32(idHigh).I32(idLow).Text(nameStart, 4).bytes();
}

class OverlayFileTest : public CoreTest {
 protected:
  explicit OverlayFileTest(FilesKind kind = FilesKind::kMemory) : testFiles(kind) {}

  void SetUp() override {
    CoreTest::SetUp();
    ResetDirectoryTableForTesting();
    ResetOpenFilesForTesting();
    ResetWalksForTesting();
    ResetObjectRecordForTesting();
    ClearMapList();
    ASSERT_EQ(RegisterDirectory(temp.folderPath(), true, dirID), 0);
    mapIndex = AddMap("Harbour", kTestMapID);
    AddOverlayFile(mapIndex, kTestOverlayID, "ROADS");
  }
  void TearDown() override {
    ResetOpenFilesForTesting();
    ClearMapList();
    ResetWalksForTesting();
    ResetObjectRecordForTesting();
    ReleaseDirectoryTable();
    CoreTest::TearDown();
  }

  int32_t AddMap(const char* name, int32_t mapID) {
    MapRecord map;
    std::strncpy(map.name, name, sizeof map.name - 1);
    map.mapID = mapID;
    map.dirID = dirID;
    int32_t index = -1;
    EXPECT_EQ(AppendMapRecord(map, index), 0);
    return index;
  }
  void AddOverlayFile(int32_t toMap, int32_t overlayID, const char* baseName) {
    OverlayFileRecord file;
    MapRecord map;
    GetMapRecord(toMap, map);
    file.mapID = map.mapID;
    file.overlayID = overlayID;
    file.dirID = dirID;
    std::strncpy(file.baseName, baseName, sizeof file.baseName - 1);
    EXPECT_EQ(AppendOverlayFileRecord(toMap, file), 0);
    if (!PathExists(temp / (std::string(baseName) + ".OBJ"))) {
      WriteWholeFile(temp / (std::string(baseName) + ".OBJ"), "");
      WriteWholeFile(temp / (std::string(baseName) + ".SUM"), "");
    }
  }

  std::filesystem::path PathOf(const std::string& name) const { return temp / name; }
  void WriteFile(const std::string& name, const std::string& bytes) {
    ResetOpenFilesForTesting();
    WriteWholeFile(temp / name, bytes);
  }
  // The file's bytes after every dirty window went back.
  std::string FileBytes(const std::string& name) {
    FlushBufferedFiles();
    return ReadWholeFile(temp / name);
  }

  // The object file of ROADS made current with a window for one object.
  BufferedFile& ObjectFile() {
    EXPECT_EQ(
        AllocateSpaceForFile(mapIndex, 0, kObjectFileKind, kSmallWindowSize, nullptr, nullptr), 0);
    return CurrentObjectFile();
  }

  bool AlertShown(const std::string& text) const {
    for (const auto& alert : DefaultHeadlessPlatform().alerts) {
      if (alert.text.find(text) != std::string::npos) return true;
    }
    return false;
  }

  TestFiles testFiles;
  TempFolder temp;
  int32_t dirID = -1;
  int32_t mapIndex = -1;
};

}  // namespace tlv::test
