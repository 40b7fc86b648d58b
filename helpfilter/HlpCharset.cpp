#include "HlpCharset.h"

#include <errno.h>
#include <stddef.h>

#include "HlpBytes.h"

namespace scrivtar::hlp {
namespace {

struct SingleBytePage {
  int32_t codePage;
  const uint16_t* upperHalf;
};

#include "HlpCodePageTables.inc"

// Multi-byte code pages go through the C library's iconv.
struct MultiBytePage {
  int32_t codePage;
  const char* iconvName;
};
constexpr MultiBytePage kMultiBytePages[] = {
    {932, "CP932"}, {936, "CP936"}, {949, "CP949"}, {950, "BIG5"}, {1361, "JOHAB"},
};

const uint16_t* UpperHalfOf(int32_t codePage) {
  for (const SingleBytePage& page : kSingleBytePages) {
    if (page.codePage == codePage) return page.upperHalf;
  }
  return nullptr;
}

const char* IconvNameOf(int32_t codePage) {
  for (const MultiBytePage& page : kMultiBytePages) {
    if (page.codePage == codePage) return page.iconvName;
  }
  return nullptr;
}

inline uint8_t* PutUtf8(uint8_t* out, uint32_t unit) {
  if (unit < 0x80) {
    *out++ = static_cast<uint8_t>(unit);
  } else if (unit < 0x800) {
    *out++ = static_cast<uint8_t>(0xC0 | (unit >> 6));
    *out++ = static_cast<uint8_t>(0x80 | (unit & 0x3F));
  } else {
    *out++ = static_cast<uint8_t>(0xE0 | (unit >> 12));
    *out++ = static_cast<uint8_t>(0x80 | ((unit >> 6) & 0x3F));
    *out++ = static_cast<uint8_t>(0x80 | (unit & 0x3F));
  }
  return out;
}

constexpr uint32_t kReplacement = 0xFFFD;

int32_t EncodeSingleByte(const uint16_t* upperHalf, const uint8_t* bytes, uint32_t count,
                         ByteBuffer& out) {
  if (!Reserve(out, static_cast<uint64_t>(count) * 3)) return -1;
  uint8_t* cursor = out.data + out.size;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t byte = bytes[i];
    if (byte < 0x80) {
      *cursor++ = byte;
    } else {
      cursor = PutUtf8(cursor, upperHalf != nullptr ? upperHalf[byte - 0x80] : kReplacement);
    }
  }
  out.size = static_cast<uint32_t>(cursor - out.data);
  return 0;
}

int32_t EncodeMultiByte(iconv_t converter, const uint8_t* bytes, uint32_t count, bool final,
                        ByteBuffer& out) {
  char* in = reinterpret_cast<char*>(const_cast<uint8_t*>(bytes));
  size_t inLeft = count;
  while (inLeft > 0) {
    // A double-byte character never takes more than 3 UTF-8 bytes, a single byte no more than
    // the 3 of U+FFFD; the extra 8 cover a 4-byte character at the very end.
    if (!Reserve(out, static_cast<uint64_t>(inLeft) * 3 + 8)) return -1;
    char* outCursor = reinterpret_cast<char*>(out.data + out.size);
    size_t outLeft = out.capacity - out.size;
    const size_t result = iconv(converter, &in, &inLeft, &outCursor, &outLeft);
    out.size = static_cast<uint32_t>(reinterpret_cast<uint8_t*>(outCursor) - out.data);
    if (result != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    if (errno == EINVAL && !final) return static_cast<int32_t>(Min<size_t>(inLeft, 3));
    // An invalid or truncated sequence: one replacement character per byte skipped.
    if (!Reserve(out, 3)) return -1;
    out.size = static_cast<uint32_t>(PutUtf8(out.data + out.size, kReplacement) - out.data);
    ++in;
    --inLeft;
  }
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  return 0;
}

}  // namespace

int32_t CodePageOfCharset(uint32_t charset) {
  switch (charset) {
    case 128:
      return 932;  // SHIFTJIS_CHARSET
    case 129:
      return 949;  // HANGEUL_CHARSET
    case 130:
      return 1361;  // JOHAB_CHARSET
    case 134:
      return 936;  // GB2312_CHARSET
    case 136:
      return 950;  // CHINESEBIG5_CHARSET
    case 161:
      return 1253;  // GREEK_CHARSET
    case 162:
      return 1254;  // TURKISH_CHARSET
    case 163:
      return 1258;  // VIETNAMESE_CHARSET
    case 177:
      return 1255;  // HEBREW_CHARSET
    case 178:
      return 1256;  // ARABIC_CHARSET
    case 186:
      return 1257;  // BALTIC_CHARSET
    case 204:
      return 1251;  // RUSSIAN_CHARSET
    case 222:
      return 874;  // THAI_CHARSET
    case 238:
      return 1250;  // EASTEUROPE_CHARSET
    default:
      return 0;  // ANSI, DEFAULT, SYMBOL, OEM and the rest: no better guess
  }
}

int32_t CodePageOfLcid(uint32_t lcid) {
  const uint32_t language = lcid & 0x3FF;
  const uint32_t sublanguage = (lcid >> 10) & 0x3F;
  switch (language) {
    case 0x00:
      return 0;  // neutral: says nothing
    case 0x01:
    case 0x20:
    case 0x29:
      return 1256;  // Arabic, Urdu, Farsi
    case 0x02:
    case 0x19:
    case 0x22:
    case 0x23:
    case 0x2F:
      return 1251;
    case 0x04:
      return (sublanguage == 0x02 || sublanguage == 0x04) ? 936 : 950;
    case 0x05:
    case 0x0E:
    case 0x15:
    case 0x18:
    case 0x1B:
    case 0x1C:
    case 0x24:
      return 1250;
    case 0x08:
      return 1253;
    case 0x0D:
      return 1255;
    case 0x11:
      return 932;
    case 0x12:
      return 949;
    case 0x1A:
      return sublanguage == 0x03 ? 1251 : 1250;  // Serbian (Cyrillic) or Croatian
    case 0x1E:
      return 874;
    case 0x1F:
      return 1254;
    case 0x25:
    case 0x26:
    case 0x27:
      return 1257;
    case 0x2A:
      return 1258;
    default:
      return 1252;
  }
}

void OpenEncoder(TextEncoder& encoder, int32_t codePage) {
  CloseEncoder(encoder);
  encoder.codePage = codePage;
  encoder.upperHalf = UpperHalfOf(codePage);
  if (encoder.upperHalf != nullptr) return;
  if (const char* name = IconvNameOf(codePage)) {
    encoder.converter = iconv_open("UTF-8", name);
    if (encoder.converter != reinterpret_cast<iconv_t>(-1)) return;
    // Without the C library's converter the text's ASCII still comes through (upperHalf stays
    // empty: every other byte becomes U+FFFD).
    return;
  }
  encoder.codePage = kDefaultCodePage;
  encoder.upperHalf = UpperHalfOf(kDefaultCodePage);
}

void CloseEncoder(TextEncoder& encoder) {
  if (encoder.converter != reinterpret_cast<iconv_t>(-1)) iconv_close(encoder.converter);
  encoder.converter = reinterpret_cast<iconv_t>(-1);
  encoder.upperHalf = nullptr;
}

int32_t EncodeText(TextEncoder& encoder, const uint8_t* bytes, uint32_t count, bool final,
                   ByteBuffer& out) {
  if (encoder.converter != reinterpret_cast<iconv_t>(-1)) {
    return EncodeMultiByte(encoder.converter, bytes, count, final, out);
  }
  return EncodeSingleByte(encoder.upperHalf, bytes, count, out);
}

}  // namespace scrivtar::hlp
