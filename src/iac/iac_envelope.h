// The text form of one message between programs (the envelope): fields separated by 0x0B, in
// keyword/value pairs, "MSSG" code, "SIGN" sender, "PSIG" sender's program, "XTRA" reply
// context, then the parameters; a NUL ends it. Writing one, and reading its fields by keyword.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/memory.h"

namespace tlv {

constexpr char kIACSeparator = 0x0B;
constexpr int32_t kIACTextKind = 1;
constexpr size_t kIACCodeLength = 4;
// The fixed part of an envelope: the four header keywords, the code and both signatures, the
// separators between them and the NUL.
constexpr int32_t kIACEnvelopeFixedSize = 36;

// A code or keyword as a number, first character in the most significant byte; the dispatcher
// compares codes this way. Characters past the fourth are ignored, missing ones count as 0.
constexpr uint32_t IACCodeValue(std::string_view code) {
  uint32_t value = 0;
  for (size_t i = 0; i < kIACCodeLength; ++i) {
    value = (value << 8) | (i < code.size() ? static_cast<unsigned char>(code[i]) : 0u);
  }
  return value;
}

// One outgoing parameter. A list ends with an entry whose keyword begins with NUL. Only text is
// ever sent; another kind is sent as text all the same, after a beep.
struct IACParam {
  char keyword[5];
  int32_t kind;
  const char* value;
  int32_t reserved;
};

// The size of the envelope for these header values and parameters, NUL included.
int64_t IACEnvelopeSize(std::string_view replyContext, const IACParam* params);
// Writes the envelope into a new block (free it with MyDisposePtr). A 0x0B inside a value or the
// context would split its field, so it is written as a blank. 0, or kErrMemoryFull.
int32_t BuildIACEnvelope(std::string_view code, std::string_view sign, std::string_view psig,
                         std::string_view replyContext, const IACParam* params, Ptr& envelope);

// Copies the value of keyword into buffer (maxChars + 1 bytes: a longer value is cut, a NUL
// ends the copy) and returns 0. Only keyword positions are compared, never text inside values.
// -1 when the keyword is absent: with complain the user is told and the buffer emptied,
// without it the buffer is left as it was.
int32_t GetIACParam(const char* envelope, const char* keyword, char* buffer, int32_t maxChars,
                    bool complain);
// The offset just past the keyword's value, an upper bound of the value's length for sizing a
// buffer; 0 when the keyword is absent.
int32_t IACParamEnd(const char* envelope, const char* keyword);
// A new block holding the keyword's value (free it with MyDisposePtr): 0, or -1 and a null
// block.
int32_t myAEGetParamInNewPtr(const char* envelope, const char* keyword, Ptr& block, bool complain);
// The same with extra bytes of room behind the value, so that a handler can append to it in
// place; kErrBadLength (-3) when extra is negative.
int32_t GetIACParamWithRoom(const char* envelope, const char* keyword, Ptr& block, bool complain,
                            int32_t extra);

}  // namespace tlv
