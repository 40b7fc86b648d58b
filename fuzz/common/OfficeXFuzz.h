// Shared body of the Office Open XML fuzz targets: arbitrary bytes as a package file through
// one entry point. No crash, no hang, no out-of-bounds read; only exceptions derived from
// std::exception may leave the entry point.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "ooxml/OfficeXCvt.h"

namespace scrivtar::fuzz {

using OfficeXEntryPoint = int32_t (*)(OfficeXWork&, const std::filesystem::path&, int32_t,
                                      OutputBlock&, int32_t);

inline int ConvertPackageBytes(OfficeXEntryPoint convert, const char* extension,
                               const uint8_t* data, size_t size) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("fuzz_" + std::string(extension) + "_" + std::to_string(getpid()) + "." + extension);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  // Fresh work objects for every input: the directory cache is keyed by path and file time,
  // which stay the same from one input to the next.
  OfficeXWork work;
  OutputBlock block;
  try {
    // A package that converts is converted again: the second time from the cached directory,
    // into UTF-16.
    if (convert(work, path, 0, block, 65001) >= 0) convert(work, path, 0, block, 1200);
  } catch (const std::exception&) {
    // A truncated part or a number that is not an integer: reported by the front end.
  }
  return 0;
}

}  // namespace scrivtar::fuzz
