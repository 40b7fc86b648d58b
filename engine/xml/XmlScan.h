// Byte searches of the XML reader, inline: tags and names are short, so a library call per
// search costs more than the search itself.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scrivtar::xml {

// The first c in [p, end), or nullptr.
inline const char* FindByte(const char* p, const char* end, char c) {
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi8(c);
  for (; end - p >= 16; p += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    auto mask = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, wanted)));
    if (mask != 0) return p + std::countr_zero(mask);
  }
#endif
  return static_cast<const char*>(std::memchr(p, c, static_cast<size_t>(end - p)));
}

// The number of c in [p, end).
inline size_t CountByte(const char* p, const char* end, char c) {
  size_t count = 0;
#if defined(__SSE2__)
  // Per-byte counters (a match is -1, subtracted), summed into two 64-bit lanes before any
  // counter can wrap.
  const __m128i wanted = _mm_set1_epi8(c);
  const __m128i zero = _mm_setzero_si128();
  __m128i total = zero;
  while (end - p >= 16) {
    __m128i counters = zero;
    for (int round = 0; round < 255 && end - p >= 16; ++round, p += 16) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(v, wanted));
    }
    total = _mm_add_epi64(total, _mm_sad_epu8(counters, zero));
  }
  count = static_cast<size_t>(_mm_cvtsi128_si64(total)) +
          static_cast<size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(total, total)));
#endif
  for (; p < end; ++p) count += *p == c;
  return count;
}

// The length of a tag's element name, the tag starting at p[0] == '<' and ending at its first
// '>' at or before end: from the second character up to the first space; without a space up to
// the first "/"; without either up to the ">". -1 when no ">" comes before end.
inline ptrdiff_t TagNameLength(const char* p, const char* end) {
  const char* start = p + 1;
#if defined(__SSE2__)
  if (end - start >= 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(start));
    auto spaces = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(' '))));
    auto slashes = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('/'))));
    auto closes = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('>'))));
    if (closes != 0) {
      uint32_t before = (closes & -closes) - 1;  // the positions before the first ">"
      if (spaces & before) return std::countr_zero(spaces);
      if (slashes & before) return std::countr_zero(slashes);
      return std::countr_zero(closes);
    }
    // A space in the first 16 bytes ends the name whatever follows.
    if (spaces != 0) return std::countr_zero(spaces);
  }
#endif
  const char* slash = nullptr;
  for (const char* q = start; q < end; ++q) {
    char c = *q;
    if (c == ' ') return q - start;
    if (c == '/' && slash == nullptr) slash = q;
    if (c == '>') return (slash ? slash : q) - start;
  }
  return -1;
}

}  // namespace scrivtar::xml
