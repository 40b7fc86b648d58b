// The help-file filter driven through its four exports over a memory stream record. The input is
// the whole source; it is converted twice, with a full buffer and with a small one, and both
// must give the same bytes.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "ScrHlp.h"

namespace {

struct MemorySource {
  ScrStreamRecord record{};
  const uint8_t* data;
  uint32_t size;
  uint32_t position = 0;
};

MemorySource& Of(ScrStreamRecord* record) {
  return *static_cast<MemorySource*>(record->source);
}

int32_t GetSize(ScrStreamRecord* record, uint32_t* low, uint32_t* high) {
  *low = Of(record).size;
  *high = 0;
  return 0;
}

int32_t Seek(ScrStreamRecord* record, int32_t* offset, void*, int32_t origin) {
  MemorySource& source = Of(record);
  int64_t target = *offset;
  if (origin == 1) target += source.position;
  if (origin == 2) target += source.size;
  source.position = static_cast<uint32_t>(std::clamp<int64_t>(target, 0, source.size));
  return 0;
}

int32_t Read(ScrStreamRecord* record, void* buffer, uint32_t count, int32_t* got) {
  MemorySource& source = Of(record);
  const uint32_t n = std::min(count, source.size - source.position);
  memcpy(buffer, source.data + source.position, n);
  source.position += n;
  *got = static_cast<int32_t>(n);
  return 0;
}

std::string Convert(const uint8_t* data, size_t size, uint32_t bufferSize) {
  MemorySource source;
  source.data = data;
  source.size = static_cast<uint32_t>(size);
  source.record.recordSize = sizeof(ScrStreamRecord);
  source.record.source = &source;
  source.record.getSize = &GetSize;
  source.record.seek = &Seek;
  source.record.read = &Read;
  std::string text;
  if (CreateConverter(&source.record) == 0) {
    std::vector<char> buffer(bufferSize);
    uint32_t count = 0;
    // Records do not overlap, so without phrases the text is at most a few times the input
    // (UTF-8 of 8-bit text, CR LF for one-byte commands); a phrase code may stand for up to
    // 65,536 bytes of one record. A bound keeps a runaway walk visible.
    const bool phrases = memmem(data, size, "|Phr", 4) != nullptr;
    const size_t bound = phrases ? 3 * 65536 * (size / 21 + 2) : 8 * size + 65536;
    while (ReadConverter(&source.record, buffer.data(), bufferSize, &count) == 0 && count > 0) {
      if (count > bufferSize || text.size() > bound) abort();
      text.append(buffer.data(), count);
    }
    if (ReadConverter(&source.record, buffer.data(), bufferSize, &count) != 0 || count != 0) {
      // After the end only 0 bytes (or the same error again) may come.
      if (count != 0) abort();
    }
  }
  if (CloseConverter(&source.record) != 0 || source.record.filterState != nullptr) abort();
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string whole = Convert(data, size, 65536);
  const uint32_t small = size > 0 ? 1 + data[size - 1] % 97 : 1;
  if (Convert(data, size, small) != whole) abort();
  return 0;
}
