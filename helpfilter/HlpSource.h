// The filter's only way to its source: absolute seeks and exact reads through the stream
// record's callbacks, checked against the source size first.
#pragma once

#include <stdint.h>

#include "HlpState.h"

namespace scrivtar::hlp {

// Reads exactly `count` bytes at the current position: 1003 beyond the source size (no
// callback), a callback's own error as it is, 1001 when fewer bytes came.
int32_t ReadSource(HlpConverter& converter, void* destination, uint32_t count);
// Positions at `offset` from the start: 1003 beyond the source size (no callback).
int32_t SeekSource(HlpConverter& converter, uint32_t offset);
// Bytes between the current position and the end of the source.
inline uint32_t BytesLeft(const HlpConverter& converter) {
  return converter.position < converter.fileSize ? converter.fileSize - converter.position : 0;
}

}  // namespace scrivtar::hlp
