// The picture file name through the callers that store it: making a picture object and copying
// it to another overlay keep a name that fills the whole field.
#include <gtest/gtest.h>

#include <string>

#include "edit/life_cycle.h"
#include "store/object_record.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

class PictureNameTest : public test::ObjectsTest {
 protected:
  PictureNameTest() : ObjectsTest(test::FilesKind::kMemory) {}
};

TEST_F(PictureNameTest, ThirtyTwoCharacterNameSurvivesMakingAndCopying) {
  const std::string file = "harbour-pier-north-east-2024.bmp";
  ASSERT_EQ(file.size(), 32u);
  test::WriteWholeFile(harbourFolder / file, "picture bytes");
  ObjectID id;
  NewObjectID(id);
  const std::string prefix, name = "Pier photo";
  const WRect rect{7000, 7000, 7100, 7100};
  ObjectContents contents;
  contents.prefix = prefix;
  contents.name = name;
  contents.rect = rect;
  contents.textOrPicture = file;
  int32_t at = -1;
  ASSERT_EQ(CreateObject(harbour, sites, kPictureObject, id, contents, at), 0);
  std::string stored;
  ASSERT_EQ(FSGetObjectPICTFile(Objects(harbour, sites), at, stored), 0);
  EXPECT_EQ(stored, file);

  int32_t copy = -1;
  ASSERT_EQ(FSCopyObject({harbour, sites, at}, harbour, roads, 10, 0, 0, 0, copy, false), 0);
  ASSERT_EQ(FSGetObjectPICTFile(Objects(harbour, roads), copy, stored), 0);
  EXPECT_EQ(stored, file) << "the copy must name the same, existing file";
  EXPECT_TRUE(platform().alerts.empty());
}

}  // namespace
}  // namespace tlv
