// In-process measurements: the archive's CRC-32 against zlib's crc32, and the decompressing
// stream against zlib's own streaming inflate, both drained in pieces of 4096 bytes as
// extraction does.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "archive/ZLIBArchive.h"
#include "archive/ZlibStreams.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes& RandomBuffer() {
  static const Bytes data = [] {
    Bytes d(64 << 20);
    std::mt19937_64 random(42);
    for (std::size_t i = 0; i + 8 <= d.size(); i += 8) {
      const std::uint64_t v = random();
      for (int k = 0; k < 8; ++k) {
        d[i + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (8 * k));
      }
    }
    return d;
  }();
  return data;
}

// Text with the statistics of prose: words of a small vocabulary in a random order.
const Bytes& Text() {
  static const Bytes data = [] {
    static const char* const kWords[] = {"the ",   "archive ", "member ", "of ",    "rules ",
                                         "and ",   "Sun ",     "to ",     "file ",  "in ",
                                         "game ",  "a ",       "set ",    "data ",  "with ",
                                         "Quorin", ". ",       "\n",      "speed ", "is "};
    std::mt19937 random(7);
    std::string s;
    while (s.size() < (32u << 20)) {
      s += kWords[random() % 20];
      if (random() % 9 == 0) {
        s += std::to_string(random() % 10000) + " ";
      }
    }
    return Bytes(s.begin(), s.end());
  }();
  return data;
}

const Bytes& PackedText() {
  static const Bytes packed = [] {
    const Bytes& text = Text();
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    Bytes out(size);
    compress2(out.data(), &size, text.data(), static_cast<uLong>(text.size()), 9);
    out.resize(size);
    return out;
  }();
  return packed;
}

void BM_CalcCRC(benchmark::State& state) {
  TMemoryStream stream;
  stream.WriteBuffer(RandomBuffer().data(), RandomBuffer().size());
  TZLBArchive archive;
  for (auto _ : state) {
    benchmark::DoNotOptimize(archive.CalcCRC(stream, 0));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(RandomBuffer().size()));
}
BENCHMARK(BM_CalcCRC)->Unit(benchmark::kMillisecond);

void BM_ZlibCrc32(benchmark::State& state) {
  const Bytes& data = RandomBuffer();
  for (auto _ : state) {
    benchmark::DoNotOptimize(crc32(0L, data.data(), static_cast<uInt>(data.size())));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}
BENCHMARK(BM_ZlibCrc32)->Unit(benchmark::kMillisecond);

// The decompressing stream with the engine this build prefers (argument 1) or with zlib's
// (argument 0), read in pieces of 4096 bytes.
void BM_DecompressionStream(benchmark::State& state) {
  const Bytes& packed = PackedText();
  TMemoryStream source;
  source.WriteBuffer(packed.data(), packed.size());
  const archive::InflateEngineKind kind =
      state.range(0) != 0 ? archive::DefaultInflateEngine() : archive::InflateEngineKind::kZlib;
  std::uint8_t piece[4096];
  for (auto _ : state) {
    source.SetPosition(0);
    TDecompressionStream stream(source, nullptr, kind);
    std::size_t total = 0;
    for (std::size_t got = 0; (got = stream.Read(piece, sizeof piece)) > 0;) {
      total += got;
    }
    if (total != Text().size()) {
      state.SkipWithError("wrong size");
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Text().size()));
}
BENCHMARK(BM_DecompressionStream)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// zlib's streaming inflate on its own: 64 KiB of input at a time, 4096 bytes of output.
void BM_ZlibInflate(benchmark::State& state) {
  const Bytes& packed = PackedText();
  std::uint8_t piece[4096];
  for (auto _ : state) {
    z_stream z{};
    inflateInit(&z);
    std::size_t offset = 0;
    std::size_t total = 0;
    int result = Z_OK;
    while (result != Z_STREAM_END) {
      if (z.avail_in == 0) {
        const std::size_t n = std::min<std::size_t>(65536, packed.size() - offset);
        z.next_in = const_cast<Bytef*>(packed.data() + offset);
        z.avail_in = static_cast<uInt>(n);
        offset += n;
      }
      z.next_out = piece;
      z.avail_out = sizeof piece;
      result = inflate(&z, Z_NO_FLUSH);
      if (result < 0) {
        break;
      }
      total += sizeof piece - z.avail_out;
    }
    inflateEnd(&z);
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Text().size()));
}
BENCHMARK(BM_ZlibInflate)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
