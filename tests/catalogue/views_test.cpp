// Saved views on disk: the 134-byte big-endian file, the naming of new files, refusals that leave
// every file as it was, and the walk over both view folders.
#include "catalogue/views.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/catalogue_fixture.h"

namespace tlv::test {
namespace {

class ViewsTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    MakeFolders(root / "Settings" / "Views");
    MakeFolders(root / "Program" / "Views");
    saved = Register(root / "Settings" / "Views");
    program = Register(root / "Program" / "Views");
    SetViewFolders(0, saved, program);
  }
  void TearDown() override {
    ResetViewsForTesting();
    CatalogueTest::TearDown();
  }

  static ViewRecord View(const char* name, int32_t scale = 24000) {
    ViewRecord view;
    std::strncpy(view.name, name, sizeof view.name - 1);
    view.rect = {101500000, 128500000, 101600000, 128560000};
    view.scale = scale;
    return view;
  }
  std::vector<ViewRecord> Listed() {
    std::vector<ViewRecord> views;
    EXPECT_EQ(ForEachViewFile([&views](const ViewRecord& v) {
                views.push_back(v);
                return 0;
              }),
              0);
    return views;
  }

  int32_t saved = -1;
  int32_t program = -1;
};

TEST_F(ViewsTest, TheFileIsBigEndianAndCarriesItsFlags) {
  ViewRecord view = View("Harbour entrance");
  std::strcpy(view.mapName, "Harbour");
  view.flagA = 7;
  view.flagB = 255;
  std::strcpy(view.fileName, "Harbour entrance.VEW");
  view.volume = -1;
  view.folderID = 0x01020304;
  char bytes[kViewFileSize];
  EncodeSavedViewImage(view, bytes);
  EXPECT_STREQ(bytes, "Harbour entrance");
  EXPECT_STREQ(bytes + 32, "Harbour");
  // left 101,500,000 = 0x060CC460, most significant byte first
  EXPECT_EQ(static_cast<unsigned char>(bytes[74]), 0x06);
  EXPECT_EQ(static_cast<unsigned char>(bytes[77]), 0x60);
  EXPECT_EQ(static_cast<unsigned char>(bytes[94]), 7);
  EXPECT_EQ(static_cast<unsigned char>(bytes[95]), 255);
  EXPECT_EQ(static_cast<unsigned char>(bytes[130]), 0x01);
  const ViewRecord back = DecodeSavedViewImage(bytes);
  EXPECT_TRUE(SameViewByFile(back, view));
  EXPECT_TRUE(SameViewByName(back, view));
  EXPECT_EQ(back.flagA, 7);
  EXPECT_EQ(back.flagB, 255);
  EXPECT_STREQ(back.mapName, "Harbour");

  // A name that fills its room is cut and still terminated.
  std::memset(bytes, 'x', sizeof bytes);
  const ViewRecord full = DecodeSavedViewImage(bytes);
  EXPECT_EQ(std::strlen(full.name), 31u);
  EXPECT_EQ(std::strlen(full.fileName), 31u);
}

TEST_F(ViewsTest, NewFilesGetTheirOwnNamesUpToNine) {
  ViewRecord stored;
  ASSERT_EQ(SaveView(View("Harbour"), "BMP", stored), 0);
  EXPECT_STREQ(stored.fileName, "Harbour.VEW");
  EXPECT_EQ(stored.folderID, saved);
  EXPECT_EQ(ReadWholeFile(root / "Settings" / "Views" / "Harbour.BTS"), "BMP");
  EXPECT_EQ(ReadWholeFile(root / "Settings" / "Views" / "Harbour.VEW").size(), 134u);
  // Names that differ after the 26th character, or only in case, share a file name.
  WriteWholeFile(root / "Settings" / "Views" / "HARBOUR2.vew", std::string(134, '\0'));
  ASSERT_EQ(SaveView(View("harbour", 50000), "BMP", stored), 0);
  EXPECT_STREQ(stored.fileName, "harbour3.VEW");
  for (int n = 4; n <= 9; ++n) {
    WriteWholeFile(root / "Settings" / "Views" / ("harbour" + std::to_string(n) + ".VEW"), "");
  }
  platform().Reset();
  EXPECT_NE(SaveView(View("HARBOUR", 70000), "BMP", stored), 0);
  ASSERT_FALSE(platform().alerts.empty());
  EXPECT_EQ(platform().alerts.back().text, "There are too many files with the same name.");
  // "/" and a leading "." never make a path.
  EXPECT_EQ(ChooseViewFileName(0, saved, ".hidden/view"), "_hidden_view.VEW");
  EXPECT_EQ(ChooseViewFileName(0, saved, "A name longer than twenty-six characters"),
            "A name longer than twenty-.VEW");
}

TEST_F(ViewsTest, RefusalsChangeNothing) {
  ViewRecord stored;
  ASSERT_EQ(SaveView(View("Harbour"), "BMP", stored), 0);
  const std::string before = ReadWholeFile(root / "Settings" / "Views" / "Harbour.VEW");
  platform().Reset();
  EXPECT_NE(SaveView(View("Harbour", 99000), "OTHER", stored), 0);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text, "There is already a view with that name on this map.");
  EXPECT_EQ(ReadWholeFile(root / "Settings" / "Views" / "Harbour.VEW"), before);
  EXPECT_EQ(ReadWholeFile(root / "Settings" / "Views" / "Harbour.BTS"), "BMP");
  // A thumbnail name already taken moves the new view on to the next name, so nothing else's
  // file is replaced.
  MakeFolders(root / "Settings" / "Views" / "Bridge.BTS");
  ASSERT_EQ(SaveView(View("Bridge"), "BMP", stored), 0);
  EXPECT_STREQ(stored.fileName, "Bridge2.VEW");
  EXPECT_TRUE(fs::is_directory(root / "Settings" / "Views" / "Bridge.BTS"));
}

TEST_F(ViewsTest, BothFoldersAreWalkedAndABrokenFileIsSkippedOnce) {
  ViewRecord stored;
  ASSERT_EQ(SaveView(View("Mine"), "BMP", stored), 0);
  char bytes[kViewFileSize];
  EncodeSavedViewImage(View("Shipped"), bytes);
  WriteWholeFile(root / "Program" / "Views" / "Shipped.VEW", std::string(bytes, kViewFileSize));
  WriteWholeFile(root / "Settings" / "Views" / "Short.VEW", std::string(100, 'x'));
  WriteWholeFile(root / "Settings" / "Views" / "notes.txt", "not a view");
  platform().Reset();
  const std::vector<ViewRecord> views = Listed();
  ASSERT_EQ(views.size(), 2u);
  EXPECT_STREQ(views[0].name, "Mine");
  EXPECT_EQ(views[0].folderID, saved);
  EXPECT_STREQ(views[1].name, "Shipped");
  EXPECT_EQ(views[1].folderID, program);
  EXPECT_STREQ(views[1].fileName, "Shipped.VEW");
  EXPECT_EQ(platform().alerts.size(), 1u) << "the short file is reported once";
  // A walk stops at the function's first non-zero answer.
  int calls = 0;
  EXPECT_EQ(ForEachViewFile([&calls](const ViewRecord&) { return ++calls == 1 ? 5 : 0; }), 5);
  EXPECT_EQ(calls, 1);
  std::string thumbnail;
  ASSERT_EQ(ReadViewThumbnail(views[0], thumbnail), 0);
  EXPECT_EQ(thumbnail, "BMP");
  EXPECT_NE(ReadViewThumbnail(views[1], thumbnail), 0) << "the shipped view has no thumbnail";
}

TEST_F(ViewsTest, AnEditedListRenamesAndDeletesOnlyTheUsersViews) {
  ViewRecord stored;
  ASSERT_EQ(SaveView(View("Bridge"), "B", stored), 0);
  ASSERT_EQ(SaveView(View("Harbour", 50000), "H", stored), 0);
  char bytes[kViewFileSize];
  EncodeSavedViewImage(View("Shipped"), bytes);
  WriteWholeFile(root / "Program" / "Views" / "Shipped.VEW", std::string(bytes, kViewFileSize));
  std::vector<ViewRecord> list = SortedViews();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_STREQ(list[0].name, "Bridge");
  EXPECT_STREQ(list[2].name, "Shipped");
  // Rename Harbour (its flags stay), drop Bridge and the shipped view.
  std::strcpy(list[1].name, "Old harbour");
  list[1].flagA = 3;
  const std::vector<ViewRecord> edited{list[1]};
  std::vector<ViewRecord> deleted;
  ASSERT_EQ(ApplyViewList(edited, deleted), 0);
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_STREQ(deleted[0].name, "Bridge");
  EXPECT_FALSE(fs::exists(root / "Settings" / "Views" / "Bridge.VEW"));
  EXPECT_FALSE(fs::exists(root / "Settings" / "Views" / "Bridge.BTS"));
  EXPECT_TRUE(fs::exists(root / "Program" / "Views" / "Shipped.VEW"));
  const std::vector<ViewRecord> after = SortedViews();
  ASSERT_EQ(after.size(), 2u);
  EXPECT_STREQ(after[0].name, "Old harbour");
  EXPECT_STREQ(after[0].fileName, "Harbour.VEW");
  EXPECT_EQ(after[0].flagA, 3);
  // Applying the same list again changes no byte.
  const std::string before = ReadWholeFile(root / "Settings" / "Views" / "Harbour.VEW");
  ASSERT_EQ(ApplyViewList(after, deleted), 0);
  EXPECT_TRUE(deleted.empty());
  EXPECT_EQ(ReadWholeFile(root / "Settings" / "Views" / "Harbour.VEW"), before);
}

}  // namespace
}  // namespace tlv::test
