#include "base/char_tables.h"

namespace tlv {

namespace {

// Mac OS Roman codes 128 to 255 in Windows-1252. Characters that exist in both sets map onto
// each other; the few that exist in only one set are paired in code order so that the table
// stays a permutation and text converted there and back is unchanged.
constexpr uint8_t kMacToWindows[128] = {
    196, 197, 199, 201, 209, 214, 220, 225, 224, 226, 228, 227, 229, 231, 233, 232, 234, 235, 237,
    236, 238, 239, 241, 243, 242, 244, 246, 245, 250, 249, 251, 252, 134, 176, 162, 163, 167, 149,
    182, 223, 174, 169, 153, 180, 168, 129, 198, 216, 138, 177, 141, 142, 165, 181, 143, 144, 154,
    157, 158, 170, 186, 164, 230, 248, 191, 161, 172, 166, 131, 173, 178, 171, 187, 133, 160, 192,
    195, 213, 140, 156, 150, 151, 147, 148, 145, 146, 247, 179, 255, 159, 185, 128, 139, 155, 188,
    189, 135, 183, 130, 132, 137, 194, 202, 193, 203, 200, 205, 206, 207, 204, 211, 212, 190, 210,
    218, 219, 217, 208, 136, 152, 175, 215, 221, 222, 184, 240, 253, 254,
};

// One bit per code: set for the codes that count as word characters.
constexpr uint32_t kLetterBits[8] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu,
                                     0xD4005508u, 0x04200400u, 0xFF7FFFFFu, 0xFF7FFFFFu};

struct InverseTable {
  uint8_t windowsToMac[256];
  constexpr InverseTable() : windowsToMac() {
    for (int c = 0; c < 128; ++c) windowsToMac[c] = static_cast<uint8_t>(c);
    for (int c = 0; c < 128; ++c) windowsToMac[kMacToWindows[c]] = static_cast<uint8_t>(c + 128);
  }
};
constexpr InverseTable kInverse;

}  // namespace

unsigned char MacToWindows(unsigned char code) {
  return code < 128 ? code : kMacToWindows[code - 128];
}

unsigned char WindowsToMac(unsigned char code) {
  return kInverse.windowsToMac[code];
}

bool IsLetterCode(unsigned char code) {
  return (kLetterBits[code / 32] >> (code % 32)) & 1u;
}

void MacToWindowsText(std::string& text) {
  for (char& c : text) c = static_cast<char>(MacToWindows(static_cast<unsigned char>(c)));
}

void WindowsToMacText(std::string& text) {
  for (char& c : text) c = static_cast<char>(WindowsToMac(static_cast<unsigned char>(c)));
}

}  // namespace tlv
