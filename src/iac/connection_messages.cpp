// The version query a sibling program sends to learn which version of this program it talks to.
#include "iac/iac.h"
#include "iac/iac_handlers.h"

namespace tlv {

namespace {
constexpr const char* kVersionNumber = "4.1.1";
}  // namespace

int32_t HandleVERQuery(const char*) {
  const IACParam answer[] = {
      {"VNUM", kIACTextKind, kVersionNumber, 0},
      {"", 0, nullptr, 0},
  };
  return SendIACMessage("VER!", answer, IACSenderSignature(), true, kOwnSignature,
                        kOwnProgramSignature);
}

}  // namespace tlv
