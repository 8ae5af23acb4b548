#include "catalogue/catalogue_files.h"

#include <gtest/gtest.h>

#include "support/byte_builder.h"
#include "support/catalogue_fixture.h"

namespace tlv {
namespace {

using test::ByteBuilder;

TEST(NameDotMapTest, ReadsFieldsAndTurnsTheCurlyApostropheIntoAnAsciiOne) {
  const std::string bytes = test::NameDotMapBytes("User\xD5s Map", "DORV", 'Y');
  NameDotMap record;
  ASSERT_EQ(DecodeNameDotMap(bytes.data(), 56, record), 0);
  EXPECT_EQ(record.name, "User's Map");
  EXPECT_EQ(record.owner, "DORV");
  EXPECT_EQ(record.universal, 'Y');

  char written[kNameDotMapSize];
  record.name = "User\xD5s Map";
  EncodeNameDotMap(record, written);
  EXPECT_EQ(std::string(written, 56), test::NameDotMapBytes("User's Map", "DORV", 'Y'));
}

TEST(NameDotMapTest, RefusesAnyOtherSizeAndCutsUnterminatedFields) {
  const std::string bytes = test::NameDotMapBytes("Harbour");
  NameDotMap record;
  EXPECT_EQ(DecodeNameDotMap(bytes.data(), 55, record), kErrBadLength);
  const std::string longer = bytes + "x";
  EXPECT_EQ(DecodeNameDotMap(longer.data(), 57, record), kErrBadLength);

  // A name field without its NUL, and an owner running into the universal mark.
  std::string full(56, 'A');
  ASSERT_EQ(DecodeNameDotMap(full.data(), 56, record), 0);
  EXPECT_EQ(record.name.size(), 41u);
  EXPECT_EQ(record.owner.size(), 5u);

  NameDotMap tooLong;
  tooLong.name = std::string(60, 'n');
  tooLong.owner = "OWNERCODE";
  char written[kNameDotMapSize];
  EncodeNameDotMap(tooLong, written);
  EXPECT_EQ(written[41], 0);
  EXPECT_EQ(std::string(written + 46), "OWNER");
  EXPECT_EQ(test::Big32At(std::string(written, 56), 42), 0);
}

TEST(XtraMapsTest, ReadsWholeRecordsAndRefusesTornFiles) {
  const std::string bytes =
      test::XtraBytes("/media/cd/Harbour/", "Harbour") + test::XtraBytes("/srv/Dam/", "Dam");
  std::vector<XtraMapsEntry> entries;
  ASSERT_EQ(DecodeXtraMaps(bytes.data(), static_cast<int32_t>(bytes.size()), entries), 0);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].path, "/srv/Dam/");
  EXPECT_EQ(entries[1].name, "Dam");
  EXPECT_EQ(DecodeXtraMaps(bytes.data(), 297, entries), kErrBadLength);
  EXPECT_TRUE(entries.empty());

  char record[kXtraMapsRecordSize];
  EncodeXtraMapsEntry(entries.empty() ? XtraMapsEntry{"/srv/Dam/", "Dam"} : entries[0], record);
  EXPECT_EQ(std::string(record, 298), test::XtraBytes("/srv/Dam/", "Dam"));
}

TEST(Layers2Test, ReadsBothLayoutsAndRefusesOtherSizes) {
  test::Layers2Fields roads;
  roads.name = "Roads";
  roads.displayMode = 1;
  roads.scales[0] = 1000;
  roads.flags = 3;
  roads.lockState = 2;
  roads.deleteAtQuit = 1;
  roads.graphics[0] = 54;
  roads.graphicsOverride = 1;
  roads.searchMark = 9;
  roads.reservedValue = 4;
  roads.listMark = 12;
  roads.thematic[0] = 5;
  roads.thematic[2] = 7;
  const std::string current = test::Layers2Bytes(roads);
  ASSERT_EQ(current.size(), 88u);
  std::vector<LayerRecord> layers;
  ASSERT_EQ(DecodeLayers2(current.data(), 88, layers), 0);
  ASSERT_EQ(layers.size(), 1u);
  const LayerRecord& l = layers[0];
  EXPECT_EQ(FieldText(l.name), "Roads");
  EXPECT_EQ(l.displayMode, 1);
  EXPECT_EQ(l.scales[0], 1000);
  EXPECT_EQ(l.scales[3], 512000);
  EXPECT_EQ(l.flags, 3);
  EXPECT_EQ(l.lockState, 2);
  EXPECT_EQ(l.deleteAtQuit, 1);
  EXPECT_EQ(l.graphics[0], 54);
  EXPECT_EQ(l.graphicsOverride, 1);
  EXPECT_EQ(l.searchMark, 9);
  EXPECT_EQ(l.reservedValue, 4);
  EXPECT_EQ(l.listMark, 12);
  EXPECT_EQ(l.thematic[0], 5);
  EXPECT_EQ(l.thematic[2], 7);

  char written[kLayers2RecordSize];
  EncodeLayers2Record(l, written);
  EXPECT_EQ(std::string(written, 88), current);

  const std::string old = test::Layers2Bytes(roads, true) + test::Layers2Bytes(roads, true);
  ASSERT_EQ(DecodeLayers2(old.data(), 168, layers), 0);
  ASSERT_EQ(layers.size(), 2u);
  EXPECT_EQ(layers[1].listMark, 12);
  EXPECT_EQ(layers[1].thematic[0], 0);

  const std::string torn = current + "x";
  EXPECT_EQ(DecodeLayers2(torn.data(), 89, layers), kErrBadLength);
}

TEST(GroupsFileTest, ReadsCollapsedAsOneAndRefusesTornFiles) {
  const std::string bytes =
      test::GroupBytes("Transport", "Roads", "Rail", 7) + test::GroupBytes("Empty", "", "", 0);
  std::vector<GroupRecord> groups;
  ASSERT_EQ(DecodeGroups(bytes.data(), 200, groups), 0);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(FieldText(groups[0].last), "Rail");
  EXPECT_EQ(groups[0].collapsed, 1);
  EXPECT_EQ(groups[1].collapsed, 0);
  char written[kGroupFileRecordSize];
  EncodeGroupRecord(groups[0], written);
  EXPECT_EQ(std::string(written, 100), test::GroupBytes("Transport", "Roads", "Rail", 1));
  EXPECT_EQ(DecodeGroups(bytes.data(), 150, groups), kErrBadLength);
}

TEST(LayerFileHeaderTest, ReadsFiftyTwoBytesAndRefusesShortOnes) {
  const std::string bytes = test::LayerHeaderBytes("Hospitals", 42, {1, 2, 3, 4});
  LayerFileHeader header;
  ASSERT_EQ(DecodeLayerFileHeader(bytes.data(), 52, header), 0);
  EXPECT_EQ(header.name, "Hospitals");
  EXPECT_EQ(header.bounds, (WRect{1, 2, 3, 4}));
  EXPECT_EQ(header.objectCount, 42);
  EXPECT_EQ(DecodeLayerFileHeader(bytes.data(), 51, header), kErrBadLength);
  char written[kLayerFileHeaderSize];
  EncodeLayerFileHeader(header, written);
  EXPECT_EQ(std::string(written, 52), bytes);

  const std::string unterminated = std::string(32, 'z') + std::string(20, '\0');
  ASSERT_EQ(DecodeLayerFileHeader(unterminated.data(), 52, header), 0);
  EXPECT_EQ(header.name.size(), 31u);
}

}  // namespace
}  // namespace tlv
