// tolvane-cli's messages command: envelopes of sibling programs, one JSON line each in the form
// wexo-peer prints ({"mssg":..., "sign":..., "psig":..., "xtra":..., "params":[[K,V],...]}),
// handled as the program handles them, without a window and without the message library.
//   tolvane-cli messages FILE|-
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsMessagesCommand(const std::vector<std::string>& words);

// For each envelope: every answer sent (one JSON line in the same form), every alert
// ({"alert", "kind"}), then {"message", "result", "shown", "selected"}. Returns 0, or 1 after a
// message on err for a file that cannot be read or a line that is not such an envelope.
int RunMessagesCommand(const std::vector<std::string>& words, std::istream& in, std::ostream& out,
                       std::ostream& err);

// One input line taken apart: false for a line that is not an envelope of that form.
struct MessageLine {
  std::string code;
  std::string sign = "PEER";
  std::string psig = "PEER";
  std::string xtra;
  std::vector<std::pair<std::string, std::string>> params;
};
bool ParseMessageLine(const std::string& line, MessageLine& message);

}  // namespace tlv::cli
