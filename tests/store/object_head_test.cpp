#include "store/object_head.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "catalogue/open_files.h"
#include "store/object_record.h"
#include "support/overlay_fixture.h"

namespace tlv {
namespace {

using test::RecordImage;

class ObjectHeadTest : public test::OverlayFileTest {
 protected:
  std::vector<int32_t> WriteRecords(const std::vector<RecordImage>& records,
                                    const std::string& tail = "") {
    std::vector<int32_t> positions;
    std::string bytes;
    for (const RecordImage& r : records) {
      positions.push_back(static_cast<int32_t>(bytes.size()));
      bytes += r.Bytes();
    }
    WriteFile("ROADS.OBJ", bytes + tail);
    return positions;
  }
  BufferedFile& ObjectFileWithWindow(int32_t bytesWanted) {
    EXPECT_EQ(AllocateSpaceForFile(mapIndex, 0, kObjectFileKind, bytesWanted, nullptr, nullptr), 0);
    return CurrentObjectFile();
  }
  // The head read must give what the field accessors give.
  static void ExpectSameAsAccessors(BufferedFile& file, int32_t position) {
    ObjectHead head;
    ASSERT_TRUE(ReadObjectHead(file, position, head)) << "at " << position;
    std::string prefix, name;
    uint8_t aliases = 0;
    ASSERT_EQ(FSGetObjectName(file, position, prefix, name), 0);
    ASSERT_EQ(FSGetObjectAliasCount(file, position, aliases), 0);
    EXPECT_EQ(std::string(head.prefix), prefix) << "at " << position;
    EXPECT_EQ(std::string(head.name), name) << "at " << position;
    EXPECT_EQ(head.aliasCount, aliases) << "at " << position;
  }
};

std::string RandomText(std::mt19937& rng, size_t length) {
  // Letters, accented letters, blanks and a few high bytes: what names hold.
  static const std::string kBytes = "aAnNoO zZ\xE9\xC9\xFF\x9F\x9A\x8A\xDF'-1";
  std::string text;
  for (size_t i = 0; i < length; ++i) text.push_back(kBytes[rng() % kBytes.size()]);
  return text;
}

TEST_F(ObjectHeadTest, ReadsWhatTheFieldAccessorsReadAcrossWindowEdges) {
  std::mt19937 rng(20261209);
  std::vector<RecordImage> records;
  for (int i = 0; i < 300; ++i) {
    RecordImage r;
    r.type = kPointObject;
    r.aliasCount = static_cast<uint8_t>(rng() % 4);
    r.prefix = RandomText(rng, rng() % 4);
    r.name = RandomText(rng, rng() % 12);
    // Rooms larger than the name (zero-padded), equal to it (no terminator) and empty.
    r.nameRoom = static_cast<int32_t>(r.name.size() + rng() % 3);
    r.after = std::string(2 + rng() % 30, '\x11');
    records.push_back(r);
  }
  // The largest rooms there are: both lengths at 255, the name filling its room.
  RecordImage widest;
  widest.prefix = std::string(255, 'p');
  widest.name = std::string(255, 'n');
  widest.nameRoom = 255;
  records.insert(records.begin() + 150, widest);
  const std::vector<int32_t> positions = WriteRecords(records);
  // A 1024-byte window ends inside many records, so the read that moves the window is tried
  // too; the large window holds the file.
  for (const int32_t window : {kSmallWindowSize, -kMaxWindowSize}) {
    BufferedFile& file = ObjectFileWithWindow(window);
    for (const int32_t position : positions) ExpectSameAsAccessors(file, position);
    // Backwards, so every read starts before the window.
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
      ExpectSameAsAccessors(file, *it);
    }
  }
}

TEST_F(ObjectHeadTest, RefusesWhatTheAccessorsReportAndReportsNothingItself) {
  RecordImage good;
  good.prefix = "N";
  good.name = "Main";
  good.nameRoom = 6;
  good.after = "\x11\x11";
  const std::string record = good.Bytes();
  const std::string filler(600, 'z');

  struct Case {
    const char* what;
    std::string bytes;
    int32_t position;
  };
  std::string shortLength = record;
  shortLength[3] = 10;  // less than the fixed head
  std::string pastEnd = record;
  pastEnd[2] = 0x7F;  // the length runs past the file
  std::string prefixPast = record;
  prefixPast[67] = static_cast<char>(250);  // the prefix runs past the record
  std::string roomPast = record;
  roomPast[68 + 1] = static_cast<char>(200);  // the name room runs past the record
  const std::vector<Case> cases = {
      {"length below the head", shortLength + filler, 0},
      {"length past the file", pastEnd, 0},
      {"prefix past the record", prefixPast + filler, 0},
      {"name room past the record", roomPast + filler, 0},
      {"position past the file", record, static_cast<int32_t>(record.size())},
      {"negative position", record, -5},
      {"record cut short", record.substr(0, 40), 0},
  };
  for (const Case& c : cases) {
    WriteFile("ROADS.OBJ", c.bytes);
    BufferedFile& file = ObjectFileWithWindow(-kMaxWindowSize);
    DefaultHeadlessPlatform().alerts.clear();
    ObjectHead head;
    EXPECT_FALSE(ReadObjectHead(file, c.position, head)) << c.what;
    EXPECT_TRUE(DefaultHeadlessPlatform().alerts.empty()) << c.what;
    std::string prefix, name;
    EXPECT_NE(FSGetObjectName(file, c.position, prefix, name), 0) << c.what;
  }
}

TEST_F(ObjectHeadTest, AWindowSmallerThanTheHeadLeavesTheRecordToTheAccessors) {
  RecordImage r;
  r.name = "Harbour Road";
  r.nameRoom = 12;
  r.after = "\x11\x11";
  WriteRecords({r}, std::string(2000, 'z'));
  BufferedFile& file = ObjectFileWithWindow(-kMaxWindowSize);
  ASSERT_EQ(FSResizeBuf(file, 64), 0);
  ObjectHead head;
  EXPECT_FALSE(ReadObjectHead(file, 0, head));
  std::string prefix, name;
  ASSERT_EQ(FSGetObjectName(file, 0, prefix, name), 0);
  EXPECT_EQ(name, "Harbour Road");
}

}  // namespace
}  // namespace tlv
