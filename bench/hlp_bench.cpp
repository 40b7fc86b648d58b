// scrhlp on a large halibut-made help file, through the four exports over a memory stream
// record, as the host reads it (65,536-byte buffers). The input comes from bench/hlp.sh, which
// generates it; its path is in SCRHLP_BENCH_HLP. Throughput counts the UTF-8 text produced.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ScrHlp.h"

namespace {

struct MemorySource {
  ScrStreamRecord record{};
  const std::string* data;
  uint32_t position = 0;
};

MemorySource& Of(ScrStreamRecord* record) {
  return *static_cast<MemorySource*>(record->source);
}

int32_t GetSize(ScrStreamRecord* record, uint32_t* low, uint32_t* high) {
  *low = static_cast<uint32_t>(Of(record).data->size());
  *high = 0;
  return 0;
}
int32_t Seek(ScrStreamRecord* record, int32_t* offset, void*, int32_t) {
  Of(record).position = static_cast<uint32_t>(*offset);
  return 0;
}
int32_t Read(ScrStreamRecord* record, void* buffer, uint32_t count, int32_t* got) {
  MemorySource& source = Of(record);
  const uint32_t n =
      std::min<uint32_t>(count, static_cast<uint32_t>(source.data->size()) - source.position);
  std::memcpy(buffer, source.data->data() + source.position, n);
  source.position += n;
  *got = static_cast<int32_t>(n);
  return 0;
}

void BM_ScrhlpLargeHelpFile(benchmark::State& state) {
  const char* path = std::getenv("SCRHLP_BENCH_HLP");
  std::ifstream file(path != nullptr ? path : "", std::ios::binary);
  if (!file) {
    state.SkipWithError("set SCRHLP_BENCH_HLP (bench/hlp.sh generates the input)");
    return;
  }
  const std::string data((std::istreambuf_iterator<char>(file)), {});
  std::vector<char> buffer(65536);
  int64_t textBytes = 0;
  for (auto _ : state) {
    MemorySource source;
    source.data = &data;
    source.record.recordSize = sizeof(ScrStreamRecord);
    source.record.source = &source;
    source.record.getSize = &GetSize;
    source.record.seek = &Seek;
    source.record.read = &Read;
    int64_t produced = 0;
    if (CreateConverter(&source.record) == 0) {
      uint32_t count = 0;
      while (ReadConverter(&source.record, buffer.data(), 65536, &count) == 0 && count > 0) {
        produced += count;
      }
    }
    CloseConverter(&source.record);
    benchmark::DoNotOptimize(produced);
    textBytes += produced;
  }
  state.SetBytesProcessed(textBytes);
  state.counters["input_MB"] = static_cast<double>(data.size()) / 1e6;
}
BENCHMARK(BM_ScrhlpLargeHelpFile)->Unit(benchmark::kMillisecond);

}  // namespace
