// The configuration flags of MPCONFIG.TXT: switches an administrator sets by hand. Set only
// during start-up, read freely afterwards.
#pragma once

#include <cstdint>
#include <string_view>

namespace tlv {

struct ConfigFlags {
  int32_t exportRGB = 1;
  int32_t useVisibleSCSubset = 1;
  int32_t clipPolyBeforeIntersect = 1;
  int32_t tdoCutoff = 4000;
  int32_t drawTDOFromMemory = 1;
  int32_t fileFixMenu = 0;
  int32_t useBonusMenu = 0;
  int32_t useQuickTime = 1;
  int32_t writeLST2ToFile = 0;
  int32_t useAutomaticCharacterSetRecognition = 1;
  int32_t timeMapMessages = 0;
  // red + green * 256 + blue * 65536; 0 means the standard tag colour.
  int32_t selectionTagColor = 0;
  int32_t useMacStyleFatLinesInWindows = 1;
  int32_t dlgz = 0;
  int32_t unlockTemporaryLayer = 1;
  int32_t requireValidSymbolNum = 1;
};

const ConfigFlags& Config();
ConfigFlags& MutableConfig();
void ResetConfigForTesting();

// Larger files are not configuration files and are skipped whole.
constexpr int32_t kMaxConfigFileSize = 49999;

// Reads one MPCONFIG.TXT; a missing, oversized or unreadable file changes nothing.
void ReadConfigFile(int16_t volume, int32_t dirID, const char* name);
// Applies one line of configuration text.
void ParseConfigLine(std::string_view line);

}  // namespace tlv
