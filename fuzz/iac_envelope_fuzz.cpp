// Reads arbitrary bytes as a received envelope, the way the program meets one: every parameter
// reader with several limits, the stop check's question and the dispatcher (with no library
// bound, so handlers only beep and complain). Nothing may be read past the NUL, a copy never
// exceeds its limit, and the readers must agree with each other. The bytes also serve as values
// for the writer: an envelope written from them must read back the same values.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/headless_platform.h"
#include "base/memory.h"
#include "iac/iac.h"
#include "iac/iac_envelope.h"

namespace {

using namespace tlv;

void Check(bool condition) {
  if (!condition) std::abort();
}

void ReadEveryWay(const char* envelope, size_t length) {
  static const char* const kKeywords[] = {"MSSG", "SIGN", "PSIG", "XTRA", "LAYR",
                                          "VNUM", "BYE ", "AB",   ""};
  static const int32_t kLimits[] = {0, 3, 4, 99, 255};
  for (const char* keyword : kKeywords) {
    const int32_t end = IACParamEnd(envelope, keyword);
    Check(end >= 0 && static_cast<size_t>(end) <= length);
    if (std::strlen(keyword) != 4) Check(end == 0);
    char buffer[256];
    for (const int32_t limit : kLimits) {
      const int32_t found = GetIACParam(envelope, keyword, buffer, limit, false);
      Check((found == 0) == (end != 0));
      if (found == 0) Check(std::strlen(buffer) <= static_cast<size_t>(limit));
    }
    Ptr block = nullptr;
    if (myAEGetParamInNewPtr(envelope, keyword, block, false) == 0) {
      Check(block != nullptr && std::strlen(block) < static_cast<size_t>(end));
      GetIACParam(envelope, keyword, buffer, 255, false);
      Check(std::strncmp(block, buffer, 255) == 0);
      MyDisposePtr(block);
    } else {
      Check(block == nullptr && end == 0);
    }
  }
  IsInterruptingMessage(envelope);
  DispatchIACMessage(envelope);
}

// Values are the pieces of the text between 0x01 bytes; each is written under a keyword of its
// own and must read back as written, a separator turned into a blank.
void WriteAndReadBack(const char* text) {
  std::vector<std::string> values;
  std::string piece;
  for (const char* p = text;; ++p) {
    if (*p == '\x01' || *p == '\0') {
      values.push_back(piece);
      piece.clear();
      if (*p == '\0' || values.size() == 8) break;
    } else {
      piece += *p;
    }
  }
  std::vector<std::string> keywords;
  std::vector<IACParam> params;
  for (size_t i = 0; i < values.size(); ++i) keywords.push_back("K00" + std::to_string(i));
  for (size_t i = 0; i < values.size(); ++i) {
    IACParam param{};
    std::memcpy(param.keyword, keywords[i].c_str(), 5);
    param.kind = kIACTextKind;
    param.value = values[i].c_str();
    params.push_back(param);
  }
  params.push_back(IACParam{});
  Ptr envelope = nullptr;
  Check(BuildIACEnvelope("TEST", "TLV1", "TOLV", values[0], params.data(), envelope) == 0);
  Check(static_cast<int64_t>(std::strlen(envelope)) + 1 ==
        IACEnvelopeSize(values[0], params.data()));
  char buffer[64];
  for (size_t i = 0; i < values.size(); ++i) {
    std::string expected = values[i].substr(0, 63);
    for (char& c : expected) {
      if (c == kIACSeparator) c = ' ';
    }
    Check(GetIACParam(envelope, keywords[i].c_str(), buffer, 63, false) == 0);
    Check(expected == buffer);
  }
  MyDisposePtr(envelope);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  DefaultHeadlessPlatform().Reset();
  // The envelope as the library hands it over: the bytes and a NUL, in a block no larger, so a
  // read past the NUL is caught.
  std::vector<char> bytes(data, data + size);
  bytes.push_back('\0');
  const char* envelope = bytes.data();
  ReadEveryWay(envelope, std::strlen(envelope));
  WriteAndReadBack(envelope);
  return 0;
}
