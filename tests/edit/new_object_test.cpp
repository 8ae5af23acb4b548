// A picture put on the map from a file elsewhere: the file is copied into the map's own folder
// under a name of its own, the object names the copy, and a refusal leaves no copy behind.
#include "edit/new_object.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "edit_fixture.h"

namespace tlv::test {
namespace {

namespace fs = std::filesystem;

class NewPictureTest : public EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    source = temp.path() / "scans" / "river.png";
    fs::create_directories(source.parent_path());
    std::ofstream(source, std::ios::binary) << "not decoded here";
    SetLock(roads, 0);
    SetEditTarget(harbour, roads);
  }
  NewObject Picture() const {
    NewObject object;
    object.name = "River scan";
    object.overlayID = roads;
    object.rect = {100000000, 100000000, 100500000, 100400000};
    return object;
  }
  size_t FilesInHarbour() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(harbourFolder), {}));
  }

  fs::path source;
};

TEST_F(NewPictureTest, EachPictureGetsACopyOfItsOwnInTheMapsFolder) {
  ObjectRef first;
  ASSERT_EQ(AddPictureObject(Picture(), source.string(), first), 0);
  ObjectRef second;
  ASSERT_EQ(AddPictureObject(Picture(), source.string(), second), 0);
  EXPECT_EQ(first.mapID, harbour);
  EXPECT_EQ(TypeOf(harbour, roads, first.position), kPictureObject);
  std::string named;
  ASSERT_EQ(FSGetObjectPICTFile(Objects(harbour, roads), first.position, named), 0);
  EXPECT_EQ(named, "river.png");
  ASSERT_EQ(FSGetObjectPICTFile(Objects(harbour, roads), second.position, named), 0);
  EXPECT_EQ(named, "river1.png");
  EXPECT_TRUE(fs::exists(harbourFolder / "river.png"));
  EXPECT_TRUE(fs::exists(harbourFolder / "river1.png"));
  EXPECT_TRUE(fs::exists(source)) << "the original stays where it was";
  EXPECT_EQ(SelectedObjectCount(), 1);
}

TEST_F(NewPictureTest, ARefusalLeavesNoCopyAndNoObject) {
  const size_t before = FilesInHarbour();
  ObjectRef made;
  // No such file, and a folder, are no pictures.
  EXPECT_NE(AddPictureObject(Picture(), (source.parent_path() / "none.png").string(), made), 0);
  EXPECT_NE(AddPictureObject(Picture(), source.parent_path().string(), made), 0);
  // Every overlay locked: nothing may be added anywhere.
  SetLock(roads, 1);
  EXPECT_NE(AddPictureObject(Picture(), source.string(), made), 0);
  EXPECT_FALSE(platform().alerts.empty());
  EXPECT_EQ(FilesInHarbour(), before);
  EXPECT_EQ(CountOf(harbour, roads), 0);
}

}  // namespace
}  // namespace tlv::test
