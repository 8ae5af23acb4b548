#include "iac/message_params.h"

#include "base/memory.h"
#include "iac/iac_envelope.h"

namespace tlv::iac_params {

std::string Param(const char* envelope, const char* keyword, int32_t limit, const char* fallback) {
  std::string buffer(static_cast<size_t>(limit) + 1, '\0');
  if (GetIACParam(envelope, keyword, buffer.data(), limit, false) != 0) return fallback;
  return buffer.c_str();
}

bool RequiredParam(const char* envelope, const char* keyword, int32_t limit, std::string& value) {
  std::string buffer(static_cast<size_t>(limit) + 1, '\0');
  if (GetIACParam(envelope, keyword, buffer.data(), limit, true) != 0) return false;
  value = buffer.c_str();
  return true;
}

bool HasParam(const char* envelope, const char* keyword) {
  return IACParamEnd(envelope, keyword) > 0;
}

bool LongParam(const char* envelope, const char* keyword, bool required, std::string& value) {
  Ptr block = nullptr;
  if (myAEGetParamInNewPtr(envelope, keyword, block, required) != 0) return false;
  value = block;
  MyDisposePtr(block);
  return true;
}

bool Contains(std::string_view text, std::string_view word) {
  return text.find(word) != std::string_view::npos;
}

int32_t Answer(const char* code, const IACParam* params) {
  return SendIACMessage(code, params, IACSenderSignature(), true, kOwnSignature,
                        kOwnProgramSignature);
}

}  // namespace tlv::iac_params
