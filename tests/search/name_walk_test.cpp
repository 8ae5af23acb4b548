// The name walks' quick paths against the plain definitions: a search over seeded random names
// collects exactly the objects NamePasses accepts, in the collection order, and the ranked sort
// orders entries as a stable sort by CompareNameKeys does.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "search/collection.h"
#include "search/name_key_sort.h"
#include "search/search_engine.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

// Letters in both cases, accented pairs (é É, ÿ Ÿ, š Š), ß (no upper case), a blank and a quote.
const std::string kNameBytes = "aAnNoOrR \xE9\xC9\xFF\x9F\x9A\x8A\xDF'";

std::string RandomText(std::mt19937& rng, size_t length) {
  std::string text;
  for (size_t i = 0; i < length; ++i) text.push_back(kNameBytes[rng() % kNameBytes.size()]);
  return text;
}

class NameWalkTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    ResetSearchEngineForTesting();
    ResetCollectionForTesting();
    MarkAllOverlaysForSearch(true);
    MarkAllMapsForSearch(true);
  }
  void TearDown() override {
    ResetSearchEngineForTesting();
    ResetCollectionForTesting();
    ObjectsTest::TearDown();
  }

  struct Made {
    int32_t position;
    std::string prefix;
    std::string name;
  };

  Made Named(const std::string& prefix, const std::string& name) {
    ObjectContents contents;
    contents.prefix = prefix;
    contents.name = name;
    ObjectGraphics graphics;
    graphics.symbol = 212;
    graphics.colour = 1;
    contents.graphics = graphics;
    contents.rect = WRect{190000000, 130000000, 190000010, 130000010};
    ObjectID id;
    NewObjectID(id);
    int32_t position = -1;
    EXPECT_EQ(CreateObject(harbour, roads, kPointObject, id, contents, position), 0);
    return {position, prefix, name};
  }

  static std::vector<CollectionEntry> Collected() {
    std::vector<CollectionEntry> out;
    CollectionEntry e;
    for (int32_t i = 0; GetCollectedObject(i, e); ++i) out.push_back(e);
    return out;
  }
};

TEST_F(NameWalkTest, SearchesCollectExactlyWhatTheNameTestAcceptsInKeyOrder) {
  std::mt19937 rng(7);
  std::vector<Made> made;
  for (int i = 0; i < 400; ++i) {
    const std::string prefix = rng() % 3 == 0 ? RandomText(rng, 1 + rng() % 2) : "";
    // Some names empty: they are "untitled" to every test.
    const std::string name = rng() % 10 == 0 ? "" : RandomText(rng, 1 + rng() % 8);
    made.push_back(Named(prefix, name));
  }
  const std::vector<std::pair<int16_t, std::string>> searches = {
      {kSearchContains, "nor"},     {kSearchContains, "\xE9"},       {kSearchContains, "\xC9N"},
      {kSearchContains, "\x9F"},    {kSearchContains, "\xDF"},       {kSearchContains, " a"},
      {kSearchContains, "r n"},     {kSearchContains, "untit"},      {kSearchContains, "a"},
      {kSearchContains, "AAAAAAA"}, {kSearchStartsWith, "ano"},      {kSearchStartsWith, "N"},
      {kSearchStartsWith, "\xC9"},  {kSearchStartsWith, "untitled"},
  };
  for (const auto& [criterion, text] : searches) {
    SearchCriteria c;
    c.criterion = criterion;
    c.nameText = text;
    SetSearchCriteria(c);
    ASSERT_EQ(RunSearch(), 0) << text;
    std::vector<int32_t> expected;
    for (const Made& m : made) {
      // Starts-with first asks the summary's key (the name's first four characters), which
      // passes over objects whose prefix alone would start the text.
      char key[4] = {0, 0, 0, 0};
      m.name.copy(key, 4);
      if (criterion == kSearchStartsWith && !KeyMayStartWith(key, text)) continue;
      if (NamePasses(criterion, text, m.prefix, m.name)) expected.push_back(m.position);
    }
    const std::vector<CollectionEntry> found = Collected();
    std::vector<int32_t> got;
    for (const CollectionEntry& e : found) got.push_back(e.position);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, expected) << "criterion " << criterion << " \"" << text << "\"";
    // By key, and equal keys in the order the file holds them.
    for (size_t i = 1; i < found.size(); ++i) {
      const int order = CompareNameKeys(found[i - 1].key, found[i].key);
      EXPECT_TRUE(order < 0 || (order == 0 && found[i - 1].position < found[i].position))
          << "\"" << text << "\" at " << i;
    }
  }
}

TEST(NameKeySortTest, RankedSortMatchesTheStableComparisonSort) {
  std::mt19937 rng(11);
  // Few distinct bytes, so keys collide often, differ only by case or accent, or end early.
  const std::string bytes = std::string("aAbB\xE9\xC9 \xDF") + '\0';
  auto randomEntries = [&](bool withCodes) {
    std::vector<CollectionEntry> entries(3000);
    for (size_t i = 0; i < entries.size(); ++i) {
      CollectionEntry& e = entries[i];
      e.mapID = static_cast<int32_t>(rng() % 3);
      e.position = static_cast<int32_t>(i);
      for (char& c : e.key) c = bytes[rng() % bytes.size()];
      if (rng() % 20 == 0) std::fill(std::begin(e.key), std::end(e.key), '\0');
      if (withCodes && rng() % 10 == 0) e.key[0] = static_cast<char>(1 + rng() % 9);
    }
    return entries;
  };
  for (const bool withCodes : {false, true}) {
    std::vector<CollectionEntry> ranked = randomEntries(withCodes);
    std::vector<CollectionEntry> plain = ranked;
    std::stable_sort(plain.begin(), plain.end(),
                     [](const CollectionEntry& a, const CollectionEntry& b) {
                       return CompareNameKeys(a.key, b.key) < 0;
                     });
    StableSortByNameKey(ranked);
    ASSERT_EQ(ranked.size(), plain.size());
    for (size_t i = 0; i < plain.size(); ++i) {
      ASSERT_EQ(ranked[i].position, plain[i].position) << "codes " << withCodes << " at " << i;
      ASSERT_EQ(ranked[i].mapID, plain[i].mapID);
    }
  }
  std::vector<CollectionEntry> none;
  StableSortByNameKey(none);
  EXPECT_TRUE(none.empty());
}

}  // namespace
}  // namespace tlv
