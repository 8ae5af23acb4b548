#include "wexo/wexo_frame.h"

#include <algorithm>
#include <cstring>

namespace tlv::wexo {

namespace {

constexpr uint8_t kMagic[4] = {'W', 'E', 'X', 'O'};
// The largest piece of an envelope read at once, so the room grows with what arrives.
constexpr size_t kBodyPiece = 256 * 1024;

}  // namespace

void EncodeFrameHeader(uint8_t kind, uint32_t length, uint8_t* out) {
  std::memcpy(out, kMagic, sizeof kMagic);
  out[4] = kind;
  out[5] = out[6] = out[7] = 0;
  out[8] = static_cast<uint8_t>(length >> 24);
  out[9] = static_cast<uint8_t>(length >> 16);
  out[10] = static_cast<uint8_t>(length >> 8);
  out[11] = static_cast<uint8_t>(length);
}

uint8_t CheckEnvelope(std::string_view envelope) {
  if (envelope.find('\0') != std::string_view::npos) return kAnswerMalformed;
  bool hasCode = false, hasSender = false;
  size_t start = 0;
  while (true) {
    // A keyword field, then its value field.
    const size_t keywordEnd = envelope.find(kFieldSeparator, start);
    if (keywordEnd == std::string_view::npos) return kAnswerMalformed;  // a field without a pair
    const std::string_view keyword = envelope.substr(start, keywordEnd - start);
    if (keyword.size() != 4) return kAnswerMalformed;
    hasCode = hasCode || keyword == "MSSG";
    hasSender = hasSender || keyword == "SIGN";
    const size_t valueEnd = envelope.find(kFieldSeparator, keywordEnd + 1);
    if (valueEnd == std::string_view::npos) break;
    start = valueEnd + 1;
  }
  return hasCode && hasSender ? kAnswerQueued : kAnswerMalformed;
}

size_t FrameReader::Wanted() const {
  switch (state_) {
    case State::kHeader:
      return kFrameHeaderSize - have_;
    case State::kBody:
      return std::min<size_t>(length_ - envelope_.size(), kBodyPiece);
    case State::kDone:
      break;
  }
  return 0;
}

FrameReader::Step FrameReader::Feed(const uint8_t* data, size_t size) {
  size = std::min(size, Wanted());
  if (state_ == State::kHeader) {
    std::memcpy(header_ + have_, data, size);
    have_ += size;
    return have_ == kFrameHeaderSize ? DecodeHeader() : Step::kMore;
  }
  if (state_ == State::kBody) {
    envelope_.append(reinterpret_cast<const char*>(data), size);
    if (envelope_.size() < length_) return Step::kMore;
    state_ = State::kDone;
    return Step::kFrame;
  }
  return refusal_ != 0 ? Step::kRefused : Step::kFrame;
}

FrameReader::Step FrameReader::DecodeHeader() {
  length_ = (static_cast<uint32_t>(header_[8]) << 24) | (static_cast<uint32_t>(header_[9]) << 16) |
            (static_cast<uint32_t>(header_[10]) << 8) | header_[11];
  kind_ = header_[4];
  state_ = State::kDone;
  const bool magic = std::memcmp(header_, kMagic, sizeof kMagic) == 0;
  const bool reserved = header_[5] == 0 && header_[6] == 0 && header_[7] == 0;
  // A ping carries nothing; any other kind is a stream this reader does not understand.
  if (!magic || !reserved || (kind_ != kFrameMessage && kind_ != kFramePing) ||
      (kind_ == kFramePing && length_ != 0)) {
    refusal_ = kAnswerMalformed;
    return Step::kRefused;
  }
  // The sender's length is checked before any room is made for it.
  if (length_ > kMaxEnvelopeLength) {
    refusal_ = kAnswerTooLong;
    return Step::kRefused;
  }
  if (length_ == 0) return Step::kFrame;
  state_ = State::kBody;
  return Step::kMore;
}

void FrameReader::Reset() {
  state_ = State::kHeader;
  have_ = 0;
  kind_ = 0;
  length_ = 0;
  envelope_.clear();
  // A big envelope's room is given back; a small one's is kept for the next frame.
  if (envelope_.capacity() > kBodyPiece) envelope_.shrink_to_fit();
  refusal_ = 0;
}

}  // namespace tlv::wexo
