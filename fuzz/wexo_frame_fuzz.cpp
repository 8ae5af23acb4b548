// Drives the message library's frame reader over arbitrary bytes as a receiver meets them on a
// socket: the first byte chooses how the stream is cut into reads, the rest is the stream. Every
// frame must come out the same however it was cut, never longer than 16 MiB and never using a
// byte past its end; a refusal must be one of the refusal answers; the envelope check must agree
// with a plain reading of the field rules.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "wexo/wexo_frame.h"

namespace {

using namespace tlv::wexo;

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Outcome {
  std::vector<std::string> envelopes;
  std::vector<uint8_t> kinds;
  int refusal = -1;
  size_t consumed = 0;
  bool operator==(const Outcome&) const = default;
};

Outcome Read(const uint8_t* data, size_t size, size_t piece) {
  Outcome outcome;
  FrameReader reader;
  while (outcome.consumed < size) {
    const size_t wanted = reader.Wanted();
    Check(wanted > 0);
    const size_t take = std::min({piece, wanted, size - outcome.consumed});
    const FrameReader::Step step = reader.Feed(data + outcome.consumed, take);
    outcome.consumed += take;
    if (step == FrameReader::Step::kRefused) {
      outcome.refusal = reader.refusal();
      Check(outcome.refusal == kAnswerTooLong || outcome.refusal == kAnswerMalformed);
      return outcome;
    }
    if (step == FrameReader::Step::kFrame) {
      Check(!reader.InFrame());
      Check(reader.kind() == kFrameMessage || reader.kind() == kFramePing);
      Check(reader.envelope().size() <= kMaxEnvelopeLength);
      Check(reader.kind() == kFrameMessage || reader.envelope().empty());
      outcome.kinds.push_back(reader.kind());
      outcome.envelopes.push_back(reader.TakeEnvelope());
      reader.Reset();
    }
  }
  return outcome;
}

// The field rules read the slow way: split at every separator, then look at the pieces.
bool WellFormed(std::string_view envelope) {
  if (envelope.find('\0') != std::string_view::npos) return false;
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (true) {
    const size_t end = envelope.find(kFieldSeparator, start);
    fields.push_back(envelope.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (fields.size() % 2 != 0) return false;
  bool code = false, sender = false;
  for (size_t i = 0; i < fields.size(); i += 2) {
    if (fields[i].size() != 4) return false;
    code = code || fields[i] == "MSSG";
    sender = sender || fields[i] == "SIGN";
  }
  return code && sender;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t piece = 1 + data[0] % 16;
  const Outcome cut = Read(data + 1, size - 1, piece);
  const Outcome whole = Read(data + 1, size - 1, size);
  Check(cut == whole);
  for (const std::string& envelope : whole.envelopes) {
    Check((CheckEnvelope(envelope) == kAnswerQueued) == WellFormed(envelope));
  }
  // The rest of the input read as one envelope, too.
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  Check((CheckEnvelope(rest) == kAnswerQueued) == WellFormed(rest));
  return 0;
}
