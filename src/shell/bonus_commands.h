// The commands of the "&Bonus" menu that the configuration flag USEBONUSMENU adds.
#pragma once

namespace tlv {

class MainWindow;

// Registers the items of the "&Bonus" menu that this build carries out; they act only while the
// configuration has the menu.
void RegisterBonusCommands(MainWindow& window);

}  // namespace tlv
