// The fast inflater must give exactly what zlib gives: the same bytes, and the same refusals,
// for intact, damaged and truncated streams alike.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "archive/ZlibStreams.h"
#include "platform/HostEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestData.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Deflated(const std::string& content, int level) {
  uLongf size = compressBound(static_cast<uLong>(content.size()));
  Bytes out(size);
  EXPECT_EQ(compress2(out.data(), &size, reinterpret_cast<const Bytef*>(content.data()),
                      static_cast<uLong>(content.size()), level),
            Z_OK);
  out.resize(size);
  return out;
}

// What a reader gets that asks for expected bytes in pieces of 4096, as extraction does: the
// bytes obtained, and whether the stream refused.
struct Outcome {
  Bytes bytes;
  bool refused = false;
  bool operator==(const Outcome&) const = default;
};

Outcome Inflated(const Bytes& file, std::size_t expected, archive::InflateEngineKind kind) {
  platform::HostEnv env;
  TMemoryStream source;
  source.WriteBuffer(file.data(), file.size());
  source.SetPosition(0);
  TDecompressionStream stream(source, &env, kind);
  Outcome outcome;
  std::uint8_t piece[4096];
  try {
    while (outcome.bytes.size() < expected) {
      const std::size_t asked = std::min(sizeof piece, expected - outcome.bytes.size());
      const std::size_t got = stream.Read(piece, asked);
      outcome.bytes.insert(outcome.bytes.end(), piece, piece + got);
      if (got < asked) {
        break;
      }
    }
  } catch (const EZlibError&) {
    outcome.refused = true;
  }
  return outcome;
}

// Text of words and numbers in a fixed random order: dynamic Huffman blocks with varied
// trees, long and short matches.
std::string Text(std::size_t size) {
  static const char* const kWords[] = {
      "Tiberian", "Sun", "rules", "[General]", "Speed=", "\n", "the", "of", "Quorin", "0x"};
  std::mt19937 random(7);
  std::string s;
  while (s.size() < size) {
    s += kWords[random() % 10];
    s += random() % 3 == 0 ? std::to_string(random() % 1000) : " ";
  }
  return s.substr(0, size);
}

struct Sample {
  std::string name;
  std::string content;
  Bytes file;        // the zlib stream and, behind it, bytes that belong to something else
  std::size_t step;  // every how many positions to damage
};

std::vector<Sample> Samples() {
  std::vector<Sample> samples;
  const auto add = [&](const std::string& name, const std::string& content, int level,
                       std::size_t step) {
    Bytes file = Deflated(content, level);
    const std::string behind = "registry and trailer behind the member";
    file.insert(file.end(), behind.begin(), behind.end());
    samples.push_back({name, content, file, step});
  };
  add("text", Text(20000), 9, 1);
  add("noise", Noise(5000), 1, 1);
  add("stored blocks", Noise(70000), 0, 31);
  add("mixed", Text(100000) + Noise(20000) + std::string(30000, 'z'), 6, 97);
  add("empty", "", 9, 1);
  return samples;
}

void ExpectSame(const Bytes& file, std::size_t expected, const std::string& what) {
  const Outcome reference = Inflated(file, expected, archive::InflateEngineKind::kZlib);
  const Outcome fast = Inflated(file, expected, archive::InflateEngineKind::kIsal);
  ASSERT_TRUE(fast == reference) << what << ": zlib " << (reference.refused ? "refused" : "gave")
                                 << " " << reference.bytes.size() << " bytes, the fast engine "
                                 << (fast.refused ? "refused" : "gave") << " " << fast.bytes.size();
}

class InflateEngines : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!archive::HasInflateEngine(archive::InflateEngineKind::kIsal)) {
      GTEST_SKIP() << "built without the fast inflater";
    }
  }
};

TEST_F(InflateEngines, AgreeOnEverySingleByteDamageAndTruncation) {
  for (const Sample& sample : Samples()) {
    SCOPED_TRACE(sample.name);
    const std::size_t size = sample.content.size();
    ExpectSame(sample.file, size, "intact");
    ASSERT_EQ(Inflated(sample.file, size, archive::InflateEngineKind::kIsal).bytes,
              Bytes(sample.content.begin(), sample.content.end()));
    const std::size_t streamEnd = sample.file.size() - 38;
    for (std::size_t position = 0; position < sample.file.size(); position += sample.step) {
      for (const std::uint8_t flip : {std::uint8_t{0xFF}, std::uint8_t(1u << (position % 8))}) {
        Bytes damaged = sample.file;
        damaged[position] ^= flip;
        ExpectSame(damaged, size,
                   "byte " + std::to_string(position) + " ^ " + std::to_string(flip));
      }
      ExpectSame(Bytes(sample.file.begin(), sample.file.begin() + static_cast<long>(position)),
                 size, "cut at " + std::to_string(position));
    }
    // The Adler-32 trailer, damaged byte by byte, also when the reader asks for more.
    for (std::size_t position = streamEnd - 4; position < streamEnd; ++position) {
      Bytes damaged = sample.file;
      damaged[position] ^= 0x01;
      ExpectSame(damaged, size, "Adler-32 byte " + std::to_string(position));
      ExpectSame(damaged, size + 100, "Adler-32 byte, reading past the end");
    }
  }
}

TEST_F(InflateEngines, AgreeOnAFuzzCorpus) {
  const std::vector<Sample> samples = Samples();
  std::mt19937 random(20261208);
  for (int round = 0; round < 3000; ++round) {
    const Sample& sample = samples[random() % samples.size()];
    Bytes file = sample.file;
    const int changes = 1 + static_cast<int>(random() % 6);
    for (int i = 0; i < changes; ++i) {
      const std::size_t at = random() % file.size();
      switch (random() % 4) {
        case 0:
          file[at] = static_cast<std::uint8_t>(random());
          break;
        case 1:
          file.erase(file.begin() + static_cast<long>(at));
          break;
        case 2:
          file.insert(file.begin() + static_cast<long>(at), static_cast<std::uint8_t>(random()));
          break;
        default:  // random bytes after an intact header
          for (std::size_t k = 2; k < file.size() && k < 40; ++k) {
            file[k] = static_cast<std::uint8_t>(random());
          }
      }
    }
    // Readers ask for the size the archive records, which damage may make wrong.
    const std::size_t expected = sample.content.size() + (random() % 3 == 0 ? 5000 : 0);
    ExpectSame(file, expected, "round " + std::to_string(round));
  }
}

// Streams the fuzzer found, each with the size the archive around it asked for.
TEST_F(InflateEngines, AgreeOnStreamsTheFuzzerFound) {
  struct Found {
    const char* file;
    std::size_t expected;
  };
  // The registry of 301 records of an archive; at the end of its read-ahead buffer the fast
  // engine counted more output than the room it had.
  const Found found[] = {{"isal-runs-past-its-room.zlib", 301 * 532}};
  for (const Found& f : found) {
    const std::string bytes =
        ReadHostFile(std::string(QUORIN_SOURCE_DIR) + "/tests/archive/data/" + f.file);
    ExpectSame(Bytes(bytes.begin(), bytes.end()), f.expected, f.file);
  }
}

}  // namespace
