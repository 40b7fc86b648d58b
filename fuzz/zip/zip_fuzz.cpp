// The zip reader over arbitrary archive bytes: directory (end record search, extra-field
// tolerance, recovery scan) and the extraction of every entry it lists.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "zip/VCLUnZip.h"

namespace {

// One scratch archive per fuzzing process (the reader opens archives by path), in memory-backed
// /dev/shm when there is one: a disk file per input costs more than the reading.
const std::filesystem::path& ScratchArchive() {
  static const std::filesystem::path path = [] {
    std::error_code error;
    std::filesystem::path dir = std::filesystem::is_directory("/dev/shm", error)
                                    ? std::filesystem::path("/dev/shm")
                                    : std::filesystem::temp_directory_path();
    return dir / ("zip_fuzz_" + std::to_string(getpid()) + ".zip");
  }();
  return path;
}

void RemoveScratchArchive() {
  std::error_code error;
  std::filesystem::remove(ScratchArchive(), error);
}

void ReadEverything(scrivtar::TVCLUnZip& zip) {
  try {
    zip.ReadDirectory();
    std::string out;
    int count = zip.EntryCount();
    for (int i = 0; i < count && i < 64; ++i) {
      std::string name = zip.Entry(i).StoredPath();
      out.clear();
      try {
        zip.ExtractToStream(out, name);
      } catch (const scrivtar::EFatalUnzipError&) {
      }
    }
  } catch (const scrivtar::EZipError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& path = ScratchArchive();
  static const bool cleanupRegistered = std::atexit(RemoveScratchArchive) == 0;
  (void)cleanupRegistered;
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  scrivtar::TVCLUnZip zip;
  zip.SetZipName(path);
  ReadEverything(zip);
  scrivtar::TVCLUnZip rebuilt;  // no end record: rebuild from the local headers
  rebuilt.IncompleteZipMode = scrivtar::TIncompleteZipMode::izAssumeBad;
  rebuilt.SetZipName(path);
  ReadEverything(rebuilt);
  return 0;
}
