// Little-endian field readers and the growable byte buffer of the help-file filter.
#pragma once

#include <stdint.h>

#include "HlpState.h"

namespace scrivtar::hlp {

inline uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int16_t LeS16(const uint8_t* p) {
  return static_cast<int16_t>(Le16(p));
}
inline int32_t LeS32(const uint8_t* p) {
  return static_cast<int32_t>(Le32(p));
}

template <typename T>
constexpr T Min(T a, T b) {
  return a < b ? a : b;
}
template <typename T>
constexpr T Max(T a, T b) {
  return a < b ? b : a;
}

// Makes room for `extra` more bytes; false when memory runs out.
bool Reserve(ByteBuffer& buffer, uint64_t extra);
bool Append(ByteBuffer& buffer, const uint8_t* bytes, uint32_t count);
void Release(ByteBuffer& buffer);

}  // namespace scrivtar::hlp

// Propagates a non-zero result code.
#define HLP_TRY(expression)                 \
  do {                                      \
    const int32_t hlpResult = (expression); \
    if (hlpResult != 0) return hlpResult;   \
  } while (0)
