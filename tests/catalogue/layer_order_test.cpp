// Overlay order and groups as the Overlay Manager changes them: moves of overlays and whole
// groups, into and out of groups, new names for groups and overlays, and a long random sequence
// of moves after which the groups must still load without the "not consistent" alert.
#include "catalogue/layer_order.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "catalogue/groups.h"
#include "support/catalogue_fixture.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

class LayerOrderTest : public test::CatalogueTest {
 protected:
  // Overlays T (the Temporary Overlay, always first here), then the names, and the groups as
  // "Name:First-Last" ("Name:-" for an empty group).
  void Load(const std::vector<std::string>& names, const std::vector<std::string>& groups) {
    std::string bytes;
    for (const std::string& name : names) {
      test::Layers2Fields fields;
      fields.name = name;
      bytes += test::Layers2Bytes(fields);
    }
    test::WriteWholeFile(root / "Settings" / "LAYERS2.PLT", bytes);
    std::string groupBytes;
    for (const std::string& g : groups) {
      const size_t colon = g.find(':');
      const size_t dash = g.find('-', colon);
      groupBytes += test::GroupBytes(g.substr(0, colon), g.substr(colon + 1, dash - colon - 1),
                                     g.substr(dash + 1));
    }
    test::WriteWholeFile(root / "Settings" / "GROUPS.PLT", groupBytes);
    ASSERT_EQ(LoadAll(), 0);
    ASSERT_TRUE(platform().alerts.empty());
  }

  // The list as "A [G B C] D": a group's members between brackets after its name.
  static std::string Layout() {
    std::string out;
    for (int32_t i = 0; i < LayerCount(); ++i) {
      const int32_t g = GroupOfLayer(i);
      GroupRecord group;
      if (!out.empty()) out += ' ';
      if (g >= 0 && (i == 0 || GroupOfLayer(i - 1) != g)) {
        GetGroupRecord(g, group);
        out += "[" + FieldText(group.name) + " ";
      }
      out += LayerName(i);
      if (g >= 0 && (i + 1 == LayerCount() || GroupOfLayer(i + 1) != g)) out += "]";
    }
    return out;
  }

  static int32_t At(const std::string& name) { return LayerNameToIndex(name); }
  static int32_t Group(const std::string& name) {
    GroupRecord group;
    for (int32_t g = 0; GetGroupRecord(g, group); ++g) {
      if (FieldText(group.name) == name) return g;
    }
    return -1;
  }
  static void Move(const std::string& name, LayerMove move) {
    int32_t moved = -1;
    ASSERT_EQ(MoveLayer(At(name), move, moved), 0);
    EXPECT_EQ(LayerName(moved), name);
  }
};

TEST_F(LayerOrderTest, OverlaysOutsideGroupsJumpWholeGroups) {
  Load({"Temporary Overlay", "A", "B", "C", "D"}, {"G:B-C"});
  EXPECT_EQ(Layout(), "Temporary Overlay A [G B C] D");
  Move("A", LayerMove::kDown);
  EXPECT_EQ(Layout(), "Temporary Overlay [G B C] A D");
  Move("D", LayerMove::kUp);
  EXPECT_EQ(Layout(), "Temporary Overlay [G B C] D A");
  Move("D", LayerMove::kUp);
  EXPECT_EQ(Layout(), "Temporary Overlay D [G B C] A");
  Move("A", LayerMove::kTop);
  EXPECT_EQ(Layout(), "A Temporary Overlay D [G B C]");
  Move("Temporary Overlay", LayerMove::kBottom);
  EXPECT_EQ(Layout(), "A D [G B C] Temporary Overlay");
  // At the edge nothing moves and the position stays.
  int32_t moved = -1;
  ASSERT_EQ(MoveLayer(At("A"), LayerMove::kUp, moved), 0);
  EXPECT_EQ(moved, 0);
  EXPECT_EQ(Layout(), "A D [G B C] Temporary Overlay");
  EXPECT_EQ(MoveLayer(99, LayerMove::kUp, moved), kErrGeneral);
}

TEST_F(LayerOrderTest, MembersMoveInsideTheirGroupAndKeepItsEndsRight) {
  Load({"Temporary Overlay", "A", "B", "C", "D"}, {"G:A-C"});
  Move("A", LayerMove::kDown);
  EXPECT_EQ(Layout(), "Temporary Overlay [G B A C] D");
  Move("B", LayerMove::kBottom);
  EXPECT_EQ(Layout(), "Temporary Overlay [G A C B] D");
  GroupRecord group;
  ASSERT_TRUE(GetGroupRecord(Group("G"), group));
  EXPECT_EQ(FieldText(group.first), "A");
  EXPECT_EQ(FieldText(group.last), "B");
  // The last member going down stays inside: leaving is "Out of Group".
  Move("B", LayerMove::kDown);
  Move("C", LayerMove::kTop);
  EXPECT_EQ(Layout(), "Temporary Overlay [G C A B] D");
  // The IDs follow their records.
  for (int32_t i = 0; i < LayerCount(); ++i) EXPECT_EQ(LayerIDToIndex(LayerAt(i).layerID), i);
}

TEST_F(LayerOrderTest, GroupsMoveAsBlocksAndStaySorted) {
  Load({"Temporary Overlay", "A", "B", "C", "D", "E"}, {"G:A-B", "H:D-E", "Spare:-"});
  int32_t moved = -1;
  ASSERT_EQ(MoveGroup(Group("H"), LayerMove::kTop, moved), 0);
  EXPECT_EQ(Layout(), "[H D E] Temporary Overlay [G A B] C");
  EXPECT_EQ(moved, 0) << "groups are sorted by their first overlay";
  ASSERT_EQ(MoveGroup(Group("G"), LayerMove::kDown, moved), 0);
  EXPECT_EQ(Layout(), "[H D E] Temporary Overlay C [G A B]");
  ASSERT_EQ(MoveGroup(Group("G"), LayerMove::kUp, moved), 0);
  ASSERT_EQ(MoveGroup(Group("G"), LayerMove::kUp, moved), 0);
  EXPECT_EQ(Layout(), "[H D E] [G A B] Temporary Overlay C");
  EXPECT_EQ(moved, 1);
  EXPECT_EQ(MoveGroup(Group("Spare"), LayerMove::kUp, moved), kErrGeneral)
      << "an empty group has no place to move";

  // What is saved loads back exactly, without the consistency alert.
  ASSERT_EQ(SaveLayers(), 0);
  const std::string before = Layout();
  ASSERT_EQ(LoadLayers(), 0);
  EXPECT_EQ(Layout(), before);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(LayerOrderTest, IntoAndOutOfGroups) {
  Load({"Temporary Overlay", "A", "B", "C", "D", "E"}, {"G:B-D", "Spare:-"});
  EXPECT_EQ(NeighbouringGroup(At("E")), Group("G"));
  EXPECT_EQ(NeighbouringGroup(At("A")), Group("G"));
  EXPECT_EQ(NeighbouringGroup(At("Temporary Overlay")), -1);
  EXPECT_EQ(NeighbouringGroup(At("C")), -1) << "already in a group";

  int32_t moved = -1;
  ASSERT_EQ(MoveLayerIntoGroup(At("A"), Group("G"), moved), 0);
  EXPECT_EQ(Layout(), "Temporary Overlay [G B C D A] E");
  EXPECT_EQ(LayerName(moved), "A");
  // The middle member leaves below the group; the first stays where it is, above it.
  ASSERT_EQ(MoveLayerOutOfGroup(At("C"), moved), 0);
  EXPECT_EQ(Layout(), "Temporary Overlay [G B D A] C E");
  ASSERT_EQ(MoveLayerOutOfGroup(At("B"), moved), 0);
  EXPECT_EQ(Layout(), "Temporary Overlay B [G D A] C E");
  ASSERT_EQ(MoveLayerOutOfGroup(At("E"), moved), 0);
  EXPECT_EQ(Layout(), "Temporary Overlay B [G D A] C E") << "not in a group: nothing to do";

  // Into an empty group an overlay outside groups stays in place; into a group with members it
  // goes to the end of the group, out of its old one.
  ASSERT_EQ(MoveLayerIntoGroup(At("E"), Group("Spare"), moved), 0);
  EXPECT_EQ(Layout(), "Temporary Overlay B [G D A] C [Spare E]");
  ASSERT_EQ(MoveLayerIntoGroup(At("D"), Group("Spare"), moved), 0);
  EXPECT_EQ(Layout(), "Temporary Overlay B [G A] C [Spare E D]");
  // A member going into an empty group lands below its old group, never inside it.
  int32_t spare2 = -1;
  ASSERT_EQ(AddNamedGroup("Zed", spare2), 0);
  ASSERT_EQ(MoveLayerIntoGroup(At("E"), Group("Zed"), moved), 0);
  EXPECT_EQ(Layout(), "Temporary Overlay B [G A] C [Spare D] [Zed E]");
}

TEST_F(LayerOrderTest, TheOnlyMemberLeavingEmptiesTheGroup) {
  Load({"Temporary Overlay", "A"}, {"G:A-A"});
  int32_t moved = -1;
  ASSERT_EQ(MoveLayerOutOfGroup(At("A"), moved), 0);
  EXPECT_EQ(Layout(), "Temporary Overlay A");
  GroupRecord group;
  ASSERT_TRUE(GetGroupRecord(0, group));
  EXPECT_EQ(FieldText(group.first), "");
  EXPECT_EQ(FieldText(group.last), "");
}

TEST_F(LayerOrderTest, GroupNamesMustBeNewAndNotEmpty) {
  Load({"Temporary Overlay", "A"}, {"Roads:A-A", "Water:-"});
  int32_t position = -1;
  EXPECT_EQ(AddNamedGroup("roads", position), kNameTaken) << "names compare without case";
  EXPECT_EQ(AddNamedGroup("", position), kNameEmpty);
  EXPECT_EQ(GroupCount(), 2);
  ASSERT_EQ(AddNamedGroup("Bridges", position), 0);
  EXPECT_EQ(GroupCount(), 3);
  GroupRecord group;
  ASSERT_TRUE(GetGroupRecord(position, group));
  EXPECT_EQ(FieldText(group.name), "Bridges");
  EXPECT_EQ(position, 1) << "empty groups follow the others, sorted by name";

  EXPECT_EQ(RenameGroup(Group("Water"), "ROADS"), kNameTaken);
  EXPECT_EQ(RenameGroup(Group("Water"), ""), kNameEmpty);
  EXPECT_GE(Group("Water"), 0);
  ASSERT_EQ(RenameGroup(Group("Water"), "Aqueducts"), 0);
  EXPECT_EQ(Group("Aqueducts"), 1) << "re-sorted by the new name";
  ASSERT_EQ(RenameGroup(Group("Roads"), "roads"), 0) << "its own name in other letters";
  EXPECT_EQ(RenameGroup(Group("roads"), std::string(40, 'x')), 0);
  EXPECT_EQ(Group(std::string(31, 'x')), 0) << "cut to 31 characters";
}

TEST_F(LayerOrderTest, RenamingAnOverlayRenamesItsFilesAndItsGroupEnds) {
  const fs::path map = MakeMap("Harbour", "Harbour");
  MakeLayerFile(map, "ROADS", "Roads", 2);
  Load({"Temporary Overlay", "Roads", "Rail"}, {"Transport:Roads-Rail"});
  EXPECT_EQ(RenameLayer(At("Roads"), "rail"), kNameTaken);
  EXPECT_EQ(RenameLayer(At("Roads"), "Temporary Overlay"), kNameTaken);
  EXPECT_EQ(RenameLayer(At("Temporary Overlay"), "Scratch"), kNameNotChangeable);
  EXPECT_EQ(RenameLayer(At("Roads"), ""), kNameEmpty);
  EXPECT_TRUE(test::PathExists(map / "ROADS.LYR"));

  ASSERT_EQ(RenameLayer(At("Roads"), "Highways"), 0);
  EXPECT_EQ(Layout(), "Temporary Overlay [Transport Highways Rail]");
  EXPECT_FALSE(test::PathExists(map / "ROADS.LYR"));
  EXPECT_TRUE(test::PathExists(map / "Highways.LYR"));
  EXPECT_EQ(test::ReadWholeFile(map / "Highways.LYR").substr(0, 9), std::string("Highways\0", 9));

  // A file that cannot be renamed leaves the name and the group as they were.
  fs::remove(map / "Highways.SUM");
  EXPECT_NE(RenameLayer(At("Highways"), "Motorways"), 0);
  EXPECT_EQ(Layout(), "Temporary Overlay [Transport Highways Rail]");
  EXPECT_TRUE(test::PathExists(map / "Highways.LYR"));
}

TEST_F(LayerOrderTest, DeletingAnOverlayTakesItsFilesAndMendsItsGroup) {
  const fs::path map = MakeMap("Harbour", "Harbour");
  MakeLayerFile(map, "ROADS", "Roads", 2);
  MakeLayerFile(map, "RAIL", "Rail", 1);
  Load({"Temporary Overlay", "Roads", "Rail", "Ferries"}, {"Transport:Roads-Ferries", "One:-"});
  EXPECT_EQ(DeleteLayerWithFiles(At("Temporary Overlay")), kNameNotChangeable);
  ASSERT_EQ(DeleteLayerWithFiles(At("Roads")), 0);
  EXPECT_EQ(Layout(), "Temporary Overlay [Transport Rail Ferries]");
  EXPECT_FALSE(test::PathExists(map / "ROADS.LYR"));
  EXPECT_FALSE(test::PathExists(map / "ROADS.OBJ"));
  EXPECT_TRUE(test::PathExists(map / "RAIL.OBJ"));
  ASSERT_EQ(DeleteLayerWithFiles(At("Ferries")), 0);
  EXPECT_EQ(Layout(), "Temporary Overlay [Transport Rail]");
  // A file that cannot go keeps the overlay and its group.
  fs::remove(map / "RAIL.SUM");
  EXPECT_NE(DeleteLayerWithFiles(At("Rail")), 0);
  EXPECT_EQ(Layout(), "Temporary Overlay [Transport Rail]");
  fs::remove(map / "RAIL.LYR");
  fs::remove(map / "RAIL.OBJ");
  test::WriteWholeFile(map / "RAIL.LYR", test::LayerHeaderBytes("Rail", 1));
  test::WriteWholeFile(map / "RAIL.SUM", "");
  test::WriteWholeFile(map / "RAIL.OBJ", "");
  ASSERT_EQ(DeleteLayerWithFiles(At("Rail")), 0);
  EXPECT_EQ(Layout(), "Temporary Overlay");
  ASSERT_FALSE(CheckGroups());
  EXPECT_TRUE(platform().alerts.size() <= 1u) << "only the report of the missing file";
}

// Random moves from a fixed seed: after every step each overlay is still there once, the ID
// index is right, the groups are contiguous runs, and a save and load round trip is silent.
TEST_F(LayerOrderTest, RandomMoveSequencesKeepTheGroupsConsistent) {
  Load({"Temporary Overlay", "A", "B", "C", "D", "E", "F", "G", "H"},
       {"One:A-B", "Two:D-F", "Three:-", "Four:-"});
  std::mt19937 random(1234);
  const std::vector<std::string> start = LayerNames();
  const std::set<std::string> names(start.begin(), start.end());
  for (int step = 0; step < 400; ++step) {
    const int32_t position = static_cast<int32_t>(random() % LayerCount());
    const int32_t group = static_cast<int32_t>(random() % GroupCount());
    const auto move = static_cast<LayerMove>(random() % 4);
    int32_t out = -1;
    const std::string before = Layout();
    switch (random() % 4) {
      case 0:
        ASSERT_EQ(MoveLayer(position, move, out), 0);
        break;
      case 1: {
        GroupRecord record;
        GetGroupRecord(group, record);
        int32_t first = -1, last = -1;
        const bool members = GroupRun(record, first, last);
        ASSERT_EQ(MoveGroup(group, move, out), members ? 0 : kErrGeneral);
        break;
      }
      case 2:
        ASSERT_EQ(MoveLayerIntoGroup(position, group, out), 0);
        break;
      default:
        ASSERT_EQ(MoveLayerOutOfGroup(position, out), 0);
        break;
    }
    const std::vector<std::string> now = LayerNames();
    ASSERT_EQ(std::set<std::string>(now.begin(), now.end()), names) << before;
    ASSERT_EQ(now.size(), names.size());
    for (int32_t i = 0; i < LayerCount(); ++i) {
      ASSERT_EQ(LayerIDToIndex(LayerAt(i).layerID), i);
    }
    // Every overlay lies in at most one group, and each group's run is unbroken.
    for (int32_t g = 0; g < GroupCount(); ++g) {
      GroupRecord record;
      GetGroupRecord(g, record);
      int32_t first = -1, last = -1;
      if (!GroupRun(record, first, last)) {
        ASSERT_EQ(FieldText(record.first), "") << before << " -> " << Layout();
        continue;
      }
      for (int32_t i = first; i <= last; ++i) ASSERT_EQ(GroupOfLayer(i), g) << Layout();
    }
    ASSERT_FALSE(CheckGroups()) << before << " -> " << Layout();
  }
  ASSERT_EQ(SaveLayers(), 0);
  const std::string before = Layout();
  ASSERT_EQ(LoadLayers(), 0);
  EXPECT_EQ(Layout(), before);
  EXPECT_TRUE(platform().alerts.empty());
}

}  // namespace
}  // namespace tlv
