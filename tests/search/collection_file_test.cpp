// Collection files: the bytes a save writes, loads in the three ways, the lines that find
// nothing, bad input, and the commands with their dialogs answered by the test.
#include "search/collection_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/wiring.h"
#include "base/strings.h"
#include "search/collection.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

class CollectionFileTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    WireCore();
    main = Named(harbour, roads, "Main St");
    oak = Named(harbour, roads, "Oak Ave");
    school = Named(harbour, sites, "School");
    canal = Named(inland, roads, "Canal");
  }

  int32_t Named(int32_t mapID, int32_t overlayID, const std::string& name) {
    ObjectGraphics graphics;
    graphics.symbol = 212;
    graphics.colour = 1;
    return MakeObject(mapID, overlayID, kPointObject, name, &graphics,
                      {190000000, 130000000, 190000010, 130000010});
  }
  std::string IDOf(int32_t mapID, int32_t overlayID, int32_t position) {
    ObjectID id;
    EXPECT_EQ(FSGetObjectID(Objects(mapID, overlayID), position, id.high, id.low), 0);
    return ObjectIDText(id);
  }
  void Collect(int32_t mapID, int32_t overlayID, int32_t position) {
    ASSERT_EQ(CollectObject({mapID, overlayID, position}), 1);
  }
  std::string Path(const std::string& name) { return (temp / name).string(); }
  std::string Line(const std::string& map, const std::string& overlay, const std::string& id,
                   int flags, int32_t position) {
    return "\"" + map + "\" \"" + overlay + "\" \"" + id + "\" " + std::to_string(flags) + " " +
           std::to_string(position) + "\r\n";
  }
  std::vector<std::tuple<int32_t, int32_t, int32_t>> Entries() {
    std::vector<std::tuple<int32_t, int32_t, int32_t>> out;
    CollectionEntry e;
    for (int32_t i = 0; GetCollectedObject(i, e); ++i) {
      out.emplace_back(e.mapID, e.overlayID, e.position);
    }
    return out;
  }
  int32_t Load(const std::string& bytes, int32_t mode, CollectionLoadResult* result = nullptr) {
    test::WriteWholeFile(temp / "in.msc", bytes);
    return ReadCollectionFile(Path("in.msc"), mode, result);
  }

  int32_t main = -1, oak = -1, school = -1, canal = -1;
};

TEST_F(CollectionFileTest, ASaveWritesOneQuotedLinePerEntryInFileOrder) {
  Collect(harbour, sites, school);
  Collect(inland, roads, canal);
  Collect(harbour, roads, oak);
  SortCollection();
  CollectionSaveResult saved;
  ASSERT_EQ(WriteCollectionFile(Path("out.msc"), &saved), 0);
  EXPECT_EQ(saved.written, 3);
  // Maps by ID (Harbour was made first), then overlays by ID; the sorted flag is cleared.
  const std::string expected = Line("Harbour", "Roads", IDOf(harbour, roads, oak), 0, oak) +
                               Line("Harbour", "Sites", IDOf(harbour, sites, school), 0, school) +
                               Line("Inland", "Roads", IDOf(inland, roads, canal), 0, canal);
  EXPECT_EQ(test::ReadWholeFile(temp / "out.msc"), expected);
  EXPECT_FALSE(std::filesystem::exists(temp / "out.msc.part")) << "the work file is gone";
}

TEST_F(CollectionFileTest, SaveThenLoadGivesTheSameEntriesAndTheSameBytes) {
  for (int32_t p : {main, oak}) Collect(harbour, roads, p);
  Collect(harbour, sites, school);
  Collect(inland, roads, canal);
  SortCollection();
  const auto before = Entries();
  ASSERT_EQ(WriteCollectionFile(Path("a.msc")), 0);
  ClearSearchCollection();
  CollectionLoadResult loaded;
  ASSERT_EQ(ReadCollectionFile(Path("a.msc"), kCollectionLoadReplace, &loaded), 0);
  EXPECT_EQ(loaded.lines, 4);
  EXPECT_EQ(loaded.notFound, 0);
  EXPECT_EQ(Entries(), before);
  ASSERT_EQ(WriteCollectionFile(Path("b.msc")), 0);
  EXPECT_EQ(test::ReadWholeFile(temp / "b.msc"), test::ReadWholeFile(temp / "a.msc"));
}

TEST_F(CollectionFileTest, ReplaceUnionAndSubset) {
  const std::string file = Line("Harbour", "Roads", IDOf(harbour, roads, main), 0, main) +
                           Line("Harbour", "Sites", IDOf(harbour, sites, school), 0, school);
  Collect(harbour, roads, oak);
  Collect(harbour, roads, main);
  ASSERT_EQ(Load(file, kCollectionLoadUnion), 0);
  EXPECT_EQ(CollectedObjectCount(), 3) << "main was there already";
  ASSERT_EQ(Load(Line("Harbour", "Roads", IDOf(harbour, roads, main), 0, main) +
                     Line("Inland", "Roads", IDOf(inland, roads, canal), 0, canal),
                 kCollectionLoadSubset),
            0);
  EXPECT_EQ(Entries(), (std::vector<std::tuple<int32_t, int32_t, int32_t>>{{harbour, roads, main}}))
      << "exactly the entries in both";
  CollectionEntry e;
  ASSERT_TRUE(GetCollectedObject(0, e));
  EXPECT_EQ(e.flags & kCollectionMark, 0) << "the mark does not outlive the load";
  ASSERT_EQ(Load(file, kCollectionLoadReplace), 0);
  EXPECT_EQ(Entries(), (std::vector<std::tuple<int32_t, int32_t, int32_t>>{
                           {harbour, roads, main}, {harbour, sites, school}}));
}

TEST_F(CollectionFileTest, LinesThatFindNothingAreSkippedAndToldOnce) {
  const std::string longName(42, 'M');
  const std::string file =
      Line("Harbour", "Roads", "00000000DEADBEEF", 0, main) +               // unknown ID
      Line("Harbour", "Roads", "", 0, main + 3) +                           // middle of a record
      Line("Harbour", "Roads", "", 0, -5) +                                 // no record there
      Line("Nowhere", "Roads", IDOf(harbour, roads, main), 0, main) +       // unknown map
      Line("Harbour", "Parks", IDOf(harbour, roads, main), 0, main) +       // unknown overlay
      Line("Inland", "Sites", IDOf(harbour, sites, school), 0, school) +    // no overlay file
      Line(longName, "Roads", "", 0, main) +                                // name too long
      Line("Harbour", "Roads", "XYZ", 0, main) +                            // not an ID
      Line("Harbour", "Roads", "", 0, oak) +                                // found by position
      Line("harbour", "ROADS", IDOf(harbour, roads, main) + " old", 4, 0);  // found by ID
  CollectionLoadResult loaded;
  ASSERT_EQ(Load(file, kCollectionLoadReplace, &loaded), 0);
  EXPECT_EQ(loaded.notFound, 8);
  EXPECT_EQ(AlertsContaining("were not found on the current map(s)."), 1u);
  EXPECT_EQ(CollectedObjectCount(), 2);
  EXPECT_GE(FindCollectedObject(harbour, roads, oak), 0);
  EXPECT_GE(FindCollectedObject(harbour, roads, main), 0);
  // A deleted object's ID finds nothing either.
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, oak, true, false, false), 0);
  ASSERT_EQ(Load(Line("Harbour", "Roads", IDOf(harbour, roads, oak), 0, 0), kCollectionLoadReplace,
                 &loaded),
            0);
  EXPECT_EQ(loaded.notFound, 1);
}

TEST_F(CollectionFileTest, AWrongTokenIsAnImportErrorThatKeepsTheCollection) {
  Collect(harbour, roads, oak);
  const std::string good = Line("Harbour", "Roads", IDOf(harbour, roads, main), 0, main);
  for (const int32_t mode : {kCollectionLoadReplace, kCollectionLoadUnion, kCollectionLoadSubset}) {
    platform().alerts.clear();
    EXPECT_NE(Load(good + "\"Harbour\" \"Roads\" 17 0 0\r\n", mode), 0);
    ASSERT_EQ(platform().alerts.size(), 1u);
    EXPECT_EQ(platform().alerts[0].text, "Import error.\n\nWhile importing line 2.");
    EXPECT_EQ(Entries(),
              (std::vector<std::tuple<int32_t, int32_t, int32_t>>{{harbour, roads, oak}}))
        << "mode " << mode;
  }
  // A line cut short at the end of the file, and a string never closed.
  EXPECT_NE(Load(good + "\"Harbour\" \"Roads\"", kCollectionLoadReplace), 0);
  EXPECT_NE(Load("\"Harbour", kCollectionLoadReplace), 0);
  EXPECT_EQ(CollectedObjectCount(), 1);
  // An empty file replaces the collection with nothing.
  ASSERT_EQ(Load("", kCollectionLoadReplace), 0);
  EXPECT_EQ(CollectedObjectCount(), 0);
}

TEST_F(CollectionFileTest, FlagsComeFromTheObjectNotTheFile) {
  FSSetObjectAliasCount(Objects(harbour, roads), main, 2);
  ASSERT_EQ(
      Load(Line("Harbour", "Roads", IDOf(harbour, roads, main), 9, main), kCollectionLoadReplace),
      0);
  CollectionEntry e;
  ASSERT_TRUE(GetCollectedObject(0, e));
  EXPECT_EQ(e.flags, kCollectionHasAliases);
  EXPECT_EQ(std::string(e.key, 4), "Main");
}

TEST_F(CollectionFileTest, ANameWithADoubleQuoteCannotBeWrittenAndIsCounted) {
  std::string name = "Roads \"old\"";
  int32_t position = -1;
  ASSERT_EQ(AddLayer(name, false, false, false, position), 0);
  const int32_t quoted = LayerAt(position).layerID;
  const int32_t object = Named(harbour, quoted, "Bridge");
  Collect(harbour, quoted, object);
  Collect(harbour, roads, main);
  CollectionSaveResult saved;
  ASSERT_EQ(WriteCollectionFile(Path("q.msc"), &saved), 0);
  EXPECT_EQ(saved.written, 1);
  EXPECT_EQ(saved.skipped, 1);
  EXPECT_EQ(AlertsContaining("1 of the objects could not be saved"), 1u);
  EXPECT_EQ(test::ReadWholeFile(temp / "q.msc"),
            Line("Harbour", "Roads", IDOf(harbour, roads, main), 0, main));
}

TEST_F(CollectionFileTest, StoppingASaveKeepsTheOldFileAndStoppingALoadKeepsWhatWasRead) {
  test::WriteWholeFile(temp / "keep.msc", "old bytes");
  for (int32_t p : {main, oak}) Collect(harbour, roads, p);
  CollectionFileHooks hooks;
  std::vector<std::string> opened;
  int calls = 0;
  hooks.openProgress = [&](const std::string& title, const std::string& text) {
    opened.push_back(title + "|" + text);
  };
  hooks.progress = [&](int32_t) {
    ++calls;
    return true;
  };
  SetCollectionFileHooks(hooks);
  platform().answers = {1, 0};  // "No" the first time the stop is asked about, then "Yes"
  CollectionSaveResult saved;
  ASSERT_EQ(WriteCollectionFile(Path("keep.msc"), &saved), 0);
  EXPECT_TRUE(saved.stopped);
  EXPECT_EQ(test::ReadWholeFile(temp / "keep.msc"), "old bytes");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "Save Search Collection|Saving...");
  ASSERT_FALSE(platform().questions.empty());
  EXPECT_EQ(platform().questions[0].text, "Are you sure you want to stop?");

  // A long file: the tokenizer tells progress every 2000 bytes.
  std::string file;
  for (int i = 0; i < 200; ++i) file += Line("Harbour", "Roads", "", 0, main);
  calls = 0;
  platform().answers = {0};
  CollectionLoadResult loaded;
  ASSERT_EQ(Load(file, kCollectionLoadReplace, &loaded), 0);
  EXPECT_TRUE(loaded.stopped);
  EXPECT_LT(loaded.lines, 200);
  EXPECT_EQ(opened.back(), "Load Search Collection|Loading...");
  EXPECT_TRUE(CollectionStopped());
}

TEST_F(CollectionFileTest, TheCommandsAskForTheFileAndTheWayToLoad) {
  Collect(harbour, roads, main);
  CollectionFileHooks hooks;
  std::string offeredName;
  std::vector<std::string> offeredFilters;
  hooks.chooseSaveFile = [&](const std::string&, const std::vector<std::string>& filters,
                             const std::string& defaultName, std::string& path) {
    offeredName = defaultName;
    offeredFilters = filters;
    path = Path("chosen.msc");
    return true;
  };
  hooks.chooseOpenFile = [&](const std::string&, const std::vector<std::string>&,
                             std::string& path) {
    path = Path("chosen.msc");
    return true;
  };
  SetCollectionFileHooks(hooks);
  ASSERT_EQ(ExportSearchCollection(), 0);
  EXPECT_EQ(offeredName, "collection.msc");
  EXPECT_EQ(offeredFilters, std::vector<std::string>{"TOLVANE Search Collection (*.msc)|*.msc"});
  Collect(harbour, roads, oak);
  platform().answers = {2};  // subset
  ASSERT_EQ(ImportSearchCollection(), 0);
  ASSERT_FALSE(platform().questions.empty());
  EXPECT_EQ(
      platform().questions.back().buttons,
      (std::vector<std::string>{"replace current collection", "add to current collection (union)",
                                "subset of current collection (intersection)", "Cancel"}));
  EXPECT_EQ(Entries(),
            (std::vector<std::tuple<int32_t, int32_t, int32_t>>{{harbour, roads, main}}));
  platform().answers = {3};  // Cancel
  ClearSearchCollection();
  ASSERT_EQ(ImportSearchCollection(), 0);
  EXPECT_EQ(CollectedObjectCount(), 0);
}

}  // namespace
}  // namespace tlv
