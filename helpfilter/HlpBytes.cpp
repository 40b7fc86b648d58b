#include "HlpBytes.h"

#include <stdlib.h>
#include <string.h>

namespace scrivtar::hlp {

bool Reserve(ByteBuffer& buffer, uint64_t extra) {
  const uint64_t needed = static_cast<uint64_t>(buffer.size) + extra;
  if (needed <= buffer.capacity) return true;
  if (needed > UINT32_MAX) return false;
  uint64_t capacity = buffer.capacity != 0 ? buffer.capacity : 4096;
  while (capacity < needed) capacity *= 2;
  if (capacity > UINT32_MAX) capacity = UINT32_MAX;
  void* grown = realloc(buffer.data, capacity);
  if (grown == nullptr) return false;
  buffer.data = static_cast<uint8_t*>(grown);
  buffer.capacity = static_cast<uint32_t>(capacity);
  return true;
}

bool Append(ByteBuffer& buffer, const uint8_t* bytes, uint32_t count) {
  if (!Reserve(buffer, count)) return false;
  if (count != 0) memcpy(buffer.data + buffer.size, bytes, count);
  buffer.size += count;
  return true;
}

void Release(ByteBuffer& buffer) {
  free(buffer.data);
  buffer.data = nullptr;
  buffer.size = buffer.capacity = 0;
}

}  // namespace scrivtar::hlp
