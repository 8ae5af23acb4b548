#include "shell/commands.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace tlv {
namespace {

std::map<int, std::string> ItemsOf(const std::vector<MenuEntry>& entries) {
  std::map<int, std::string> items;
  ForEachMenuEntry(entries, [&items](const MenuEntry& e) {
    if (!e.IsSeparator() && !e.IsSubMenu() && !e.heading) items[e.id] = e.label;
  });
  return items;
}

TEST(Commands, NoIdentifierRepeatsWithinTheMenuBar) {
  std::set<int> seen;
  for (const MenuDef& menu : MainMenuBar()) {
    ForEachMenuEntry(menu.entries, [&seen](const MenuEntry& e) {
      if (e.IsSeparator() || e.IsSubMenu()) return;
      EXPECT_TRUE(seen.insert(e.id).second) << e.id;
    });
  }
  EXPECT_EQ(seen.size(), 95u);
}

TEST(Commands, GraphicsSubMenusHoldTheirRanges) {
  const auto colors = ItemsOf(ColorSubMenu().subMenu);
  ASSERT_EQ(colors.size(), 17u);
  EXPECT_EQ(colors.begin()->first, 1001);
  EXPECT_EQ(colors.at(1001), "Black");
  EXPECT_EQ(colors.at(1012), "Dark Blue");
  EXPECT_EQ(colors.at(1017), "Other...");
  const auto lines = ItemsOf(LineStyleSubMenu().subMenu);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines.at(1028), "1 pt");
  EXPECT_EQ(lines.at(1029), "white");
  EXPECT_EQ(lines.at(1030), "2pt");
  EXPECT_EQ(lines.at(1037), "railroad");
  const auto fills = ItemsOf(FillPatternSubMenu().subMenu);
  ASSERT_EQ(fills.size(), 10u);
  EXPECT_EQ(fills.at(1038), "Black");
  EXPECT_EQ(fills.at(1043), "Vert Stripes");
  EXPECT_EQ(fills.at(1047), "Boxes");
  EXPECT_EQ(ColorSubMenu().label, "&Color");
  EXPECT_EQ(LineStyleSubMenu().label, "Line St&yle");
  EXPECT_EQ(FillPatternSubMenu().label, "&Fill Pattern");
}

TEST(Commands, PopUpMenusCarryTheirTitlesAndItems) {
  const MenuDef* clickPoint = FindPopUpMenu("20000");
  ASSERT_NE(clickPoint, nullptr);
  EXPECT_EQ(clickPoint->title, "pCLICKPT");
  EXPECT_EQ(ItemsOf(clickPoint->entries).at(20009), "Center on Click Point\tCtrl+T");

  const MenuDef* scale = FindPopUpMenu("20100");
  ASSERT_NE(scale, nullptr);
  const auto scaleItems = ItemsOf(scale->entries);
  EXPECT_EQ(scaleItems.at(20103), "miles");
  EXPECT_EQ(scaleItems.at(20106), "nautical miles");
  EXPECT_EQ(scaleItems.at(20111), "Zoom In\tCtrl++");

  const MenuDef* marked = FindPopUpMenu("20300");
  ASSERT_NE(marked, nullptr);
  EXPECT_EQ(ItemsOf(marked->entries).at(20307), "Rescale to Marked && Click Pts");

  for (const char* resource : {"20400", "20500", "20800", "20900", "GRAPHICS"}) {
    EXPECT_NE(FindPopUpMenu(resource), nullptr) << resource;
  }
  EXPECT_EQ(FindPopUpMenu("20200"), nullptr);
  EXPECT_EQ(ItemsOf(FindPopUpMenu("GRAPHICS")->entries).at(1048), "S&ymbol...");

  const MenuDef* moves = FindPopUpMenu("MOVES");
  ASSERT_NE(moves, nullptr);
  EXPECT_EQ(moves->title, "moves");
  EXPECT_EQ(ItemsOf(moves->entries).at(16107), "Out of Group\tCtrl+O");
}

TEST(Commands, RightClickItemsAreIndentedUnderTheirHeadings) {
  const MenuDef* menu = FindPopUpMenu("20600");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->title, "pRIGHTCLICK");
  std::map<int, std::string> headings;
  for (const MenuEntry& e : menu->entries) {
    if (e.heading) headings[e.id] = e.label;
  }
  EXPECT_EQ(headings, (std::map<int, std::string>{{20601, "VIEW"},
                                                  {20607, "GO TO"},
                                                  {20612, "IDENTIFY OBJECTS"},
                                                  {20617, "POPULATION"},
                                                  {20622, "CLICK POINT"}}));
  const auto items = ItemsOf(menu->entries);
  EXPECT_EQ(items.size(), 19u);
  EXPECT_EQ(items.at(20602), "      Overlay Manager...");
  EXPECT_EQ(items.at(20628), "      basemap objects within Selected Overlay Object(s)");
  for (const auto& [id, label] : items) EXPECT_EQ(label.rfind("      ", 0), 0u) << id;
}

TEST(Commands, ArrowDragHeadingsShareTheirItemsIds) {
  const MenuDef* menu = FindPopUpMenu("20700");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->title, "pARROWDRAG");
  std::multimap<int, std::pair<bool, std::string>> lines;
  for (const MenuEntry& e : menu->entries) {
    if (!e.IsSeparator()) lines.emplace(e.id, std::make_pair(e.heading, e.label));
  }
  EXPECT_EQ(lines.count(20706), 2u);
  EXPECT_EQ(lines.count(20712), 2u);
  const auto items = ItemsOf(menu->entries);
  EXPECT_EQ(items.at(20703), "Select && Get DORVE Info...");
  EXPECT_EQ(items.at(20706), "Get Info...");
  EXPECT_EQ(items.at(20709), "Get Population...");
  EXPECT_EQ(items.at(20712), "Zoom to Selected Area");
}

TEST(Commands, GlyphPopUpHasOneItemPerCharacterCode) {
  const MenuDef* menu = FindPopUpMenu("173");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->title, "pSCALE");
  const auto items = ItemsOf(menu->entries);
  ASSERT_EQ(items.size(), 224u);
  EXPECT_EQ(items.begin()->first, 2080);
  EXPECT_EQ(items.at(2080), " ");
  EXPECT_EQ(items.rbegin()->first, 2303);
  EXPECT_EQ(items.at(2303), "\xFF");
  EXPECT_EQ(items.at(2048 + 'A'), "A");
  EXPECT_EQ(items.at(2048 + '&'), "&&");
}

TEST(Commands, AcceleratorTableKeepsItsOddities) {
  const Accelerator* connect = FindAccelerator(kConnectPolylinesCommand);
  ASSERT_NE(connect, nullptr);
  EXPECT_EQ(connect->keys, std::vector<std::string>{"Ctrl+2"});
  EXPECT_EQ(LabelShortcut(ItemsOf(BonusMenu().entries).at(801)), "Ctrl+N");

  const Accelerator* exit = FindAccelerator(kExitCommand);
  ASSERT_NE(exit, nullptr);
  EXPECT_EQ(exit->keys, (std::vector<std::string>{"Ctrl+Q", "Alt+F4"}));
  EXPECT_EQ(FindAccelerator(kScrollLeftCommand)->keys,
            (std::vector<std::string>{"Ctrl+Left", "Home"}));
  EXPECT_EQ(FindAccelerator(kScrollDownCommand)->keys,
            (std::vector<std::string>{"Ctrl+Down", "PgDown"}));
  EXPECT_EQ(FindAccelerator(701)->keys, std::vector<std::string>{"F1"});
  // Delete has a menu shortcut text but no accelerator of its own.
  EXPECT_EQ(FindAccelerator(202), nullptr);
  // Delete Vertex's menu text shows Ctrl+J, and the key does it.
  ASSERT_NE(FindAccelerator(23304), nullptr);
  EXPECT_EQ(FindAccelerator(23304)->keys, std::vector<std::string>{"Ctrl+J"});
  EXPECT_NE(FindAccelerator(23303), nullptr);

  std::set<std::string> keys;
  for (const Accelerator& a : AcceleratorTable()) {
    for (const std::string& k : a.keys) EXPECT_TRUE(keys.insert(k).second) << k;
  }
}

TEST(Commands, LabelsSplitAtTheTab) {
  EXPECT_EQ(LabelText("&Print...\tCtrl+P"), "&Print...");
  EXPECT_EQ(LabelShortcut("&Print...\tCtrl+P"), "Ctrl+P");
  EXPECT_EQ(LabelText("E&xit"), "E&xit");
  EXPECT_EQ(LabelShortcut("E&xit"), "");
}

TEST(Commands, PaletteHasTwelveToolsWithTheirTips) {
  const auto& tools = PaletteTools();
  ASSERT_EQ(tools.size(), 12u);
  EXPECT_STREQ(tools[0].toolTip, "Zoom in by clicking (or dragging a rectangular area)");
  EXPECT_STREQ(tools[5].toolTip, "Measure distances by dragging");
  EXPECT_STREQ(tools[11].toolTip, "Text label drawing tool");
  for (size_t i = 0; i < tools.size(); ++i) EXPECT_EQ(tools[i].kind, static_cast<int>(i));
}

}  // namespace
}  // namespace tlv
