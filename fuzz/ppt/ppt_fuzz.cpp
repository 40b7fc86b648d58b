// Fuzzes the PowerPoint extractor on its two streams, without the compound document around them
// (the container reader has its own target). Input: a 32-bit little-endian length n, then n
// bytes of "Current User", then the "PowerPoint Document" stream. A length beyond the input
// stands for a file without "Current User"; an input shorter than 4 bytes for one without
// either stream.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/VtCvtBase.h"
#include "ppt/VtPptCvt.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace scrivtar;
  PptStreams streams;
  if (size >= 4) {
    uint32_t n = data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
    std::span<const uint8_t> rest(data + 4, size - 4);
    if (n <= rest.size()) {
      streams.currentUser = rest.first(n);
      streams.document = rest.subspan(n);
    } else {
      streams.document = rest;
    }
  }
  std::u16string text;
  int32_t result = ExtractPptText(streams, text);
  if (result >= 0) {
    if (static_cast<size_t>(result) != text.size() * 2) __builtin_trap();
    OutputBlock block;
    OutputUtf16Text(text, kCrLf, 65001, block);
  }
  return 0;
}
