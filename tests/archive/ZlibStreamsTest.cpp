#include <gtest/gtest.h>
#include <zlib.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "archive/ZlibStreams.h"
#include "platform/HostEnv.h"
#include "tests/support/RecordingEnv.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes RandomBytes(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  Bytes data(count);
  for (auto& b : data) {
    b = static_cast<std::uint8_t>(random());
  }
  return data;
}

Bytes TextBytes(std::size_t count) {
  const std::string words = "Tiberian Sun rules.ini [General] Speed=5 ";
  Bytes data(count);
  for (std::size_t i = 0; i < count; ++i) {
    data[i] = static_cast<std::uint8_t>(words[(i * 7 + i / 13) % words.size()]);
  }
  return data;
}

Bytes ZlibCompress(const Bytes& data) {
  uLongf size = compressBound(data.size());
  Bytes out(size);
  EXPECT_EQ(compress2(out.data(), &size, data.data(), data.size(), 6), Z_OK);
  out.resize(size);
  return out;
}

// Inflates with zlib itself; expects packed to be exactly one complete zlib stream.
Bytes ZlibUncompress(const Bytes& packed, std::size_t size) {
  Bytes out(size + 1);
  uLongf outSize = out.size();
  uLong inSize = packed.size();
  EXPECT_EQ(uncompress2(out.data(), &outSize, packed.data(), &inSize), Z_OK);
  EXPECT_EQ(inSize, packed.size());
  out.resize(outSize);
  return out;
}

// The zlib streams of first and second back to back; secondAt tells where the second begins.
Bytes TwoZlibStreams(const Bytes& first, const Bytes& second, std::int64_t& secondAt) {
  Bytes file = ZlibCompress(first);
  secondAt = static_cast<std::int64_t>(file.size());
  const Bytes packed = ZlibCompress(second);
  file.insert(file.end(), packed.begin(), packed.end());
  return file;
}

TMemoryStream StreamOf(const Bytes& data) {
  TMemoryStream stream;
  stream.WriteBuffer(data.data(), data.size());
  stream.SetPosition(0);
  return stream;
}

Bytes ReadAll(TDecompressionStream& stream, std::size_t piece = 4096) {
  Bytes out(piece);
  for (std::size_t n = 0; (n = stream.Read(out.data() + out.size() - piece, piece)) == piece;) {
    out.resize(out.size() + piece);
  }
  out.resize(static_cast<std::size_t>(stream.Position()));
  return out;
}

template <typename Error, typename Action>
void ExpectFailure(Action action, const char* message) {
  try {
    action();
    ADD_FAILURE() << "expected a failure with \"" << message << "\"";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), message);
  }
}

}  // namespace

TEST(ZlibStreams, RoundTripAtEachLevelGivesValidZlibStreams) {
  platform::HostEnv env;
  const Bytes data = TextBytes(300000);
  // The second header byte tells the level zlib was given: 0 and 1, 6 (its default), 9.
  const std::map<TFileCompressionLevel, std::uint8_t> levelByte = {
      {fcNone, 0x01}, {fcFastest, 0x01}, {fcDefault, 0x9C}, {fcMaximum, 0xDA}};
  for (TFileCompressionLevel level : {fcNone, fcFastest, fcDefault, fcMaximum}) {
    TMemoryStream dest;
    {
      TCompressionStream stream(level, dest);
      for (std::size_t offset = 0; offset < data.size(); offset += 10007) {
        stream.WriteBuffer(&data[offset], std::min<std::size_t>(10007, data.size() - offset));
      }
      EXPECT_EQ(stream.Position(), 300000) << "position = bytes consumed";
    }
    EXPECT_EQ(dest.Bytes()[0], 0x78) << "deflate with a 32 KB window";
    EXPECT_EQ(dest.Bytes()[1], levelByte.at(level)) << level;
    EXPECT_EQ(dest.Size() > 300000, level == fcNone);
    EXPECT_EQ(ZlibUncompress(dest.Bytes(), data.size()), data);
    dest.SetPosition(0);
    TDecompressionStream stream(dest, &env);
    EXPECT_EQ(ReadAll(stream), data);
  }
  TMemoryStream empty;
  { TCompressionStream stream(fcDefault, empty); }
  EXPECT_TRUE(ZlibUncompress(empty.Bytes(), 0).empty());
}

TEST(ZlibStreams, CompressionReportsProgressOnlyForFullBuffersAndFinishesOnce) {
  TMemoryStream dest;
  std::vector<std::int64_t> sizesSeen;
  TCompressionStream stream(fcMaximum, dest);
  stream.OnProgress = [&](TObject* sender) {
    EXPECT_EQ(sender, &stream);
    sizesSeen.push_back(dest.Size());
  };
  const Bytes data = RandomBytes(200 * 1024, 2);
  stream.WriteBuffer(data.data(), 60000);
  EXPECT_EQ(dest.Size(), 0) << "output waits in the buffer";
  stream.WriteBuffer(&data[60000], data.size() - 60000);
  stream.Finish();
  EXPECT_EQ(sizesSeen, (std::vector<std::int64_t>{65536, 131072, 196608}));
  const std::int64_t finished = dest.Size();
  stream.Finish();
  EXPECT_EQ(dest.Size(), finished);
  EXPECT_EQ(ZlibUncompress(dest.Bytes(), data.size()), data);

  std::uint8_t byte = 0;
  const char* invalid = "Invalid stream operation";
  ExpectFailure<ECompressionError>([&] { stream.Size(); }, invalid);
  ExpectFailure<ECompressionError>([&] { stream.Read(&byte, 1); }, invalid);
  ExpectFailure<ECompressionError>([&] { stream.Seek(1, TSeekOrigin::soCurrent); }, invalid);
  ExpectFailure<ECompressionError>([&] { stream.Seek(0, TSeekOrigin::soBeginning); }, invalid);
}

TEST(ZlibStreams, OtherUsersMayMoveTheBaseStreamBetweenCalls) {
  platform::HostEnv env;
  const Bytes data = RandomBytes(300000, 3);
  TMemoryStream file;
  file.WriteBuffer("HEAD", 4);
  {
    TCompressionStream stream(fcFastest, file);
    for (std::size_t offset = 0; offset < data.size(); offset += 25000) {
      stream.WriteBuffer(&data[offset], 25000);
      file.SetPosition(1);
    }
  }
  file.SetPosition(4);
  TDecompressionStream stream(file, &env);
  Bytes out(data.size());
  for (std::size_t offset = 0; offset < data.size(); offset += 30000) {
    stream.ReadBuffer(&out[offset], 30000);
    file.SetPosition(2);
  }
  EXPECT_EQ(out, data);
  EXPECT_EQ(std::string(file.Bytes().begin(), file.Bytes().begin() + 4), "HEAD");
}

TEST(ZlibStreams, DecompressionStopsAtTheEndOfItsStream) {
  RecordingEnv env;
  const Bytes first = TextBytes(10000);
  const Bytes second = RandomBytes(3000, 4);
  std::int64_t secondAt = 0;
  const Bytes file = TwoZlibStreams(first, second, secondAt);
  TMemoryStream source = StreamOf(file);
  {
    TDecompressionStream stream(source, &env);
    Bytes out(3 * 4096);
    EXPECT_EQ(stream.Read(&out[0], 4096) + stream.Read(&out[4096], 4096), 8192u);
    EXPECT_EQ(stream.Read(&out[8192], 4096), 1808u) << "a short count at the end";
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 10000), first);
    const std::uint64_t beeps = env.beeps;
    EXPECT_GE(beeps, 3u) << "a beep for every inflation step";
    EXPECT_EQ(stream.Read(out.data(), 100), 0u);
    EXPECT_EQ(env.beeps, beeps) << "an ended stream inflates nothing more";
  }
  // The first stream read ahead into the second, which is still intact behind it.
  source.SetPosition(secondAt);
  TDecompressionStream stream(source, &env);
  EXPECT_EQ(ReadAll(stream, 1000), second);

  TMemoryStream truncated = StreamOf(Bytes(file.begin(), file.begin() + secondAt / 2));
  TDecompressionStream cut(truncated, &env);
  const Bytes part = ReadAll(cut);
  EXPECT_LT(part.size(), first.size());
  EXPECT_TRUE(std::equal(part.begin(), part.end(), first.begin()));
}

TEST(ZlibStreams, DamagedInputFailsWithErrorAndNeverHangs) {
  platform::HostEnv env;
  std::uint8_t buffer[100];
  TMemoryStream garbage = StreamOf(Bytes(1000, 0x12));
  TDecompressionStream bad(garbage, &env);
  ExpectFailure<ECompressionError>([&] { bad.Read(buffer, sizeof buffer); }, "error");
  // A stream that wants a preset dictionary can never make progress.
  TMemoryStream dictionary = StreamOf(Bytes{0x78, 0xBB, 0, 0, 0, 1, 0x4B, 0x04, 0});
  TDecompressionStream needsDictionary(dictionary, &env);
  ExpectFailure<ECompressionError>([&] { needsDictionary.Read(buffer, sizeof buffer); }, "error");

  const Bytes packed = ZlibCompress(TextBytes(3000));
  for (std::size_t i = 0; i < packed.size(); ++i) {
    Bytes damaged = packed;
    damaged[i] ^= static_cast<std::uint8_t>(1u << (i % 8));
    TMemoryStream source = StreamOf(damaged);
    TDecompressionStream stream(source, &env);
    try {
      ReadAll(stream, 1000);
    } catch (const EZlibError&) {
    }
  }
}

TEST(ZlibStreams, DecompressionSeeksForwardOrBackToTheStartOfTheSource) {
  platform::HostEnv env;
  const Bytes first = TextBytes(7000);
  const Bytes second = RandomBytes(20000, 9);
  std::int64_t secondAt = 0;
  const Bytes file = TwoZlibStreams(first, second, secondAt);
  TMemoryStream source = StreamOf(file);
  source.SetPosition(secondAt);
  TDecompressionStream stream(source, &env);

  std::uint8_t buffer[10];
  stream.ReadBuffer(buffer, 10);
  EXPECT_EQ(stream.Seek(5000, TSeekOrigin::soCurrent), 5010);
  EXPECT_EQ(stream.Seek(9000, TSeekOrigin::soBeginning), 9000);
  stream.ReadBuffer(buffer, 10);
  EXPECT_EQ(Bytes(buffer, buffer + 10), Bytes(&second[9000], &second[9010]));
  for (auto [offset, origin] : {std::pair{9010, TSeekOrigin::soBeginning},
                                {5, TSeekOrigin::soBeginning},
                                {-1, TSeekOrigin::soCurrent},
                                {0, TSeekOrigin::soEnd}}) {
    ExpectFailure<EDecompressionError>(
        [&, offset = offset, origin = origin] { stream.Seek(offset, origin); },
        "Invalid stream operation");
  }
  ExpectFailure<EDecompressionError>([&] { stream.Size(); }, "Invalid stream operation");
  ExpectFailure<EDecompressionError>([&] { stream.Write(buffer, 1); }, "Invalid stream operation");
  EXPECT_EQ(stream.Position(), 9010);
  ExpectFailure<EReadError>([&] { stream.Seek(20001, TSeekOrigin::soBeginning); },
                            "Stream read error");

  // Back to the beginning means the beginning of the source: the first stream.
  EXPECT_EQ(stream.Seek(0, TSeekOrigin::soBeginning), 0);
  EXPECT_EQ(ReadAll(stream), first);
}
