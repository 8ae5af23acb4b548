// The bytes on a registration's socket. A sender writes frames: "WEXO", a kind byte (1 message,
// 2 ping), three zero bytes, the envelope's length as a big-endian 32-bit number, then the
// envelope without its NUL. The receiver answers every frame with one byte. An envelope is
// fields separated by 0x0B, in keyword/value pairs, every keyword four bytes, and must carry
// "MSSG" and "SIGN".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace tlv::wexo {

inline constexpr size_t kFrameHeaderSize = 12;
inline constexpr uint8_t kFrameMessage = 1;
inline constexpr uint8_t kFramePing = 2;
inline constexpr uint32_t kMaxEnvelopeLength = 16u * 1024 * 1024;
inline constexpr char kFieldSeparator = 0x0B;

// The receiver's answer byte.
inline constexpr uint8_t kAnswerQueued = 0;
inline constexpr uint8_t kAnswerQueueFull = 2;
inline constexpr uint8_t kAnswerTooLong = 3;
inline constexpr uint8_t kAnswerMalformed = 4;

// Writes the 12 header bytes of a frame of the given kind and envelope length.
void EncodeFrameHeader(uint8_t kind, uint32_t length, uint8_t* out);

// kAnswerQueued when the envelope is well formed, else kAnswerMalformed.
uint8_t CheckEnvelope(std::string_view envelope);

// Reads frames from a stream in whatever pieces they arrive, never asking for a byte past the
// frame it is reading, so nothing of the next frame is consumed early. The envelope's room
// grows with the bytes that actually arrive: a length announced in the header (up to 16 MiB) is
// never allocated ahead of them, and a longer one is refused before anything is allocated.
class FrameReader {
 public:
  enum class Step {
    kMore,    // the frame is not complete yet
    kFrame,   // a whole frame: kind() and envelope() describe it until Reset()
    kRefused  // the stream cannot go on: send refusal() and close it
  };

  // How many bytes to read next (at least 1 unless a frame or refusal is waiting for Reset()).
  size_t Wanted() const;
  // Takes size bytes (at most Wanted()).
  Step Feed(const uint8_t* data, size_t size);
  // True once a frame's first byte has arrived and until it is complete: its deadline runs.
  bool InFrame() const { return state_ != State::kDone && (have_ > 0 || state_ == State::kBody); }
  uint8_t kind() const { return kind_; }
  const std::string& envelope() const { return envelope_; }
  // Moves the envelope out of the reader (before Reset()).
  std::string TakeEnvelope() { return std::move(envelope_); }
  uint8_t refusal() const { return refusal_; }
  // Gets ready for the next frame after kFrame.
  void Reset();

 private:
  enum class State { kHeader, kBody, kDone };
  Step DecodeHeader();

  State state_ = State::kHeader;
  uint8_t header_[kFrameHeaderSize] = {};
  size_t have_ = 0;
  uint8_t kind_ = 0;
  uint32_t length_ = 0;
  std::string envelope_;
  uint8_t refusal_ = 0;
};

}  // namespace tlv::wexo
