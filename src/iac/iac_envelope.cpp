#include "iac/iac_envelope.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/errors.h"
#include "base/platform.h"

namespace tlv {

namespace {

constexpr const char* kComplaint = "TOLVANE: couldn't retrieve IAC parameter: %s";
constexpr const char* kNoRoomForValue = "Tech Error: myAEGetParamInNewPtr(), MyNewHandle()";

// Where a keyword's value lies in an envelope.
struct FoundValue {
  const char* begin = nullptr;
  const char* end = nullptr;  // the separator or NUL behind the value
};

// Whether the field [field, fieldEnd) is exactly the four-character keyword. A keyword given
// shorter than four characters never matches (and is never read past its NUL).
bool FieldIsKeyword(const char* field, const char* fieldEnd, const char* keyword) {
  if (fieldEnd - field != static_cast<std::ptrdiff_t>(kIACCodeLength)) return false;
  for (size_t i = 0; i < kIACCodeLength; ++i) {
    if (keyword[i] == '\0' || field[i] != keyword[i]) return false;
  }
  return true;
}

const char* FieldEnd(const char* field) {
  while (*field != '\0' && *field != kIACSeparator) ++field;
  return field;
}

// Walks the fields in pairs, keyword then value, and stops at the NUL: a field that merely
// looks like the keyword inside a value is never compared.
bool FindValue(const char* envelope, const char* keyword, FoundValue& found) {
  if (envelope == nullptr || keyword == nullptr) return false;
  const char* field = envelope;
  while (*field != '\0') {
    const char* keywordEnd = FieldEnd(field);
    const char* value = *keywordEnd == kIACSeparator ? keywordEnd + 1 : keywordEnd;
    const char* valueEnd = FieldEnd(value);
    if (FieldIsKeyword(field, keywordEnd, keyword)) {
      found = {value, valueEnd};
      return true;
    }
    field = *valueEnd == kIACSeparator ? valueEnd + 1 : valueEnd;
  }
  return false;
}

void Complain(const char* keyword) {
  const std::string shown = keyword != nullptr ? std::string(keyword, strnlen(keyword, 4)) : "";
  ShowAlert(FormatText(kComplaint, shown.c_str()), kStopAlert);
}

// Appends exactly four characters: a shorter code is filled with blanks, so the envelope keeps
// the size it was given.
char* PutCode(char* out, std::string_view code) {
  for (size_t i = 0; i < kIACCodeLength; ++i) *out++ = i < code.size() ? code[i] : ' ';
  return out;
}

char* PutText(char* out, std::string_view text) {
  for (const char c : text) *out++ = c == kIACSeparator ? ' ' : c;
  return out;
}

char* PutKeyword(char* out, const char* keyword) {
  out = PutCode(out, std::string_view(keyword, strnlen(keyword, kIACCodeLength)));
  *out++ = kIACSeparator;
  return out;
}

}  // namespace

int64_t IACEnvelopeSize(std::string_view replyContext, const IACParam* params) {
  int64_t size = kIACEnvelopeFixedSize + static_cast<int64_t>(replyContext.size());
  for (const IACParam* p = params; p != nullptr && p->keyword[0] != '\0'; ++p) {
    const size_t valueLength = p->value != nullptr ? std::strlen(p->value) : 0;
    size += 6 + static_cast<int64_t>(valueLength);
  }
  return size;
}

int32_t BuildIACEnvelope(std::string_view code, std::string_view sign, std::string_view psig,
                         std::string_view replyContext, const IACParam* params, Ptr& envelope) {
  envelope = nullptr;
  const int64_t size = IACEnvelopeSize(replyContext, params);
  if (size > INT32_MAX) return kErrMemoryFull;
  Ptr block = MyNewPtr(static_cast<int32_t>(size));
  if (block == nullptr) return kErrMemoryFull;
  char* out = block;
  out = PutKeyword(out, "MSSG");
  out = PutCode(out, code);
  *out++ = kIACSeparator;
  out = PutKeyword(out, "SIGN");
  out = PutCode(out, sign);
  *out++ = kIACSeparator;
  out = PutKeyword(out, "PSIG");
  out = PutCode(out, psig);
  *out++ = kIACSeparator;
  out = PutKeyword(out, "XTRA");
  out = PutText(out, replyContext);
  for (const IACParam* p = params; p != nullptr && p->keyword[0] != '\0'; ++p) {
    if (p->kind != kIACTextKind) Platform().Beep();
    *out++ = kIACSeparator;
    out = PutKeyword(out, p->keyword);
    if (p->value != nullptr) out = PutText(out, p->value);
  }
  *out = '\0';
  envelope = block;
  return 0;
}

int32_t GetIACParam(const char* envelope, const char* keyword, char* buffer, int32_t maxChars,
                    bool complain) {
  FoundValue found;
  if (!FindValue(envelope, keyword, found)) {
    if (complain) {
      Complain(keyword);
      if (buffer != nullptr) buffer[0] = '\0';
    }
    return -1;
  }
  if (buffer == nullptr) return 0;
  const auto limit = static_cast<size_t>(maxChars > 0 ? maxChars : 0);
  const size_t length = std::min(static_cast<size_t>(found.end - found.begin), limit);
  std::memcpy(buffer, found.begin, length);
  buffer[length] = '\0';
  return 0;
}

int32_t IACParamEnd(const char* envelope, const char* keyword) {
  FoundValue found;
  if (!FindValue(envelope, keyword, found)) return 0;
  return static_cast<int32_t>(found.end - envelope);
}

int32_t myAEGetParamInNewPtr(const char* envelope, const char* keyword, Ptr& block, bool complain) {
  return GetIACParamWithRoom(envelope, keyword, block, complain, 0);
}

int32_t GetIACParamWithRoom(const char* envelope, const char* keyword, Ptr& block, bool complain,
                            int32_t extra) {
  block = nullptr;
  if (extra < 0) return kErrBadLength;
  const int32_t end = IACParamEnd(envelope, keyword);
  if (end == 0) {
    if (complain) Complain(keyword);
    return -1;
  }
  const int64_t size = int64_t{end} + extra + 1;
  Ptr room = size <= INT32_MAX ? MyNewPtr(static_cast<int32_t>(size)) : nullptr;
  if (room == nullptr) {
    ShowAlert(kNoRoomForValue, kStopAlert);
    return -1;
  }
  const int32_t err = GetIACParam(envelope, keyword, room, end, complain);
  if (err != 0) {
    MyDisposePtr(room);
    return err;
  }
  block = room;
  return 0;
}

}  // namespace tlv
