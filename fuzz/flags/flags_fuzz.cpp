// scrcmd's command line of any shape: NUL-separated arguments through the flag loop. The last
// two arguments are replaced by paths that cannot exist so that no file is touched.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "scrivtar/Engine.h"
#include "UnCmd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace scrivtar;
  std::vector<std::string> args(1);
  for (size_t i = 0; i < size && args.size() < 64; ++i) {
    if (data[i] == 0) {
      args.emplace_back();
    } else {
      args.back() += static_cast<char>(data[i]);
    }
  }
  RunSettings settings;
  for (const auto& a : args) ParseFlag(a, settings);
  if (args.size() >= 2) {
    args[args.size() - 2] = "/nonexistent-scrivtar-fuzz/source.doc";
    args[args.size() - 1] = "/nonexistent-scrivtar-fuzz/target.txt";
  }
  static Engine* engine = new Engine();  // one engine for the whole campaign
  std::FILE* sink = std::fopen("/dev/null", "wb");
  if (!sink) return 0;
  CommandLineConverter converter(*engine, sink);
  converter.RunCommandLine(args[0], std::vector<std::string>(args.begin() + 1, args.end()));
  std::fclose(sink);
  return 0;
}
