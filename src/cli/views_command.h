// tolvane-cli's views commands: the saved views as the program lists them, and saving the view
// a script describes, with its thumbnail, as Save Current View does.
//   tolvane-cli views
//   tolvane-cli views save NAME VIEW [--home]
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsViewsCommand(const std::vector<std::string>& words);

// Registers the view folders of the maps folder (Settings/Views, made when saving, and the
// program's own), and reads the settings with the Home and reference views when asked.
void UseViewFolders(bool saving, bool loadSettings);

// 0, 1 after a message, or kUsageError.
int RunViewsCommand(const std::vector<std::string>& words, int argc, char** argv, std::ostream& out,
                    std::ostream& err);

}  // namespace tlv::cli
