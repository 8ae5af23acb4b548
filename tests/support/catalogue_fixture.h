// A maps folder in a temporary directory (Settings, OverlayMaps with UserMap, a program
// folder) with helpers that write map folders, overlay files and catalogue files from literal
// field values.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/errors.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "store/directory_table.h"
#include "support/byte_builder.h"
#include "support/test_support.h"

namespace tlv::test {

namespace fs = std::filesystem;

inline std::string NameDotMapBytes(const std::string& name, const std::string& owner = "00000",
                                   char universal = 0) {
  return ByteBuilder()
      .Text(name, 42)
      .I32(0)
      .Text(owner, 6)
      .U8(static_cast<uint8_t>(universal))
      .Zeros(3)
      .bytes();
}

inline std::string LayerHeaderBytes(const std::string& name, int32_t count,
                                    const WRect& bounds = {1000, 2000, 3000, 4000}) {
  return ByteBuilder().Text(name, 32).Rect(bounds).I32(count).bytes();
}

struct Layers2Fields {
  std::string name;
  int32_t id = 7;
  int16_t displayMode = 2;
  int32_t scales[4] = {500, 262144000, 64000, 512000};
  uint8_t flags = 0;
  uint8_t lockState = 0;
  uint8_t deleteAtQuit = 0;
  int16_t graphics[8] = {212, 1, 1, 1, 2, 3, 0, 1};
  int16_t graphicsOverride = 0;
  uint8_t searchMark = 0;
  uint8_t reservedValue = 0;
  int16_t listMark = 0;
  uint8_t thematic[3] = {0, 0, 0};
};

inline std::string Layers2Bytes(const Layers2Fields& f, bool old = false) {
  ByteBuilder b;
  b.Text(f.name, 32).I32(f.id).I16(f.displayMode);
  for (int32_t s : f.scales) b.I32(s);
  b.U8(f.flags).U8(f.lockState).U8(f.deleteAtQuit).U8(0);
  for (int16_t g : f.graphics) b.I16(g);
  b.I16(f.graphicsOverride).I32(0).U8(f.searchMark).U8(f.reservedValue).I16(f.listMark);
  if (!old) b.U8(f.thematic[0]).U8(f.thematic[1]).U8(f.thematic[2]).U8(0);
  return b.bytes();
}

inline std::string GroupBytes(const std::string& name, const std::string& first,
                              const std::string& last, int32_t collapsed = 0) {
  return ByteBuilder().Text(name, 32).Text(first, 32).Text(last, 32).I32(collapsed).bytes();
}

inline std::string XtraBytes(const std::string& path, const std::string& name) {
  return ByteBuilder().Text(path, 256).Text(name, 42).bytes();
}

class CatalogueTest : public CoreTest {
 protected:
  // The catalogue's own tests run on files in memory; the fixtures built on it for other
  // subsystems keep the disk unless they ask.
  explicit CatalogueTest(FilesKind kind = FilesKind::kPosix) : testFiles(kind) {}

  void SetUp() override {
    CoreTest::SetUp();
    ResetDirectoryTableForTesting();
    ResetOpenFilesForTesting();
    ResetWalksForTesting();
    ClearMapList();
    ResetLayersForTesting();
    SetCatalogueHooks(CatalogueHooks());
    root = temp.path();
    MakeFolders(root / "Settings");
    MakeFolders(root / "OverlayMaps" / "UserMap");
    MakeFolders(root / "Program");
    WriteWholeFile(root / "OverlayMaps" / "UserMap" / "NAME.MAP", NameDotMapBytes("User's map"));
    CatalogueFolders folders;
    folders.settings = Register(root / "Settings");
    folders.program = Register(root / "Program");
    folders.overlayMaps = Register(root / "OverlayMaps");
    folders.userMap = Register(root / "OverlayMaps" / "UserMap");
    SetCatalogueFolders(folders);
  }
  void TearDown() override {
    ReleaseCatalogue();
    ResetLayersForTesting();
    ResetOpenFilesForTesting();
    SetCatalogueFolders(CatalogueFolders());
    ReleaseDirectoryTable();
    CoreTest::TearDown();
  }

  static int32_t Register(const fs::path& folder) {
    int32_t id = -1;
    EXPECT_EQ(RegisterDirectory(folder.string() + "/", true, id), 0) << folder;
    return id;
  }

  // A map folder in OverlayMaps (or at a given place) holding NAME.MAP.
  fs::path MakeMap(const std::string& folder, const std::string& name,
                   const fs::path& parent = fs::path()) {
    const fs::path at = (parent.empty() ? root / "OverlayMaps" : parent) / folder;
    MakeFolders(at);
    WriteWholeFile(at / "NAME.MAP", NameDotMapBytes(name));
    return at;
  }
  // An overlay file set: base.LYR with the header, empty base.OBJ and base.SUM.
  static void MakeLayerFile(const fs::path& map, const std::string& base, const std::string& layer,
                            int32_t count = 0) {
    WriteWholeFile(map / (base + ".LYR"), LayerHeaderBytes(layer, count));
    WriteWholeFile(map / (base + ".OBJ"), "");
    WriteWholeFile(map / (base + ".SUM"), "");
  }

  int32_t LoadAll() {
    int32_t err = LoadLayers();
    if (err == 0) err = LoadMaps();
    return err;
  }

  MapRecord MapAt(int32_t index) {
    MapRecord map;
    EXPECT_TRUE(GetMapRecord(index, map)) << index;
    return map;
  }
  LayerRecord LayerAt(int32_t index) {
    LayerRecord layer;
    EXPECT_TRUE(GetLayerRecord(index, layer)) << index;
    return layer;
  }
  std::vector<std::string> MapNames() {
    std::vector<std::string> names;
    for (int32_t i = 0; i < MapCount(); ++i) names.push_back(FieldText(MapAt(i).name));
    return names;
  }
  std::vector<std::string> LayerNames() {
    std::vector<std::string> names;
    for (int32_t i = 0; i < LayerCount(); ++i) names.push_back(LayerName(i));
    return names;
  }
  size_t AlertsContaining(const std::string& text) {
    size_t n = 0;
    for (const auto& alert : platform().alerts) {
      if (alert.text.find(text) != std::string::npos) ++n;
    }
    return n;
  }

  TestFiles testFiles;
  TempFolder temp;
  fs::path root;
};

}  // namespace tlv::test
