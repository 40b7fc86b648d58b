// Fast scanning for runs of printable ASCII (0x20..0x7F): the characters every output step
// passes on unchanged, whatever the code page, line-break style or clean-up table. The text
// walkers hand such runs on in one piece and take the character-by-character road only for
// the rest (controls, line ends, non-ASCII).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scrivtar {

inline bool IsPlainUnit(uint32_t c) {
  return c >= 0x20 && c < 0x80;
}

// The length of the leading run of plain bytes in p[0..n).
inline size_t PlainBytePrefix(const uint8_t* p, size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  // As signed bytes, exactly 0x20..0x7F are greater than 0x1F.
  const __m128i limit = _mm_set1_epi8(0x1F);
  for (; i + 16 <= n; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    auto mask = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi8(v, limit)));
    if (mask != 0xFFFF) return i + static_cast<size_t>(std::countr_one(mask));
  }
#endif
  while (i < n && IsPlainUnit(p[i])) ++i;
  return i;
}

// The length of the leading run of plain UTF-16LE units in the units stored at p (2 * units
// bytes, any alignment).
inline size_t PlainUnitPrefix(const uint8_t* p, size_t units) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i low = _mm_set1_epi16(0x1F);
  const __m128i high = _mm_set1_epi16(0x80);
  for (; i + 8 <= units; i += 8) {
    // Loaded as little-endian 16-bit lanes; units from 0x8000 are negative and fail the first test.
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * i));
    __m128i plain = _mm_and_si128(_mm_cmpgt_epi16(v, low), _mm_cmplt_epi16(v, high));
    auto mask = static_cast<uint32_t>(_mm_movemask_epi8(plain));
    if (mask != 0xFFFF) return i + static_cast<size_t>(std::countr_one(mask)) / 2;
  }
#endif
  while (i < units && IsPlainUnit(static_cast<uint32_t>(p[2 * i] | (p[2 * i + 1] << 8)))) ++i;
  return i;
}

// Narrows n plain UTF-16LE units to bytes, or widens n plain bytes to UTF-16LE units.
inline void NarrowPlainUnits(const uint8_t* units, size_t n, uint8_t* out) {
  for (size_t i = 0; i < n; ++i) out[i] = units[2 * i];
}
inline void WidenPlainBytes(const uint8_t* bytes, size_t n, uint8_t* out) {
  for (size_t i = 0; i < n; ++i) {
    out[2 * i] = bytes[i];
    out[2 * i + 1] = 0;
  }
}

}  // namespace scrivtar
