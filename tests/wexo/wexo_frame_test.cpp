// The frame reader on its own: frames arriving in any pieces, and the headers it refuses before
// making room for a body.
#include <gtest/gtest.h>

#include <string>

#include "wexo/wexo_frame.h"
#include "wexo_test_support.h"

namespace tlv {
namespace {

using test::Envelope;
using test::FrameHeader;
using test::MessageFrame;
using wexo::FrameReader;

// Feeds bytes in pieces of at most piece bytes, never more than the reader asks for, and
// collects the envelopes of the frames it completes. Stops at a refusal.
struct FeedResult {
  std::vector<std::string> envelopes;
  std::vector<uint8_t> kinds;
  int refusal = -1;
  size_t consumed = 0;
};

FeedResult FeedInPieces(const std::string& bytes, size_t piece) {
  FeedResult result;
  FrameReader reader;
  while (result.consumed < bytes.size()) {
    const size_t take = std::min({piece, reader.Wanted(), bytes.size() - result.consumed});
    const auto step =
        reader.Feed(reinterpret_cast<const uint8_t*>(bytes.data()) + result.consumed, take);
    result.consumed += take;
    if (step == FrameReader::Step::kRefused) {
      result.refusal = reader.refusal();
      return result;
    }
    if (step == FrameReader::Step::kFrame) {
      result.kinds.push_back(reader.kind());
      result.envelopes.push_back(reader.TakeEnvelope());
      reader.Reset();
    }
  }
  return result;
}

TEST(WexoFrameTest, FramesArriveWholeFromAnyPiecesAndNoByteBeyondIsTaken) {
  const std::string first = Envelope("HOLA", "ZPHA", {{"NAME", "ZEPHA"}});
  const std::string second = Envelope("VER?", "DVFM");
  const std::string stream = MessageFrame(first) + FrameHeader(2, 0) + MessageFrame(second);
  for (const size_t piece : {size_t{1}, size_t{5}, size_t{13}, stream.size()}) {
    const FeedResult result = FeedInPieces(stream, piece);
    EXPECT_EQ(result.refusal, -1) << piece;
    EXPECT_EQ(result.envelopes, (std::vector<std::string>{first, "", second})) << piece;
    EXPECT_EQ(result.kinds, (std::vector<uint8_t>{1, 2, 1})) << piece;
  }
  // A frame's last byte completes it even when the next frame's bytes are already there.
  FrameReader reader;
  const std::string frame = MessageFrame(second);
  size_t asked = 0;
  while (reader.Wanted() > 0) {
    const size_t take = reader.Wanted();
    reader.Feed(reinterpret_cast<const uint8_t*>(frame.data()) + asked, take);
    asked += take;
  }
  EXPECT_EQ(asked, frame.size());
  EXPECT_FALSE(reader.InFrame());
}

TEST(WexoFrameTest, BadHeadersAreRefusedBeforeAnyRoomIsMade) {
  EXPECT_EQ(FeedInPieces(FrameHeader(1, 0x80000000u) + "xx", 64).refusal, 3);
  EXPECT_EQ(FeedInPieces(FrameHeader(1, 0x80000000u), 64).consumed, 12u);
  EXPECT_EQ(FeedInPieces(FrameHeader(1, wexo::kMaxEnvelopeLength + 1), 64).refusal, 3);
  EXPECT_EQ(FeedInPieces("XEXO" + FrameHeader(1, 0).substr(4), 64).refusal, 4);
  EXPECT_EQ(FeedInPieces(FrameHeader(0, 0), 64).refusal, 4);
  EXPECT_EQ(FeedInPieces(FrameHeader(2, 1) + "x", 64).refusal, 4);
  std::string reserved = FrameHeader(1, 0);
  reserved[7] = 1;
  EXPECT_EQ(FeedInPieces(reserved, 64).refusal, 4);

  // The body's room follows what arrives, not what the header promised.
  FrameReader reader;
  const std::string header = FrameHeader(1, wexo::kMaxEnvelopeLength);
  reader.Feed(reinterpret_cast<const uint8_t*>(header.data()), header.size());
  EXPECT_TRUE(reader.InFrame());
  EXPECT_LT(reader.envelope().capacity(), size_t{1024 * 1024});
}

TEST(WexoFrameTest, EnvelopesAreKeywordValuePairsWithCodeAndSender) {
  EXPECT_EQ(wexo::CheckEnvelope(Envelope("VER?")), 0);
  EXPECT_EQ(wexo::CheckEnvelope("SIGN\x0BZPHA\x0BMSSG\x0BVER?"), 0);
  EXPECT_EQ(wexo::CheckEnvelope("MSSG\x0B\x0BSIGN\x0B"), 0) << "empty values are values";
  // A keyword inside a value is only a value.
  EXPECT_EQ(wexo::CheckEnvelope("MSSG\x0BSIGN\x0BXTRA\x0BMSSG"), 4);
  EXPECT_EQ(wexo::CheckEnvelope(std::string("MSSG\x0BVER?\x0BSIGN\x0BZP\0A", 19)), 4);
  EXPECT_EQ(wexo::CheckEnvelope("MSSG\x0BVER?\x0BSIGN\x0BZPHA\x0B"), 4);
  EXPECT_EQ(wexo::CheckEnvelope("MSSG\x0BVER?\x0BSIG\x0BZPHA"), 4);
  EXPECT_EQ(wexo::CheckEnvelope("MSSG\x0BVER?\x0BSIGN \x0BZPHA"), 4);
  EXPECT_EQ(wexo::CheckEnvelope("\x0BVER?\x0BSIGN\x0BZPHA"), 4);
  EXPECT_EQ(wexo::CheckEnvelope(""), 4);
}

}  // namespace
}  // namespace tlv
