// Many small files converted in one process, through one engine, as a batch run converts a
// folder: what each file costs once process start-up is out of the picture. The folder comes
// from SCRIVTAR_BATCH_DIR (bench/doc.sh, bench/ppt.sh and bench/ooxml.sh set it to their folder
// of 1,000 small files); the type of each file is its upper-cased extension. Every file is
// converted to UTF-8 and the text is dropped.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "scrivtar/Convert.h"
#include "scrivtar/Engine.h"

namespace {

std::vector<std::filesystem::path> FilesOf(const char* folder) {
  std::vector<std::filesystem::path> files;
  if (folder == nullptr) return files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string TypeOf(const std::filesystem::path& file) {
  std::string type = file.extension().string();
  if (!type.empty()) type.erase(0, 1);
  for (char& c : type) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return type;
}

void BM_ConvertFolder(benchmark::State& state) {
  const std::vector<std::filesystem::path> files = FilesOf(std::getenv("SCRIVTAR_BATCH_DIR"));
  if (files.empty()) {
    state.SkipWithError("set SCRIVTAR_BATCH_DIR to a folder of documents");
    return;
  }
  scrivtar::Engine engine;
  scrivtar::OutputBlock block;
  scrivtar::ConversionOptions options;
  int64_t failed = 0;
  for (auto _ : state) {
    for (const auto& file : files) {
      int32_t result = scrivtar::ConvertByType(engine, TypeOf(file), file, block, 65001, options);
      failed += result < 0;
      benchmark::DoNotOptimize(block.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(files.size()));
  state.counters["files"] = static_cast<double>(files.size());
  state.counters["failed"] = static_cast<double>(failed);
}
BENCHMARK(BM_ConvertFolder)->Unit(benchmark::kMillisecond);

}  // namespace
