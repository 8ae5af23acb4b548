#include "base/collate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tlv {
namespace {

TEST(CollateTest, CaseNeverMatters) {
  EXPECT_EQ(CollateCompare("Overlay Maps", "OVERLAY MAPS", -1, false), 0);
  EXPECT_EQ(CollateCompare("abc", "ABD", -1, false), -1);
  EXPECT_EQ(CollateCompare("b", "A", -1, false), 1);
  EXPECT_EQ(CollateCompare("ab", "abc", -1, false), -1) << "a shorter text sorts first";
}

TEST(CollateTest, AccentsOnlyBreakTies) {
  const char eGraveA[] = {static_cast<char>(200), 'a', 0};
  // E-grave + a sorts after E + a, but before E + b.
  EXPECT_EQ(CollateCompare(eGraveA, "Ea", -1, false), 1);
  EXPECT_EQ(CollateCompare(eGraveA, "Eb", -1, false), -1);
  // The first differing accent decides even when a later one points the other way.
  const char aGraveEAcute[] = {static_cast<char>(224), static_cast<char>(233),
                               0};  // secondaries 2,3
  const char aAcuteEGrave[] = {static_cast<char>(225), static_cast<char>(232),
                               0};  // secondaries 3,2
  EXPECT_EQ(CollateCompare(aGraveEAcute, aAcuteEGrave, -1, false), -1);
  // Within a limited length the secondary weights never decide.
  EXPECT_EQ(CollateCompare(eGraveA, "Ea", 2, false), 0);
  EXPECT_EQ(CollateCompare(eGraveA, "Ea", 1, false), 0);
  EXPECT_EQ(CollateCompare("Ea", "Eb", 1, false), 0);
}

TEST(CollateTest, EnyeIsALetterAfterN) {
  const char withEnye[] = {'C', 'a', static_cast<char>(241), 'a', 0};
  const char withEnyeUpper[] = {'C', 'A', static_cast<char>(209), 'A', 0};
  EXPECT_EQ(CollateCompare(withEnye, "Cana", -1, false), 1);
  EXPECT_EQ(CollateCompare(withEnye, "CANZ", -1, false), 1) << "n-tilde outranks any N";
  EXPECT_EQ(CollateCompare(withEnye, "Caoa", -1, false), -1);
  EXPECT_EQ(CollateCompare(withEnye, withEnyeUpper, -1, false), 0);
}

TEST(CollateTest, ReturnEndsATextOnlyWhenAsked) {
  EXPECT_EQ(CollateCompare("Name\rrest", "Name", -1, true), 0);
  EXPECT_EQ(CollateCompare("Name\rrest", "Name", -1, false), 1);
  // The carriage return keeps its own weight in later calls.
  EXPECT_EQ(CollateCompare("\r", "", -1, false), 1);
}

TEST(CollateTest, StringViewsEndWhereTheyEnd) {
  std::string_view a("mapXXX", 3);
  EXPECT_EQ(CollateCompare(a, "MAP"), 0);
  EXPECT_TRUE(CollateEqual("global.map", "GLOBAL.MAP"));
}

TEST(CollateTest, SortingNamesFollowsTheTable) {
  const std::string oe = std::string("C") + static_cast<char>(246) + "te";  // o-umlaut
  std::vector<std::string> names = {"cote", oe, "Cota", "COTE", "Cotf", "cot"};
  std::stable_sort(names.begin(), names.end(), [](const std::string& x, const std::string& y) {
    return CollateCompare(x.c_str(), y.c_str(), -1, false) < 0;
  });
  std::vector<std::string> expected = {"cot", "Cota", "cote", "COTE", oe, "Cotf"};
  EXPECT_EQ(names, expected);
}

}  // namespace
}  // namespace tlv
