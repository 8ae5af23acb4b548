#include "shell/sharing_commands.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QPointer>
#include <QStringList>

#include <set>
#include <vector>

#include "iac/sharing_menus.h"
#include "shell/commands.h"
#include "shell/main_window.h"

namespace tlv {

namespace {

constexpr const char* kSharingMenuTitle = "&Sharing";
// "About &Sharing..." stays; the sub-menus follow it behind a separator.
constexpr int kFixedSharingEntries = 1;

constexpr int kBuiltInCommands[] = {
    kZephaSetSource, kZephaSetThreat,      kZephaDelete,   kZephaExportKml,
    kZephaGoTo,      kDorveGetInfo,        kDorveLink,     kDorveUnlink,
    kDorveGoTo,      kRightClickDorveInfo, kDragDorveInfo,
};

// What the last rebuild registered, so the next one can take it back.
std::set<int> registeredItems;
std::vector<QPointer<QAction>> shortcutActions;

QKeySequence ShortcutKeys(char key) {
  const QChar letter = QChar::fromLatin1(key).toUpper();
  return QKeySequence(QStringLiteral("Ctrl+Shift+") + letter);
}

}  // namespace

void RegisterSharingCommands(MainWindow& window) {
  for (const int id : kBuiltInCommands) {
    window.RegisterCommand(
        id, [id] { RunSiblingCommand(id); }, [id] { return SharingCommandEnabled(id); });
  }
  RebuildSharingMenus(window);
}

void RebuildSharingMenus(MainWindow& window) {
  for (const int id : registeredItems) window.UnregisterCommand(id);
  registeredItems.clear();
  for (QPointer<QAction>& action : shortcutActions) delete action.data();
  shortcutActions.clear();

  std::vector<MenuEntry> entries;
  const std::vector<SharingMenu>& menus = SharingMenus();
  if (!menus.empty()) entries.push_back(MenuEntry{});
  for (const SharingMenu& menu : menus) {
    MenuEntry sub;
    sub.label = menu.title;
    for (const SharingItem& item : menu.items) {
      if (item.separator) {
        sub.subMenu.push_back(MenuEntry{});
        continue;
      }
      MenuEntry entry;
      entry.id = static_cast<uint16_t>(item.command);
      entry.label = item.text;
      if (item.shortcut != 0) {
        entry.label += "\t" + ShortcutKeys(item.shortcut).toString().toStdString();
      }
      sub.subMenu.push_back(entry);
      // The built-in commands appended to a sibling's menu are registered already.
      if (!IsSiblingCommand(item.command)) {
        const int id = item.command;
        window.RegisterCommand(
            id, [id] { ChooseSharingItem(id); }, [id] { return SharingCommandEnabled(id); });
        registeredItems.insert(id);
      }
    }
    // A menu without items still shows its title.
    if (sub.subMenu.empty()) sub.subMenu.push_back(MenuEntry{});
    entries.push_back(sub);
  }
  window.ReplaceBarMenuTail(kSharingMenuTitle, kFixedSharingEntries, entries);

  std::set<int> keys;
  for (const SharingShortcut& shortcut : SharingShortcuts()) {
    const QKeySequence sequence = ShortcutKeys(shortcut.key);
    // Two siblings asking for one key: the first keeps it, as an ambiguous key would do nothing.
    if (!keys.insert(sequence[0].toCombined()).second) continue;
    auto* action = new QAction(&window);
    action->setShortcut(sequence);
    action->setShortcutContext(Qt::WindowShortcut);
    const int id = shortcut.command;
    QObject::connect(action, &QAction::triggered, &window,
                     [&window, id] { window.DispatchCommand(id); });
    window.addAction(action);
    shortcutActions.emplace_back(action);
  }
}

std::string DescribeSharingMenus(MainWindow& window) {
  std::string text;
  QMenu* sharing = window.BarMenu(kSharingMenuTitle);
  if (sharing == nullptr) return text;
  for (QAction* action : sharing->actions()) {
    QMenu* sub = action->menu();
    if (sub == nullptr) continue;
    QStringList items;
    for (QAction* item : sub->actions()) {
      items.push_back(item->isSeparator() ? QStringLiteral("-")
                                          : item->text().replace(QChar('\t'), QChar(' ')));
    }
    text += (text.empty() ? "" : ";") + sub->title().toStdString() + "[" +
            items.join(QChar('|')).toStdString() + "]";
  }
  return text;
}

}  // namespace tlv
