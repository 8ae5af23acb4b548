// The map checker on overlay file sets written from literal field values: a sound set of every
// kind gives nothing, and each kind of damage (short and missing files, records outside the file
// or too short for their contents, wrong IDs and rectangles, counts and bounds, index blocks,
// shared IDs and records, aliases without their object) gives the finding that names it, without
// an alert. Then the walk over the maps on disk: sets and maps the catalogue left out, and a
// catalogue entry that went apart from its header.
#include "catalogue/map_check.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "catalogue/catalogue_files.h"
#include "store/object_record.h"
#include "support/catalogue_fixture.h"
#include "support/overlay_fixture.h"

namespace tlv::test {
namespace {

constexpr WRect kNoPlace{0, 0, 0, 0};

// A plain segment of a stored polyline: x (bit 31 starting a piece), y, mask 0.
std::string Segment(int32_t x, int32_t y, bool newPiece) {
  return ByteBuilder()
      .U32(static_cast<uint32_t>(x) | (newPiece ? kNewPieceBit : 0u))
      .I32(y)
      .U16(0)
      .bytes();
}

// An overlay file set built record by record; the header counts the live records and its bounds
// are their union unless a test says otherwise.
class SetBuilder {
 public:
  // Appends the record and its summary record (live or deleted); returns the record's position.
  int32_t Add(const RecordImage& record, bool live = true) {
    const auto position = static_cast<int32_t>(objects_.size());
    objects_ += record.Bytes();
    const WRect summaryRect = record.type == kAliasObject ? kNoPlace : record.rect;
    summary_ += SummaryBytes(live ? position : ~position, summaryRect, record.idHigh, record.idLow);
    if (live) {
      ++live_;
      if (WRectPlaced(summaryRect)) UnionWRect(bounds_, summaryRect);
    }
    return position;
  }
  // A rectangle with the ID (1, low) at the given place.
  int32_t AddRect(int32_t low, const WRect& rect, bool live = true) {
    return Add(Rectangle(low, rect), live);
  }
  static RecordImage Rectangle(int32_t low, const WRect& rect) {
    RecordImage r;
    r.type = kRectangleObject;
    r.idHigh = 1;
    r.idLow = low;
    r.rect = rect;
    r.name = "Pier";
    r.nameRoom = 4;
    r.after = std::string("\x11\x12", 2);
    return r;
  }

  OverlayFileImages Images() const {
    OverlayFileImages images;
    images.header = LayerHeaderBytes("Marks", count_.value_or(live_), bounds_);
    images.objects = objects_;
    images.summary = summary_;
    images.index = index_;
    return images;
  }

  std::string objects_;
  std::string summary_;
  std::optional<std::string> index_;
  std::optional<int32_t> count_;
  int32_t live_ = 0;
  WRect bounds_ = kUnionStartRect;
};

std::vector<CheckFinding> Check(const OverlayFileImages& images, bool strictIDs = false) {
  std::vector<CheckFinding> findings;
  CheckOptions options;
  options.sharedIDsAreProblems = strictIDs;
  CheckOverlayFileImages(images, options, findings);
  return findings;
}

std::string Describe(const std::vector<CheckFinding>& findings) {
  std::string text;
  for (const CheckFinding& f : findings) {
    text += std::string(f.check) + " @" + std::to_string(f.position) + ": " + f.message + "\n";
  }
  return text;
}

// Exactly one finding, of the check named, at the position given.
::testing::AssertionResult OneFinding(const std::vector<CheckFinding>& findings, const char* check,
                                      int32_t position,
                                      CheckSeverity severity = CheckSeverity::kProblem) {
  if (findings.size() != 1) {
    return ::testing::AssertionFailure() << "expected one " << check << " finding, got:\n"
                                         << Describe(findings);
  }
  const CheckFinding& f = findings[0];
  if (std::string(f.check) != check) {
    return ::testing::AssertionFailure() << "check is " << f.check << ", not " << check;
  }
  if (f.position != position) {
    return ::testing::AssertionFailure() << "position is " << f.position << ", not " << position;
  }
  if (f.severity != severity) return ::testing::AssertionFailure() << "severity differs";
  if (f.message.empty()) return ::testing::AssertionFailure() << "no message";
  return ::testing::AssertionSuccess();
}

class MapCheckImagesTest : public CoreTest {};

TEST_F(MapCheckImagesTest, ASoundSetOfEveryKindGivesNothing) {
  SetBuilder set;
  set.AddRect(1, {100, 200, 300, 400});
  RecordImage circle = SetBuilder::Rectangle(2, {500, 500, 900, 900});
  circle.type = kCircleObject;
  set.Add(circle);
  RecordImage point = SetBuilder::Rectangle(3, {50, 50, 60, 60});
  point.type = kPointObject;
  point.prefix = "P";
  point.name = "Pump";
  point.nameRoom = 6;
  set.Add(point);
  RecordImage line = SetBuilder::Rectangle(4, {10, 10, 40, 40});
  line.type = kPolylineObject;
  // Two plain segments and one with all attributes stored.
  ByteBuilder segments;
  segments.U8(0x11).U8(0x12).I32(3).Append(Segment(10, 10, true)).Append(Segment(40, 40, false));
  segments.U32(25).I32(25).U16(0x7FFF);
  for (int k = 0; k < kSegmentAttributeCount; ++k) segments.I32(k);
  line.after = segments.bytes();
  set.Add(line);
  RecordImage polygon = line;
  polygon.type = kPolygonObject;
  polygon.idLow = 5;
  set.Add(polygon);
  RecordImage text = SetBuilder::Rectangle(6, {70, 70, 80, 80});
  text.type = kTextObject;
  text.after = ByteBuilder().U8(0x10).I16(21).U8(2).I16(5).Text("North", 5).bytes();
  set.Add(text);
  RecordImage picture = SetBuilder::Rectangle(7, {70, 70, 90, 90});
  picture.type = kPictureObject;
  picture.after = ByteBuilder().U8(1).Text("chart.png", kPictFileNameSize).bytes();
  set.Add(picture);
  RecordImage alias = SetBuilder::Rectangle(8, {1, 3, 0, 0});  // stands for (1, 3)
  alias.type = kAliasObject;
  alias.after.clear();
  set.Add(alias);
  // Deleted records and objects not placed yet count for nothing but the count.
  set.AddRect(9, {0, 0, 99999999, 99999999}, false);
  set.AddRect(10, kNoPlace);
  set.AddRect(1, {0, 0, 5, 5}, false);  // a deleted record of a live object's ID
  EXPECT_TRUE(Check(set.Images()).empty()) << Describe(Check(set.Images()));
}

TEST_F(MapCheckImagesTest, MissingAndShortFilesAreNamedAndNothingElseIsRead) {
  SetBuilder set;
  set.AddRect(1, {1, 1, 2, 2});
  for (auto missing :
       {&OverlayFileImages::header, &OverlayFileImages::objects, &OverlayFileImages::summary}) {
    OverlayFileImages images = set.Images();
    (images.*missing).reset();
    EXPECT_TRUE(OneFinding(Check(images), check::kFiles, -1));
  }
  OverlayFileImages images = set.Images();
  images.header->resize(40);
  EXPECT_TRUE(OneFinding(Check(images), check::kFiles, -1));
  // A header with bytes after its 52 is still read, and its count still checked.
  images = set.Images();
  *images.header += "xx";
  EXPECT_TRUE(OneFinding(Check(images), check::kFiles, -1));
}

TEST_F(MapCheckImagesTest, ASummaryFileEndingInAFragmentIsOnlyANote) {
  SetBuilder set;
  set.AddRect(1, {1, 1, 2, 2});
  set.summary_ += "abc";
  EXPECT_TRUE(OneFinding(Check(set.Images()), check::kSummaryFile, -1, CheckSeverity::kNote));
}

TEST_F(MapCheckImagesTest, RecordsOutsideTheObjectFileOrTooShortAreRefused) {
  SetBuilder set;
  const int32_t first = set.AddRect(1, {1, 1, 2, 2});
  const int32_t second = set.AddRect(2, {1, 1, 2, 2});
  {
    // The last record cut short: it runs past the end of the file.
    OverlayFileImages images = set.Images();
    images.objects->resize(images.objects->size() - 3);
    EXPECT_TRUE(OneFinding(Check(images), check::kRecordPlace, second));
  }
  {
    // Cut before the record starts: the position lies beyond the end.
    OverlayFileImages images = set.Images();
    images.objects->resize(static_cast<size_t>(second) + 2);
    EXPECT_TRUE(OneFinding(Check(images), check::kRecordPlace, second));
  }
  {
    // A length too short for the fixed head; a negative length; a length near 2^31.
    for (const int32_t length : {10, -70, 0x7FFFFFF0}) {
      OverlayFileImages images = set.Images();
      const std::string patched = ByteBuilder().I32(length).bytes();
      images.objects->replace(static_cast<size_t>(first), 4, patched);
      const auto findings = Check(images);
      EXPECT_TRUE(OneFinding(findings, check::kRecordPlace, first)) << length;
    }
  }
}

TEST_F(MapCheckImagesTest, UnreadableKindsWrongIDsAndRectanglesAreNamed) {
  SetBuilder set;
  const int32_t at = set.AddRect(1, {100, 100, 200, 200});
  auto patched = [&](size_t offset, const std::string& bytes) {
    OverlayFileImages images = set.Images();
    images.objects->replace(static_cast<size_t>(at) + offset, bytes.size(), bytes);
    return Check(images);
  };
  EXPECT_TRUE(OneFinding(patched(kObjVersionFlagsOffset, ByteBuilder().I32(2).bytes()),
                         check::kRecordVersion, at));
  EXPECT_TRUE(
      OneFinding(patched(kObjTypeOffset, ByteBuilder().U8(0).bytes()), check::kRecordKind, at));
  EXPECT_TRUE(
      OneFinding(patched(kObjTypeOffset, ByteBuilder().U8(9).bytes()), check::kRecordKind, at));
  // Bit 7 of the type is not part of the kind.
  EXPECT_TRUE(patched(kObjTypeOffset, ByteBuilder().U8(0x81).bytes()).empty());
  EXPECT_TRUE(
      OneFinding(patched(kObjIDOffset + 4, ByteBuilder().I32(7).bytes()), check::kRecordID, at));
  EXPECT_TRUE(OneFinding(patched(kObjWorldRectOffset, ByteBuilder().I32(101).bytes()),
                         check::kRecordRect, at));

  // An alias whose summary record has a place is passed over by the walks over aliases.
  SetBuilder aliases;
  aliases.AddRect(1, {1, 1, 2, 2});
  RecordImage alias = SetBuilder::Rectangle(2, {1, 1, 0, 0});
  alias.type = kAliasObject;
  const int32_t aliasAt = aliases.Add(alias);
  OverlayFileImages images = aliases.Images();
  images.summary->replace(kSummaryRecordSize + 4, 16, ByteBuilder().Rect(1, 1, 0, 0).bytes());
  EXPECT_TRUE(OneFinding(Check(images), check::kRecordRect, aliasAt));
}

TEST_F(MapCheckImagesTest, NamesTextsAndSegmentsThatDoNotFitTheirRecordAreRefused) {
  auto layoutOf = [](RecordImage record) {
    SetBuilder set;
    const int32_t at = set.Add(record);
    return OneFinding(Check(set.Images()), check::kRecordLayout, at);
  };
  RecordImage base = SetBuilder::Rectangle(1, {1, 1, 2, 2});
  {
    RecordImage r = base;  // no room left for the graphics bytes
    r.after.clear();
    EXPECT_TRUE(layoutOf(r));
  }
  {
    RecordImage r = base;  // the name room claims more than the record holds
    r.nameRoom = 4;
    r.after.clear();
    std::string bytes = r.Bytes();
    SetBuilder set;
    set.objects_ = bytes;
    set.objects_[static_cast<size_t>(kObjPrefixOffset)] = static_cast<char>(200);
    set.summary_ = SummaryBytes(0, r.rect, 1, 1);
    set.live_ = 1;
    set.bounds_ = r.rect;
    EXPECT_TRUE(OneFinding(Check(set.Images()), check::kRecordLayout, 0));
  }
  RecordImage line = base;
  line.type = kPolylineObject;
  {
    RecordImage r = line;  // a negative segment count
    r.after = ByteBuilder().U8(0).U8(0).I32(-1).bytes();
    EXPECT_TRUE(layoutOf(r));
  }
  {
    RecordImage r = line;  // two segments counted, one stored
    r.after = ByteBuilder().U8(0).U8(0).I32(2).Append(Segment(1, 1, true)).bytes();
    EXPECT_TRUE(layoutOf(r));
  }
  {
    RecordImage r = line;  // the mask claims attributes the record has no room for
    r.after =
        ByteBuilder().U8(0).U8(0).I32(1).U32(kNewPieceBit | 1).I32(1).U16(0x0003).I32(5).bytes();
    EXPECT_TRUE(layoutOf(r));
  }
  {
    RecordImage r = base;  // a text room longer than the record
    r.type = kTextObject;
    r.after = ByteBuilder().U8(0x10).I16(21).U8(2).I16(40).Text("North", 5).bytes();
    EXPECT_TRUE(layoutOf(r));
    r.after = ByteBuilder().U8(0x10).I16(21).U8(2).I16(-2).bytes();
    EXPECT_TRUE(layoutOf(r));
  }
  {
    RecordImage r = base;  // a picture name cut short
    r.type = kPictureObject;
    r.after = ByteBuilder().U8(1).Text("chart.png", 20).bytes();
    EXPECT_TRUE(layoutOf(r));
  }
}

TEST_F(MapCheckImagesTest, TheHeaderMustCountTheLiveRecordsAndItsBoundsCoverThem) {
  SetBuilder set;
  set.AddRect(1, {100, 100, 200, 200});
  const int32_t outside = set.AddRect(2, {150, 150, 900, 300});
  set.AddRect(3, {0, 0, 5000, 5000}, false);
  set.count_ = 3;
  EXPECT_TRUE(OneFinding(Check(set.Images()), check::kObjectCount, -1));
  set.count_.reset();
  set.bounds_ = {100, 100, 200, 300};
  EXPECT_TRUE(OneFinding(Check(set.Images()), check::kBounds, outside));
  // Bounds larger than the live objects (left behind by deletions) are sound.
  set.bounds_ = {0, 0, 5000, 5000};
  EXPECT_TRUE(Check(set.Images()).empty());
}

TEST_F(MapCheckImagesTest, EachIndexEntryMustCoverTheLiveRecordsOfItsCompleteBlock) {
  SetBuilder set;
  int32_t stray = -1;
  for (int32_t i = 0; i < 2 * kSM2BlockRecords + 10; ++i) {
    const bool live = i != 5;
    const WRect rect = i == 1500 ? WRect{9000, 9000, 9100, 9100} : WRect{i, i, i + 10, i + 10};
    const int32_t at = set.AddRect(i + 1, i == 5 ? WRect{0, 0, 99999, 99999} : rect, live);
    if (i == 1500) stray = at;
  }
  // Entry 0 covers its block (the deleted record at 5 does not count); entry 1 misses the
  // record moved to 9000; a third entry past the complete blocks is never used.
  set.index_ =
      ByteBuilder().Rect(0, 0, 1009, 1009).Rect(1000, 1000, 2009, 2009).Rect(0, 0, 0, 0).bytes();
  EXPECT_TRUE(OneFinding(Check(set.Images()), check::kIndexBlock, stray));
  set.index_ = ByteBuilder().Rect(0, 0, 1009, 1009).bytes() + "xyz";
  EXPECT_TRUE(OneFinding(Check(set.Images()), check::kIndexFile, -1));
}

TEST_F(MapCheckImagesTest, SharedIDsAreNotesUnlessAskedToBeProblems) {
  SetBuilder set;
  set.AddRect(1, {1, 1, 2, 2});
  set.AddRect(2, {1, 1, 2, 2});
  const int32_t second = set.AddRect(1, {3, 3, 4, 4});
  EXPECT_TRUE(OneFinding(Check(set.Images()), check::kSharedID, second, CheckSeverity::kNote));
  EXPECT_TRUE(OneFinding(Check(set.Images(), true), check::kSharedID, second));
}

TEST_F(MapCheckImagesTest, ARecordNamedTwiceOrOverlappingAnotherIsAProblem) {
  SetBuilder set;
  const int32_t first = set.AddRect(1, {1, 1, 2, 2});
  set.AddRect(2, {1, 1, 2, 2});
  {
    // A deleted summary record naming the live record of another.
    OverlayFileImages images = set.Images();
    *images.summary += SummaryBytes(~first, {1, 1, 2, 2}, 1, 1);
    EXPECT_TRUE(OneFinding(Check(images), check::kSharedRecord, first));
  }
  {
    // A live record starting inside another: the first's length is grown over the second.
    OverlayFileImages images = set.Images();
    const auto size = static_cast<int32_t>(images.objects->size());
    images.objects->replace(static_cast<size_t>(first), 4, ByteBuilder().I32(size - 4).bytes());
    const auto findings = Check(images);
    ASSERT_FALSE(findings.empty());
    EXPECT_STREQ(findings[0].check, check::kRecordOverlap) << Describe(findings);
  }
}

TEST_F(MapCheckImagesTest, ALiveAliasMustStandForALiveObjectOfItsOverlayFile) {
  SetBuilder set;
  set.AddRect(1, {1, 1, 2, 2}, false);  // the object the alias stands for, deleted
  RecordImage alias = SetBuilder::Rectangle(2, {1, 1, 0, 0});
  alias.type = kAliasObject;
  alias.after.clear();
  const int32_t aliasAt = set.Add(alias);
  EXPECT_TRUE(OneFinding(Check(set.Images()), check::kAliasTarget, aliasAt));
  set.AddRect(1, {1, 1, 2, 2});  // the object back at another place
  EXPECT_TRUE(Check(set.Images()).empty());
  // A deleted alias of a deleted object is sound.
  SetBuilder gone;
  gone.AddRect(1, {1, 1, 2, 2}, false);
  gone.Add(alias, false);
  EXPECT_TRUE(Check(gone.Images()).empty());
}

TEST_F(MapCheckImagesTest, DamagedBytesAnywhereGiveFindingsAndNeverAnAlert) {
  SetBuilder set;
  for (int32_t i = 0; i < 40; ++i) {
    RecordImage r = SetBuilder::Rectangle(i + 1, {i, i, i + 5, i + 5});
    if (i % 4 == 1) {
      r.type = kPolylineObject;
      r.after = ByteBuilder()
                    .U8(0)
                    .U8(0)
                    .I32(2)
                    .Append(Segment(i, i, true))
                    .Append(Segment(i + 5, i + 5, false))
                    .bytes();
    } else if (i % 4 == 2) {
      r.type = kTextObject;
      r.after = ByteBuilder().U8(0x10).I16(21).U8(2).I16(3).Text("abc", 3).bytes();
    }
    set.Add(r, i % 7 != 3);
  }
  const OverlayFileImages good = set.Images();
  ASSERT_TRUE(Check(good).empty());
  std::mt19937 random(15);
  int damaged = 0;
  for (int round = 0; round < 3000; ++round) {
    OverlayFileImages images = good;
    std::string& file = (round % 3 == 0) ? *images.summary : *images.objects;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int k = 0; k < flips; ++k) {
      file[random() % file.size()] = static_cast<char>(random());
    }
    if (round % 50 == 0) file.resize(random() % file.size());
    if (!Check(images).empty()) ++damaged;
  }
  // Most damage shows; none of it may raise an alert or read outside the images.
  EXPECT_GT(damaged, 1000);
  EXPECT_TRUE(platform().alerts.empty());
}

// ---- The maps on disk
// ----------------------------------------------------------------------------

class MapCheckTest : public CatalogueTest {
 protected:
  // A map folder with one sound overlay file set of two records.
  fs::path MakeMapWithSet(const std::string& folder, const std::string& base,
                          const std::string& overlay) {
    const fs::path at = MakeMap(folder, folder);
    SetBuilder set;
    set.AddRect(1, {100, 100, 200, 200});
    set.AddRect(2, {300, 300, 400, 400});
    const OverlayFileImages images = set.Images();
    WriteWholeFile(at / (base + ".LYR"), LayerHeaderBytes(overlay, 2, {100, 100, 400, 400}));
    WriteWholeFile(at / (base + ".OBJ"), *images.objects);
    WriteWholeFile(at / (base + ".SUM"), *images.summary);
    return at;
  }
  std::vector<CheckFinding> CheckAll() {
    std::vector<CheckFinding> findings;
    EXPECT_EQ(CheckMaps(-1, CheckOptions(), findings), 0);
    return findings;
  }
};

TEST_F(MapCheckTest, SoundMapsGiveNothingAndFindingsNameTheirMapOverlayAndFile) {
  MakeMapWithSet("Harbour", "ROADS", "Roads");
  const fs::path inland = MakeMapWithSet("Inland", "ROADS", "Roads");
  ASSERT_EQ(LoadAll(), 0);
  EXPECT_TRUE(CheckAll().empty()) << Describe(CheckAll());

  WriteWholeFile(inland / "ROADS.LYR", LayerHeaderBytes("Roads", 5, {100, 100, 400, 400}));
  ReleaseCatalogue();
  ResetLayersForTesting();
  ASSERT_EQ(LoadAll(), 0);
  const auto findings = CheckAll();
  ASSERT_EQ(findings.size(), 1u) << Describe(findings);
  EXPECT_STREQ(findings[0].check, check::kObjectCount);
  EXPECT_EQ(findings[0].mapName, "Inland");
  EXPECT_EQ(findings[0].overlayName, "Roads");
  EXPECT_EQ(findings[0].baseName, "ROADS");
  // Only the map asked for is checked.
  std::vector<CheckFinding> harbourOnly;
  ASSERT_EQ(CheckMaps(MapNameToIndex("Harbour"), CheckOptions(), harbourOnly), 0);
  EXPECT_TRUE(harbourOnly.empty());
}

TEST_F(MapCheckTest, ASecondSetOfOneOverlayIsCheckedAndReportedAsLeftOut) {
  const fs::path harbour = MakeMapWithSet("Harbour", "ROADS", "Roads");
  WriteWholeFile(harbour / "ZROADS.LYR", LayerHeaderBytes("Roads", 1, {1, 1, 2, 2}));
  WriteWholeFile(harbour / "ZROADS.OBJ", "");
  WriteWholeFile(harbour / "ZROADS.SUM", "");
  ASSERT_EQ(LoadAll(), 0);
  const auto findings = CheckAll();
  ASSERT_EQ(findings.size(), 2u) << Describe(findings);
  EXPECT_STREQ(findings[0].check, check::kUnlisted);
  EXPECT_EQ(findings[0].baseName, "ZROADS");
  EXPECT_EQ(findings[0].overlayName, "Roads");
  EXPECT_STREQ(findings[1].check, check::kObjectCount);
  EXPECT_EQ(findings[1].baseName, "ZROADS");
}

TEST_F(MapCheckTest, AMapLeftOutForAShortHeaderIsReportedWithTheDamagedFile) {
  MakeMapWithSet("Harbour", "ROADS", "Roads");
  const fs::path inland = MakeMapWithSet("Inland", "ROADS", "Roads");
  WriteWholeFile(inland / "ROADS.LYR", LayerHeaderBytes("Roads", 2).substr(0, 40));
  LoadAll();
  ASSERT_LT(MapNameToIndex("Inland"), 0) << "the catalogue leaves the map out";
  platform().alerts.clear();
  const auto findings = CheckAll();
  ASSERT_EQ(findings.size(), 2u) << Describe(findings);
  EXPECT_STREQ(findings[0].check, check::kUnlistedMap);
  EXPECT_EQ(findings[0].mapName, "Inland");
  EXPECT_STREQ(findings[1].check, check::kFiles);
  EXPECT_EQ(findings[1].baseName, "ROADS");
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(MapCheckTest, ACatalogueEntryThatWentApartFromItsHeaderIsNamed) {
  MakeMapWithSet("Harbour", "ROADS", "Roads");
  ASSERT_EQ(LoadAll(), 0);
  const int32_t map = MapNameToIndex("Harbour");
  OverlayFileRecord entry;
  ASSERT_TRUE(GetOverlayFileRecord(map, 0, entry));
  entry.objectCount = 1;
  ASSERT_TRUE(SetOverlayFileRecord(map, 0, entry));
  const auto findings = CheckAll();
  ASSERT_EQ(findings.size(), 1u) << Describe(findings);
  EXPECT_STREQ(findings[0].check, check::kListEntry);
}

}  // namespace
}  // namespace tlv::test
