// The zip reader and the XML reader on a large package (bench/make_zipxml_inputs.py writes it;
// SCRIVTAR_BENCH_PACKAGE names another). Compare BM_InflateAllParts with the floor
// `unzip -p package > /dev/null` (bench/zipxml.sh runs both).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "xml/ECXMLParser.h"
#include "zip/VCLUnZip.h"

namespace {

std::filesystem::path Package() {
  const char* env = std::getenv("SCRIVTAR_BENCH_PACKAGE");
  return env ? std::filesystem::path(env)
             : std::filesystem::path("build/bench-inputs/big_sheet.xlsx");
}

double PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_InflateAllParts(benchmark::State& state) {
  scrivtar::TVCLUnZip zip;
  zip.SetZipName(Package());
  zip.ReadDirectory();
  if (zip.EntryCount() == 0) {
    state.SkipWithError("no package: run bench/make_zipxml_inputs.py");
    return;
  }
  size_t bytes = 0;
  std::string part;
  for (auto _ : state) {
    for (int i = 0; i < zip.EntryCount(); ++i) {
      part.clear();
      part.shrink_to_fit();
      zip.ExtractToStream(part, zip.Entry(i).StoredPath());
      bytes += part.size();
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["peak_rss_mb"] = PeakRssMb();
}
BENCHMARK(BM_InflateAllParts)->Unit(benchmark::kMillisecond);

std::string LargestPart(std::string* name) {
  scrivtar::TVCLUnZip zip;
  zip.SetZipName(Package());
  zip.ReadDirectory();
  int best = -1;
  for (int i = 0; i < zip.EntryCount(); ++i) {
    if (best < 0 || zip.Entry(i).uncompressedSize > zip.Entry(best).uncompressedSize) best = i;
  }
  std::string part;
  if (best >= 0) {
    *name = zip.Entry(best).StoredPath();
    zip.ExtractToStream(part, *name);
  }
  return part;
}

// The tree of the largest part, taken over without a copy as the extractor does.
void BM_XmlTreeBuild(benchmark::State& state) {
  std::string name;
  const std::string part = LargestPart(&name);
  if (part.empty()) {
    state.SkipWithError("no package: run bench/make_zipxml_inputs.py");
    return;
  }
  scrivtar::TECXMLParser parser;
  size_t items = 0, memory = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::string copy = part;
    state.ResumeTiming();
    parser.LoadFromBuffer(std::move(copy));
    items = parser.ItemCount();
    memory = parser.MemoryUsage();
    benchmark::DoNotOptimize(parser.RootItem().Count());
  }
  state.SetBytesProcessed(static_cast<int64_t>(part.size() * state.iterations()));
  state.counters["part_mb"] = static_cast<double>(part.size()) / (1 << 20);
  state.counters["items"] = static_cast<double>(items);
  state.counters["tree_mb"] = static_cast<double>(memory) / (1 << 20);
  state.counters["peak_rss_mb"] = PeakRssMb();
  state.SetLabel(name);
}
BENCHMARK(BM_XmlTreeBuild)->Unit(benchmark::kMillisecond);

}  // namespace
