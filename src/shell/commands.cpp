#include "shell/commands.h"

#include <algorithm>

namespace tlv {

namespace {

MenuEntry Item(uint16_t id, std::string label) {
  return MenuEntry{id, std::move(label), {}, false};
}
MenuEntry Separator() {
  return MenuEntry{};
}
MenuEntry Heading(uint16_t id, std::string label) {
  return MenuEntry{id, std::move(label), {}, true};
}
MenuEntry SubMenu(std::string label, std::vector<MenuEntry> entries) {
  return MenuEntry{0, std::move(label), std::move(entries), false};
}

// Items of the "pRIGHTCLICK" pop-up are indented under their headings with six blanks.
MenuEntry Indented(uint16_t id, const std::string& label) {
  return Item(id, "      " + label);
}

MenuEntry MakeColorSubMenu() {
  const char* const names[] = {"Black",  "White",     "Dark Gray",  "Gray",  "Light Gray",
                               "Brown",  "Olive",     "Dark Green", "Green", "Light Blue",
                               "Blue",   "Dark Blue", "Purple",     "Pink",  "Red",
                               "Yellow", "Other..."};
  std::vector<MenuEntry> entries;
  uint16_t id = 1001;
  for (const char* name : names) entries.push_back(Item(id++, name));
  return SubMenu("&Color", std::move(entries));
}

MenuEntry MakeLineStyleSubMenu() {
  const char* const names[] = {"1 pt", "white",      "2pt",     "3pt",    "4 pt",
                               "dots", "dotdotdash", "dotdash", "dashes", "railroad"};
  std::vector<MenuEntry> entries;
  uint16_t id = 1028;
  for (const char* name : names) entries.push_back(Item(id++, name));
  return SubMenu("Line St&yle", std::move(entries));
}

MenuEntry MakeFillPatternSubMenu() {
  const char* const names[] = {"Black",      "White",        "Dark Gray",     "Gray",
                               "Light Gray", "Vert Stripes", "Horiz Stripes", "Down Stripes",
                               "Up Stripes", "Boxes"};
  std::vector<MenuEntry> entries;
  uint16_t id = 1038;
  for (const char* name : names) entries.push_back(Item(id++, name));
  return SubMenu("&Fill Pattern", std::move(entries));
}

std::vector<MenuDef> MakeMainMenuBar() {
  std::vector<MenuDef> bar;
  bar.push_back(
      {"TOLVANE",
       "&File",
       {Item(101, "&Save as Picture..."), Separator(), Item(103, "P&rint Setup..."),
        Item(104, "&Print...\tCtrl+P"), Separator(), Item(106, "&Import as Overlay Objects..."),
        Item(107, "&Export Overlay Objects..."), Separator(), Item(109, "Pre&ferences..."),
        Separator(), Item(111, "E&xit")}});
  bar.push_back(
      {"TOLVANE",
       "&Edit",
       {Item(201, "&Undo\tCtrl+Z"), Item(202, "&Delete\tDel"),
        Item(203, "Copy Map P&icture\tCtrl+C"), Separator(),
        Item(204, "&Search Overlays...\tCtrl+F"), Item(205, "Show Search &Collection\tCtrl+G"),
        Item(206, "Cop&y to Search Collection\tCtrl+Y")}});
  bar.push_back({"TOLVANE",
                 "&View",
                 {Item(301, "Overlay &Manager...\tCtrl+M"), Item(302, "Overlay Ma&ps..."),
                  Separator(), Item(304, "&Basemap Builder...\tCtrl+B"),
                  Item(305, "&Download Manager...\tCtrl+D"), Separator(),
                  Item(307, "Go to &Address...\tCtrl+A"), Item(308, "Go to &Lat/Long...\tCtrl+L"),
                  Item(309, "&Center on Click Point\tCtrl+T"), Separator(),
                  Item(311, "&Go to View...\tCtrl+R"), Item(312, "Save Current &View...\tCtrl+U"),
                  Item(313, "&Edit Views..."), Separator(), Item(315, "Set &Scale...\tCtrl+;"),
                  Item(316, "Zoom &In\tCtrl++"), Item(317, "Zoom &Out\tCtrl+-")}});
  bar.push_back(
      {"TOLVANE",
       "&Overlays",
       {Item(401, "O&bject Settings..."),
        SubMenu("&Vertex",
                {Item(23301, "Mark &Vertex"), Item(23302, "&Move Vertex to Marked Point"),
                 Item(23303, "&Insert Vertex at Click Point\tCtrl+H"),
                 Item(23304, "&Delete Vertex\tCtrl+J")}),
        Separator(), Item(404, "Move Objects to &Overlay..."), Item(405, "Move Objects to &Map..."),
        Separator(), ColorSubMenu(), LineStyleSubMenu(), FillPatternSubMenu(),
        Item(410, "S&ymbol..."), Separator(), Item(413, "&Make New Polygon..."),
        Item(414, "Make New Polylin&e"), Item(415, "P&olyline <-> Polygon"), Separator(),
        Item(417, "I&nsert Picture Object...")}});
  bar.push_back({"TOLVANE",
                 "E&xtras",
                 {SubMenu("&Marked Point",
                          {Item(23001, "Mar&k Click Point"), Item(23002, "&Center on Marked Point"),
                           Item(23003, "&Distance to Click Point"),
                           Item(23004, "&Rescale to Marked && Click Pts"),
                           Item(23005, "C&lear Marked Point")}),
                  SubMenu("&Reference View", {Item(23401, "&Set..."), Item(23402, "S&how")}),
                  SubMenu("&Legend", {Item(23501, "&Settings..."), Item(23502, "S&how")}),
                  SubMenu("Scale &Bar", {Item(23701, "&Settings..."), Item(23702, "S&how")}),
                  SubMenu("&Compass", {Item(23601, "S&how")}),
                  SubMenu("&Time Stamp", {Item(23801, "&Settings..."), Item(23802, "S&how")}),
                  SubMenu("Lat/Long Gr&id", {Item(23901, "&Settings..."), Item(23902, "S&how")})}});
  bar.push_back({"TOLVANE", "&Sharing", {Item(601, "About &Sharing...")}});
  bar.push_back(
      {"TOLVANE",
       "&Help",
       {Item(701, "TOLVANE &Help...\tF1"), Separator(), Item(703, "Check for &Updates..."),
        Separator(), Item(705, "&About TOLVANE...")}});
  return bar;
}

std::vector<MenuDef> MakePopUpMenus() {
  std::vector<MenuDef> menus;
  menus.push_back(
      {"20000",
       "pCLICKPT",
       {Item(20001, "Copy Lat/Long"), Item(20002, "Lat/Long Format..."), Separator(),
        Item(20004, "Get Population within Radius"), Item(20005, "Get Weather Conditions"),
        Item(20006, "Get Elevation"), Item(20007, "Get Address"), Separator(),
        Item(20009, "Center on Click Point\tCtrl+T"), Item(20010, "Mark Click Point")}});
  menus.push_back(
      {"20100",
       "pSCALE",
       {Item(20101, "feet"), Item(20102, "yards"), Item(20103, "miles"), Item(20104, "meters"),
        Item(20105, "kilometers"), Item(20106, "nautical miles"), Separator(),
        Item(20108, "Set Scale...\tCtrl+;"), Item(20109, "Scale Format..."), Separator(),
        Item(20111, "Zoom In\tCtrl++"), Item(20112, "Zoom Out\tCtrl+-")}});
  menus.push_back(
      {"20300",
       "pMARKED",
       {Item(20301, "Copy Lat/Long"), Item(20302, "Lat/Long Format..."), Separator(),
        Item(20304, "Center on Marked Point"), Item(20305, "Mark Click Point"),
        Item(20306, "Distance to Click Point"), Item(20307, "Rescale to Marked && Click Pts"),
        Item(20308, "Clear Marked Point"), Separator(),
        Item(20310, "Move Vertex to Marked Point")}});
  menus.push_back({"20400",
                   "pOBJECT",
                   {Item(20401, "Object Settings..."), Separator(),
                    Item(20403, "Get Basemap Info within Object(s)"),
                    Item(20404, "Get Population within Object(s)"), Separator(),
                    Item(20406, "Copy Object Name"), Item(20407, "Copy Object Lat/Long"),
                    Item(20408, "Copy Object Record")}});
  menus.push_back(
      {"20500",
       "pBASEMAP",
       {Item(20501, "Basemap Builder..."), Item(20502, "Download Manager..."), Separator(),
        Item(20504, "Get Info at Click Point"), Item(20505, "Get Info within Selected Area"),
        Item(20506, "Get Info within Selected Overlay Object(s)"), Separator(),
        Item(20508, "Get Population within Selected Area")}});
  menus.push_back({"20600",
                   "pRIGHTCLICK",
                   {Heading(20601, "VIEW"),
                    Indented(20602, "Overlay Manager..."),
                    Indented(20603, "Basemap Builder..."),
                    Indented(20604, "Save Current View..."),
                    Indented(20605, "Set Scale..."),
                    Separator(),
                    Heading(20607, "GO TO"),
                    Indented(20608, "Address..."),
                    Indented(20609, "Lat/Long..."),
                    Indented(20610, "View..."),
                    Separator(),
                    Heading(20612, "IDENTIFY OBJECTS"),
                    Indented(20613, "Get Info on Selected Overlay Object(s) from DORVE"),
                    Indented(20614, "basemap objects at Click Point"),
                    Indented(20615, "basemap objects within Selected Area"),
                    Indented(20628, "basemap objects within Selected Overlay Object(s)"),
                    Separator(),
                    Heading(20617, "POPULATION"),
                    Indented(20618, "population within Selected Overlay Object(s)"),
                    Indented(20619, "population within Radius of Click Point"),
                    Indented(20620, "population within Selected Area"),
                    Separator(),
                    Heading(20622, "CLICK POINT"),
                    Indented(20623, "Weather Conditions"),
                    Indented(20624, "Elevation"),
                    Indented(20625, "Address"),
                    Indented(20626, "Copy Lat/Long"),
                    Indented(20627, "Mark Click Point")}});
  menus.push_back({"20700",
                   "pARROWDRAG",
                   {Heading(20701, "OVERLAYS"), Item(20702, "Select Objects..."),
                    Item(20703, "Select && Get DORVE Info..."), Separator(),
                    Heading(20706, "BASEMAP"), Item(20706, "Get Info..."), Separator(),
                    Heading(20709, "POPULATION"), Item(20709, "Get Population..."), Separator(),
                    Heading(20712, "ZOOM IN"), Item(20712, "Zoom to Selected Area")}});
  menus.push_back({"20800",
                   "pZEPHA",
                   {Item(20801, "Set Source Point at Click Point"),
                    Item(20802, "Set Threat Point at Click Point"), Separator(),
                    Item(20804, "Delete ZEPHA Objects"), Item(20805, "Export ZEPHA Objects to KML"),
                    Separator(), Item(20807, "Go to ZEPHA")}});
  menus.push_back({"20900",
                   "pDORVE",
                   {Item(20901, "Get Info on Selected Objects"), Separator(),
                    Item(20903, "Link Selected Object"), Item(20904, "Unlink Selected Object"),
                    Separator(), Item(20906, "Go to DORVE")}});
  menus.push_back(
      {"GRAPHICS",
       "GRAPHICS",
       {ColorSubMenu(), LineStyleSubMenu(), FillPatternSubMenu(), Item(1048, "S&ymbol...")}});
  menus.push_back({"MOVES",
                   "moves",
                   {Item(16101, "Top\tCtrl+T"), Item(16102, "Up\tCtrl+U"),
                    Item(16103, "Down\tCtrl+D"), Item(16104, "Bottom\tCtrl+B"), Separator(),
                    Item(16106, "Into Group\tCtrl+I"), Item(16107, "Out of Group\tCtrl+O")}});
  // One item per character code; an ampersand is doubled so that it shows as itself.
  std::vector<MenuEntry> glyphs;
  for (int code = kFirstGlyphCode; code <= kLastGlyphCode; ++code) {
    const std::string glyph = code == '&' ? "&&" : std::string(1, static_cast<char>(code));
    glyphs.push_back(Item(static_cast<uint16_t>(kGlyphCommandBase + code), glyph));
  }
  menus.push_back({"173", "pSCALE", std::move(glyphs)});
  return menus;
}

}  // namespace

const MenuEntry& ColorSubMenu() {
  static const MenuEntry menu = MakeColorSubMenu();
  return menu;
}

const MenuEntry& LineStyleSubMenu() {
  static const MenuEntry menu = MakeLineStyleSubMenu();
  return menu;
}

const MenuEntry& FillPatternSubMenu() {
  static const MenuEntry menu = MakeFillPatternSubMenu();
  return menu;
}

const std::vector<MenuDef>& MainMenuBar() {
  static const std::vector<MenuDef> bar = MakeMainMenuBar();
  return bar;
}

const MenuDef& BonusMenu() {
  static const MenuDef menu{
      "800",
      "&Bonus",
      {Item(801, "Connect Selected Polyline Objects At &Nearest Pt...\tCtrl+N"), Separator(),
       Item(803, "&Export Selected Objects to BNA File..."), Separator(),
       Item(805, "&Delete Overlays and Groups with Zero Objects...")}};
  return menu;
}

const MenuDef& FileFixMenu() {
  static const MenuDef menu{
      "900",
      "FileFix",
      {Item(901, "Recover Deleted Objects From Overlay..."), Separator(),
       Item(903, ".OBJ File to Text..."), Item(904, ".OBJ File to new overlay..."), Separator(),
       Item(906, "Add .SM2 Files to Map...")}};
  return menu;
}

const std::vector<MenuDef>& PopUpMenus() {
  static const std::vector<MenuDef> menus = MakePopUpMenus();
  return menus;
}

const MenuDef* FindPopUpMenu(std::string_view resource) {
  for (const MenuDef& menu : PopUpMenus()) {
    if (menu.resource == resource) return &menu;
  }
  return nullptr;
}

std::string_view LabelText(std::string_view label) {
  return label.substr(0, label.find('\t'));
}

std::string_view LabelShortcut(std::string_view label) {
  const size_t tab = label.find('\t');
  return tab == std::string_view::npos ? std::string_view() : label.substr(tab + 1);
}

const std::vector<Accelerator>& AcceleratorTable() {
  static const std::vector<Accelerator> table = {
      {{"Ctrl+P"}, 104},
      {{"Ctrl+Q", "Alt+F4"}, 111},
      {{"Ctrl+Z"}, 201},
      {{"Ctrl+C"}, 203},
      {{"Ctrl+F"}, 204},
      {{"Ctrl+G"}, 205},
      {{"Ctrl+Y"}, 206},
      {{"Ctrl+M"}, 301},
      {{"Ctrl+B"}, 304},
      {{"Ctrl+D"}, 305},
      {{"Ctrl+A"}, 307},
      {{"Ctrl+L"}, 308},
      {{"Ctrl+T"}, 309},
      {{"Ctrl+R"}, 311},
      {{"Ctrl+U"}, 312},
      {{"Ctrl+;", "Ctrl+Shift+;", "Ctrl+Shift+:"}, 315},
      {{"Ctrl+=", "Ctrl+Shift+=", "Ctrl++", "Ctrl+Shift++"}, 316},
      {{"Ctrl+-", "Ctrl+Shift+-", "Ctrl+Shift+_"}, 317},
      {{"Ctrl+H"}, 23303},
      // The Vertex sub-menu shows Ctrl+J for Delete Vertex, so the key does it.
      {{"Ctrl+J"}, 23304},
      {{"F1"}, 701},
      {{"Alt+/", "Alt+?", "Alt+Shift+?"}, 705},
      {{"Ctrl+Left", "Home"}, kScrollLeftCommand},
      {{"Ctrl+Right", "End"}, kScrollRightCommand},
      {{"Ctrl+Up", "PgUp"}, kScrollUpCommand},
      {{"Ctrl+Down", "PgDown"}, kScrollDownCommand},
      // The menu shows Ctrl+N for this command, but the key has always been Ctrl+2.
      {{"Ctrl+2"}, kConnectPolylinesCommand},
  };
  return table;
}

const Accelerator* FindAccelerator(uint16_t id) {
  const std::vector<Accelerator>& table = AcceleratorTable();
  const auto it =
      std::find_if(table.begin(), table.end(), [id](const Accelerator& a) { return a.id == id; });
  return it == table.end() ? nullptr : &*it;
}

const std::vector<PaletteTool>& PaletteTools() {
  static const std::vector<PaletteTool> tools = {
      {kZoomInTool, "Zoom in by clicking (or dragging a rectangular area)", 'Z'},
      {kZoomOutTool, "Zoom out by clicking", 'X'},
      {kDragViewTool, "Drag the map view", 'H'},
      {kSelectRectangleTool, "Select objects by clicking (or dragging a rectangle)", 'A'},
      {kSelectCircleTool, "Select objects by clicking (or dragging a circle)", 'Q'},
      {kMeasureTool, "Measure distances by dragging", 'M'},
      {kSymbolTool, "Symbol (point) object drawing tool", 'P'},
      {kRectangleTool, "Rectangle drawing tool", 'R'},
      {kCircleTool, "Circle drawing tool", 'O'},
      {kPolylineTool, "Polyline drawing tool", 'L'},
      {kPolygonTool, "Polygon drawing tool", 'G'},
      {kTextTool, "Text label drawing tool", 'T'},
  };
  return tools;
}

}  // namespace tlv
