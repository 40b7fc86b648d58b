// The output step shared by every entry point.
#include "VtCvtBase.h"

#include <bit>
#include <cstring>

#include "PlainRuns.h"
#include "platform/CodePage.h"
#include "platform/Prefault.h"
#include "scrivtar/UserLocale.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scrivtar {

namespace {

// Index of the first CR or LF at or after `from`, or `size` when there is none.
size_t FindLineByte(const char* data, size_t size, size_t from) {
  size_t i = from;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  while (i + 16 <= size) {
    __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    int mask =
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf)));
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    i += 16;
  }
#endif
  for (; i < size; ++i) {
    if (data[i] == '\r' || data[i] == '\n') return i;
  }
  return size;
}

std::string_view LineEndOf(int32_t style) {
  switch (style) {
    case kCr:
      return "\r";
    case kLf:
      return "\n";
    default:
      return "\r\n";
  }
}

// Calls copy(begin, length) for each run of ordinary bytes and lineEnd() for each line end.
template <typename Copy, typename LineEnd>
void WalkLineEnds(std::string_view text, Copy copy, LineEnd lineEnd) {
  const char* data = text.data();
  const size_t size = text.size();
  size_t pos = 0;
  while (pos < size) {
    size_t hit = FindLineByte(data, size, pos);
    if (hit > pos) copy(data + pos, hit - pos);
    if (hit == size) break;
    pos = hit + 1;
    if (data[hit] == '\r' && pos < size && data[pos] == '\n') ++pos;
    lineEnd();
  }
}

// Writes the normalised text into out (which must have room); returns the bytes written.
size_t NormalizeInto(std::string_view text, std::string_view eol, uint8_t* out) {
  uint8_t* w = out;
  WalkLineEnds(
      text,
      [&](const char* p, size_t n) {
        std::memcpy(w, p, n);
        w += n;
      },
      [&] {
        std::memcpy(w, eol.data(), eol.size());
        w += eol.size();
      });
  return static_cast<size_t>(w - out);
}

size_t NormalizedSize(std::string_view text, std::string_view eol) {
  size_t total = 0;
  WalkLineEnds(
      text, [&](const char*, size_t n) { total += n; }, [&] { total += eol.size(); });
  return total;
}

// Claimed length of a lead byte: the one-bits above the first zero-bit, at least 1.
int ClaimedLength(uint8_t lead) {
  int n = 0;
  while (n < 8 && (lead & (0x80u >> n)) != 0) ++n;
  return n == 0 ? 1 : n;
}

// One lenient step: decodes the sequence at p and returns the unit; advances p. The claim is cut
// at `size`; `limit` is the length of the whole text for the claim's length check (larger than
// size when the bytes are one line of a longer text: line-end bytes are never continuations, so
// cutting at the end of the line is the same as cutting at the line end).
char16_t LenientUnit(const uint8_t* in, size_t size, size_t& p, size_t limit) {
  uint8_t lead = in[p];
  if (lead < 0x80) {
    ++p;
    return lead;
  }
  size_t n = static_cast<size_t>(ClaimedLength(lead));
  if (p + n - 1 > limit) n = 1;
  size_t have = 1;
  while (have < n && p + have < size && (in[p + have] & 0xC0) == 0x80) ++have;
  n = have;
  const uint8_t* s = in + p;
  p += n;
  switch (n) {
    case 1:
      return u'?';
    case 2: {
      uint32_t v = ((s[0] & 0x1Fu) << 6) | (s[1] & 0x3Fu);
      return v <= 0x7F ? u'?' : static_cast<char16_t>(v);
    }
    case 3: {
      uint32_t v = ((s[0] & 0x0Fu) << 12) | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu);
      if (v <= 0x7FF || v == 0xFFFE || v == 0xFFFF || (v >= 0xD800 && v <= 0xDFFF)) return u'?';
      return static_cast<char16_t>(v);
    }
    case 8:
      return 0xFFFF;
    default:
      return u'?';
  }
}

// Walks the lenient decoding: ascii(p, n) for each run of bytes below 0x80 (which decode to
// themselves), unit(u) for every other decoded unit. Both passes of the decoder and the fused
// encoders share it, so they cannot disagree.
template <typename Ascii, typename Unit>
void WalkLenient(std::string_view bytes, size_t limit, Ascii ascii, Unit unit) {
  const auto* in = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t size = bytes.size();
  size_t p = 0;
  while (p < size) {
    size_t start = p;
    while (p + 8 <= size) {
      uint64_t word;
      std::memcpy(&word, in + p, 8);
      if (word & 0x8080808080808080ull) break;
      p += 8;
    }
    while (p < size && in[p] < 0x80) ++p;
    if (p > start) ascii(in + start, p - start);
    if (p < size) unit(LenientUnit(in, size, p, limit));
  }
}

template <typename Ascii, typename Unit>
void WalkLenient(std::string_view bytes, Ascii ascii, Unit unit) {
  WalkLenient(bytes, bytes.size(), ascii, unit);
}

// Walks the lenient decoding of the text as it would be after line-end normalisation, without
// building the normalised text: each line is decoded on its own with the check length of the
// whole normalised text, and each line end is handed to ascii() as the style's bytes.
template <typename Ascii, typename Unit>
void WalkNormalizedLenient(std::string_view text, bool normalize, std::string_view eol, Ascii ascii,
                           Unit unit) {
  if (!normalize) {
    WalkLenient(text, ascii, unit);
    return;
  }
  const size_t total = NormalizedSize(text, eol);
  size_t start = 0;  // offset of the current line in the normalised text
  WalkLineEnds(
      text,
      [&](const char* p, size_t n) {
        WalkLenient(std::string_view(p, n), total - start, ascii, unit);
        start += n;
      },
      [&] {
        ascii(reinterpret_cast<const uint8_t*>(eol.data()), eol.size());
        start += eol.size();
      });
}

// Lenient UTF-8 (normalised on the way) straight into the block as UTF-16LE or a single-byte
// code page: two passes over the input, no intermediate text, the block reused.
int32_t StoreLenientFused(std::string_view text, bool normalize, std::string_view eol,
                          const uint8_t* singleByteTable, OutputBlock& block) {
  size_t units = 0;
  WalkNormalizedLenient(
      text, normalize, eol, [&](const uint8_t*, size_t n) { units += n; },
      [&](char16_t) { ++units; });
  const size_t size = singleByteTable ? units : 2 + units * 2;
  SizeOutputBlock(block, size + 1);
  uint8_t* w = block.data();
  if (singleByteTable) {
    // Most code pages keep ASCII as it is: then ASCII runs are plain copies.
    bool asciiIdentity = true;
    for (int b = 0; b < 0x80; ++b) asciiIdentity = asciiIdentity && singleByteTable[b] == b;
    WalkNormalizedLenient(
        text, normalize, eol,
        [&](const uint8_t* a, size_t n) {
          if (asciiIdentity) {
            std::memcpy(w, a, n);
            w += n;
          } else {
            for (size_t k = 0; k < n; ++k) *w++ = singleByteTable[a[k]];
          }
        },
        [&](char16_t u) { *w++ = singleByteTable[u]; });
  } else {
    *w++ = 0xFF;
    *w++ = 0xFE;
    WalkNormalizedLenient(
        text, normalize, eol,
        [&](const uint8_t* a, size_t n) {
          for (size_t k = 0; k < n; ++k) {
            *w++ = a[k];
            *w++ = 0;
          }
        },
        [&](char16_t u) {
          *w++ = static_cast<uint8_t>(u & 0xFF);
          *w++ = static_cast<uint8_t>(u >> 8);
        });
  }
  return static_cast<int32_t>(size);
}

void AppendUtf16Le(std::string& out, std::u16string_view text) {
  size_t start = out.size();
  out.resize(start + text.size() * 2);
  char* w = out.data() + start;
  for (char16_t u : text) {
    *w++ = static_cast<char>(u & 0xFF);
    *w++ = static_cast<char>(u >> 8);
  }
}

std::u16string Decode(std::string_view bytes, Utf8Decoder decoder) {
  return decoder == Utf8Decoder::kStrict ? Utf8DecodeStrict(bytes) : Utf8DecodeLenient(bytes);
}

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";

}  // namespace

int32_t DefaultCodePage(const UserLocale& locale) {
  // Character set names come as "UTF-8", "utf8", "UTF8" ...: compare without case and dashes.
  std::string charset;
  for (char c : locale.charset) {
    if (c != '-' && c != '_') charset += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
  if (charset == "utf8") return 65001;
  int32_t ansi = locale.ansiCodePage > 0 ? locale.ansiCodePage : 1252;
  // A locale whose code page nothing here can write gets UTF-8 rather than no text.
  return IsOutputCodePageSupported(ansi) ? ansi : 65001;
}

int32_t DefaultCodePage() {
  return DefaultCodePage(UserLocale::Process());
}

int32_t SystemAnsiCodePage() {
  return DefaultCodePage();
}

bool IsOutputCodePageSupported(int32_t codePage) {
  return codePage == 1200 || codePage == 65001 || platform::IsCodePageSupported(codePage);
}

std::string NormalizeLineEnds(std::string_view text, int32_t style) {
  std::string_view eol = LineEndOf(style);
  std::string out(NormalizedSize(text, eol), '\0');
  NormalizeInto(text, eol, reinterpret_cast<uint8_t*>(out.data()));
  return out;
}

std::u16string NormalizeLineEndsW(std::u16string_view text, int32_t style) {
  std::u16string_view eol = style == kCr ? u"\r" : style == kLf ? u"\n" : u"\r\n";
  std::u16string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t u = text[i];
    if (u == u'\r') {
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      out.append(eol);
    } else if (u == u'\n' || u == 0x2028) {
      out.append(eol);
    } else {
      out.push_back(u);
    }
  }
  return out;
}

std::u16string Utf8DecodeLenient(std::string_view bytes) {
  size_t count = 0;
  WalkLenient(
      bytes, [&](const uint8_t*, size_t n) { count += n; }, [&](char16_t) { ++count; });
  std::u16string out(count, u'\0');
  char16_t* w = out.data();
  WalkLenient(
      bytes,
      [&](const uint8_t* a, size_t n) {
        for (size_t k = 0; k < n; ++k) *w++ = a[k];
      },
      [&](char16_t u) { *w++ = u; });
  return out;
}

std::u16string Utf8DecodeStrict(std::string_view bytes) {
  const auto* in = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t size = bytes.size();
  // First pass: validate and count.
  size_t count = 0;
  for (size_t p = 0; p < size;) {
    uint8_t lead = in[p];
    size_t n = lead < 0x80 ? 1 : (lead & 0x20) ? 3 : 2;
    if (p + n > size) return {};
    for (size_t k = 1; k < n; ++k) {
      if ((in[p + k] & 0xC0) != 0x80) return {};
    }
    p += n;
    ++count;
  }
  std::u16string out(count, u'\0');
  size_t w = 0;
  for (size_t p = 0; p < size;) {
    uint8_t lead = in[p];
    if (lead < 0x80) {
      out[w++] = lead;
      ++p;
    } else if (lead & 0x20) {
      out[w++] = static_cast<char16_t>(((lead & 0x0Fu) << 12) | ((in[p + 1] & 0x3Fu) << 6) |
                                       (in[p + 2] & 0x3Fu));
      p += 3;
    } else {
      out[w++] = static_cast<char16_t>(((lead & 0x3Fu) << 6) | (in[p + 1] & 0x3Fu));
      p += 2;
    }
  }
  return out;
}

std::string WideToCodePage(int32_t codePage, std::u16string_view text) {
  if (text.empty()) return {};
  return platform::WideToCodePage(codePage, text);
}

std::string WideToUtf8(std::u16string_view text) {
  size_t count = 0;
  for (char16_t u : text) count += u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
  std::string out(count, '\0');
  char* w = out.data();
  for (char16_t u : text) {
    if (u < 0x80) {
      *w++ = static_cast<char>(u);
    } else if (u < 0x800) {
      *w++ = static_cast<char>(0xC0 | (u >> 6));
      *w++ = static_cast<char>(0x80 | (u & 0x3F));
    } else {
      *w++ = static_cast<char>(0xE0 | (u >> 12));
      *w++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      *w++ = static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

std::string EncodeFromUtf8(std::string_view bytes, int32_t codePage, Utf8Decoder decoder) {
  switch (codePage) {
    case 65001: {
      std::string out;
      out.reserve(kUtf8Mark.size() + bytes.size());
      out.append(kUtf8Mark).append(bytes);
      return out;
    }
    case 0:
      return WideToCodePage(SystemAnsiCodePage(), Utf8DecodeStrict(bytes));
    case 1200: {
      std::string out(kUtf16Mark);
      AppendUtf16Le(out, Decode(bytes, decoder));
      return out;
    }
    default:
      return WideToCodePage(codePage, Decode(bytes, decoder));
  }
}

std::string EncodeFromUtf16(std::u16string_view text, int32_t codePage) {
  switch (codePage) {
    case 65001: {
      std::string out(kUtf8Mark);
      out.append(WideToUtf8(text));
      return out;
    }
    case 1200: {
      std::string out(kUtf16Mark);
      AppendUtf16Le(out, text);
      return out;
    }
    case 0:
      return WideToCodePage(SystemAnsiCodePage(), text);
    default:
      return WideToCodePage(codePage, text);
  }
}

void SizeOutputBlock(OutputBlock& block, size_t n) {
  block.reserve(n);
  platform::PrefaultForWrite(block.data(), n);
  block.resize(n);
}

int32_t StoreText(std::string_view bytes, OutputBlock& block) {
  SizeOutputBlock(block, bytes.size() + 1);
  if (!bytes.empty()) std::memcpy(block.data(), bytes.data(), bytes.size());
  return static_cast<int32_t>(bytes.size());
}

int32_t OutputUtf8Text(std::string_view text, bool normalize, int32_t style, int32_t codePage,
                       Utf8Decoder decoder, OutputBlock& block) {
  if (codePage == 65001) {
    // The hot path: mark and normalised text go straight into the block, no intermediate copy.
    std::string_view eol = LineEndOf(style);
    size_t body = normalize ? NormalizedSize(text, eol) : text.size();
    SizeOutputBlock(block, kUtf8Mark.size() + body + 1);
    std::memcpy(block.data(), kUtf8Mark.data(), kUtf8Mark.size());
    uint8_t* w = block.data() + kUtf8Mark.size();
    if (normalize) {
      NormalizeInto(text, eol, w);
    } else if (!text.empty()) {
      std::memcpy(w, text.data(), text.size());
    }
    return static_cast<int32_t>(kUtf8Mark.size() + body);
  }
  if (decoder == Utf8Decoder::kLenient && codePage != 0) {
    const uint8_t* table = platform::SingleByteEncodeTable(codePage);
    if (table || codePage == 1200) {
      return StoreLenientFused(text, normalize, LineEndOf(style), table, block);
    }
  }
  if (!normalize) return StoreText(EncodeFromUtf8(text, codePage, decoder), block);
  return StoreText(EncodeFromUtf8(NormalizeLineEnds(text, style), codePage, decoder), block);
}

namespace {

// Walks the line-end-normalised UTF-16 text without building it: plain(units, n) for each run
// of printable ASCII, unit(u) for every other unit.
template <typename Plain, typename Unit>
void WalkNormalizedW(std::u16string_view text, int32_t style, Plain plain, Unit unit) {
  for (size_t i = 0; i < text.size();) {
    if constexpr (std::endian::native == std::endian::little) {
      size_t run =
          PlainUnitPrefix(reinterpret_cast<const uint8_t*>(text.data() + i), text.size() - i);
      if (run > 0) {
        plain(reinterpret_cast<const uint8_t*>(text.data() + i), run);
        i += run;
        if (i == text.size()) break;
      }
    }
    char16_t u = text[i++];
    if (u == u'\r' || u == u'\n' || u == 0x2028) {
      if (u == u'\r' && i < text.size() && text[i] == u'\n') ++i;
      if (style != kLf) unit(u'\r');
      if (style != kCr) unit(u'\n');
    } else {
      unit(u);
    }
  }
}

}  // namespace

int32_t OutputUtf16Text(std::u16string_view text, int32_t style, int32_t codePage,
                        OutputBlock& block) {
  if (codePage == 65001 || codePage == 1200) {
    // Mark and encoded units go straight into the reused block: no intermediate copies.
    size_t size = codePage == 65001 ? kUtf8Mark.size() : kUtf16Mark.size();
    if (codePage == 65001) {
      WalkNormalizedW(
          text, style, [&](const uint8_t*, size_t n) { size += n; },
          [&](char16_t u) { size += u < 0x80    ? 1
                                    : u < 0x800 ? 2
                                                : 3; });
    } else {
      WalkNormalizedW(
          text, style, [&](const uint8_t*, size_t n) { size += 2 * n; },
          [&](char16_t) { size += 2; });
    }
    SizeOutputBlock(block, size + 1);
    uint8_t* w = block.data();
    if (codePage == 65001) {
      std::memcpy(w, kUtf8Mark.data(), kUtf8Mark.size());
      w += kUtf8Mark.size();
      WalkNormalizedW(
          text, style,
          [&](const uint8_t* units, size_t n) {
            NarrowPlainUnits(units, n, w);
            w += n;
          },
          [&](char16_t u) {
            if (u < 0x80) {
              *w++ = static_cast<uint8_t>(u);
            } else if (u < 0x800) {
              *w++ = static_cast<uint8_t>(0xC0 | (u >> 6));
              *w++ = static_cast<uint8_t>(0x80 | (u & 0x3F));
            } else {
              *w++ = static_cast<uint8_t>(0xE0 | (u >> 12));
              *w++ = static_cast<uint8_t>(0x80 | ((u >> 6) & 0x3F));
              *w++ = static_cast<uint8_t>(0x80 | (u & 0x3F));
            }
          });
    } else {
      std::memcpy(w, kUtf16Mark.data(), kUtf16Mark.size());
      w += kUtf16Mark.size();
      WalkNormalizedW(
          text, style,
          [&](const uint8_t* units, size_t n) {
            std::memcpy(w, units, 2 * n);
            w += 2 * n;
          },
          [&](char16_t u) {
            *w++ = static_cast<uint8_t>(u & 0xFF);
            *w++ = static_cast<uint8_t>(u >> 8);
          });
    }
    return static_cast<int32_t>(size);
  }
  return StoreText(EncodeFromUtf16(NormalizeLineEndsW(text, style), codePage), block);
}

}  // namespace scrivtar
