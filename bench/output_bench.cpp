// The output step on 100 MB of mixed UTF-8 text (Latin with accents, some Cyrillic and CJK,
// CR LF and LF line ends) for the main output code pages. Reports bytes of input per second.
#include <benchmark/benchmark.h>

#include <string>

#include "core/VtCvtBase.h"

namespace {

const std::string& MixedText() {
  static const std::string text = [] {
    const std::string line =
        "Der B\xC3\xA4r sa\xC3\x9F am Fl\xC3\xBC\xC3\x9F"
        "chen, caf\xC3\xA9 cr\xC3\xA8me \xE2\x80\x94 "
        "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE6\x97\xA5\xE6\x9C\xAC plain ASCII "
        "words "
        "fill most of a typical office document line.\r\n"
        "A second line ends with a bare line feed and has digits 1234567890.\n";
    std::string t;
    t.reserve(100 * 1024 * 1024 + line.size());
    while (t.size() < 100 * 1024 * 1024) t += line;
    return t;
  }();
  return text;
}

void OutputStep(benchmark::State& state) {
  const std::string& text = MixedText();
  const int32_t codePage = static_cast<int32_t>(state.range(0));
  scrivtar::OutputBlock block;
  for (auto _ : state) {
    int32_t n = scrivtar::OutputUtf8Text(text, true, scrivtar::kCrLf, codePage,
                                         scrivtar::Utf8Decoder::kLenient, block);
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}

}  // namespace

BENCHMARK(OutputStep)
    ->Arg(65001)
    ->Arg(1200)
    ->Arg(1252)
    ->Arg(932)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
