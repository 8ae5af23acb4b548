// The program's command vocabulary: every menu of the menu bar, the optional menus, the pop-up
// menus, the accelerator table and the tool palette, as plain data. Each command has one
// identifier and one wording; the main window builds its menus and shortcuts from these tables.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tlv {

// Command identifiers that are not menu items: the accelerators that scroll the map view.
constexpr uint16_t kScrollLeftCommand = 550;
constexpr uint16_t kScrollRightCommand = 551;
constexpr uint16_t kScrollUpCommand = 552;
constexpr uint16_t kScrollDownCommand = 553;

// Commands the shell names elsewhere.
constexpr uint16_t kExitCommand = 111;
constexpr uint16_t kConnectPolylinesCommand = 801;

// The symbol-glyph pop-up gives character code c the identifier kGlyphCommandBase + c.
constexpr uint16_t kGlyphCommandBase = 2048;
constexpr int kFirstGlyphCode = 32;
constexpr int kLastGlyphCode = 255;

// One line of a menu. A label holds "&" before the mnemonic letter ("&&" for a literal
// ampersand) and, after a tab, the shortcut text the menu shows. An entry with a non-empty
// subMenu is a sub-menu titled by its label; otherwise an id of 0 is a separator. A heading is
// a title line inside a pop-up menu: it is shown but never chosen (it may share its id with the
// item below it).
struct MenuEntry {
  uint16_t id = 0;
  std::string label;
  std::vector<MenuEntry> subMenu;
  bool heading = false;

  bool IsSeparator() const { return id == 0 && subMenu.empty() && !heading; }
  bool IsSubMenu() const { return !subMenu.empty(); }
};

// A menu of the bar or a pop-up menu. resource is the name or number it has always been known
// by ("TOLVANE" for the bar's menus, "800", "20000", "MOVES", "173").
struct MenuDef {
  std::string resource;
  std::string title;
  std::vector<MenuEntry> entries;
};

// The menus of the bar, in order: "&File", "&Edit", "&View", "&Overlays", "E&xtras",
// "&Sharing", "&Help".
const std::vector<MenuDef>& MainMenuBar();
// The optional menus the configuration adds: "&Bonus" (800) and "FileFix" (900).
const MenuDef& BonusMenu();
const MenuDef& FileFixMenu();
// The sub-menus "&Color" (1001-1017), "Line St&yle" (1028-1037) and "&Fill Pattern"
// (1038-1047), shared by the "&Overlays" menu and the pop-up "GRAPHICS".
const MenuEntry& ColorSubMenu();
const MenuEntry& LineStyleSubMenu();
const MenuEntry& FillPatternSubMenu();
// Every pop-up menu: 20000 to 20900, "GRAPHICS", "MOVES" and 173.
const std::vector<MenuDef>& PopUpMenus();
// The pop-up menu of a resource name or number; null when there is none.
const MenuDef* FindPopUpMenu(std::string_view resource);

// Calls visit for every entry of the menu and its sub-menus, depth first, in menu order.
template <typename Visit>
void ForEachMenuEntry(const std::vector<MenuEntry>& entries, Visit&& visit) {
  for (const MenuEntry& entry : entries) {
    visit(entry);
    if (entry.IsSubMenu()) ForEachMenuEntry(entry.subMenu, visit);
  }
}

// The label without its shortcut text.
std::string_view LabelText(std::string_view label);
// The shortcut text after the tab; empty when the label has none.
std::string_view LabelShortcut(std::string_view label);

// One line of the accelerator table. keys holds the key combinations in the portable text form
// "Ctrl+P", "Alt+F4", "PgUp", "Ctrl+Shift+:"; the Shift forms cover keyboards on which Shift
// turns the key into another character.
struct Accelerator {
  std::vector<std::string> keys;
  uint16_t id;
};
const std::vector<Accelerator>& AcceleratorTable();
// The accelerator line of a command; null when the command has no accelerator.
const Accelerator* FindAccelerator(uint16_t id);

// The tools of the palette, top to bottom.
enum PaletteToolKind : int16_t {
  kZoomInTool = 0,
  kZoomOutTool,
  kDragViewTool,
  kSelectRectangleTool,
  kSelectCircleTool,
  kMeasureTool,
  kSymbolTool,
  kRectangleTool,
  kCircleTool,
  kPolylineTool,
  kPolygonTool,
  kTextTool,
  kPaletteToolCount
};
// key: the letter that picks the tool from the keyboard while the main window is active (its tool
// tip names it).
struct PaletteTool {
  PaletteToolKind kind;
  const char* toolTip;
  char key;
};
const std::vector<PaletteTool>& PaletteTools();

}  // namespace tlv
