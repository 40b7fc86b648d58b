// Feeds arbitrary bytes to the .pptx converter as a package file: no crash, no hang, no
// out-of-bounds read; only exceptions derived from std::exception may leave the entry point.
#include <unistd.h>

#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "OfficeXCvt.h"

namespace {

const std::filesystem::path& InputPath() {
  static const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("fuzz_pptx_" + std::to_string(getpid()) + ".pptx");
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    std::ofstream out(InputPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  // Fresh work objects for every input: the directory cache is keyed by path and file time,
  // which stay the same from one input to the next.
  scrivtar::OfficeXWork work;
  scrivtar::OutputBlock block;
  try {
    // A package that converts is converted again: the second time from the cached directory,
    // into UTF-16.
    if (scrivtar::ConvertPptx(work, InputPath(), 0, block, 65001) >= 0) {
      scrivtar::ConvertPptx(work, InputPath(), 0, block, 1200);
    }
  } catch (const std::exception&) {
    // A truncated part or a number that is not an integer: reported by the front end.
  }
  return 0;
}
