// Reading a received message's parameters and answering its sender, as the message handlers do.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "iac/iac.h"

namespace tlv::iac_params {

// The parameter cut to limit characters; fallback when it is missing.
std::string Param(const char* envelope, const char* keyword, int32_t limit,
                  const char* fallback = "");
// A parameter the message must have: false (after the usual complaint) when it is missing.
bool RequiredParam(const char* envelope, const char* keyword, int32_t limit, std::string& value);
bool HasParam(const char* envelope, const char* keyword);
// A value of any length (lists of IDs, paths and names).
bool LongParam(const char* envelope, const char* keyword, bool required, std::string& value);
bool Contains(std::string_view text, std::string_view word);
// Sends the answer to the program whose message is being handled.
int32_t Answer(const char* code, const IACParam* params);

}  // namespace tlv::iac_params
