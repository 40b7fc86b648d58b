#include "PathUtf16.h"

#include <cstdint>
#include <string_view>

namespace scrivtar::platform {

namespace {

// The length of the well-formed UTF-8 sequence at the start of s and its code point; 0 when
// the bytes there are not one (over-long forms and surrogates included).
size_t DecodeOne(std::string_view s, char32_t& cp) {
  const auto b = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
  const auto cont = [&](size_t i) { return i < s.size() && (b(i) & 0xC0) == 0x80; };
  uint8_t lead = b(0);
  if (lead < 0x80) {
    cp = lead;
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF && cont(1)) {
    cp = ((lead & 0x1Fu) << 6) | (b(1) & 0x3Fu);
    return 2;
  }
  if (lead >= 0xE0 && lead <= 0xEF && cont(1) && cont(2)) {
    cp = ((lead & 0x0Fu) << 12) | ((b(1) & 0x3Fu) << 6) | (b(2) & 0x3Fu);
    if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4 && cont(1) && cont(2) && cont(3)) {
    cp = ((lead & 0x07u) << 18) | ((b(1) & 0x3Fu) << 12) | ((b(2) & 0x3Fu) << 6) | (b(3) & 0x3Fu);
    if (cp < 0x10000 || cp > 0x10FFFF) return 0;
    return 4;
  }
  return 0;
}

}  // namespace

std::u16string PathToUtf16(const std::filesystem::path& path) {
  std::string_view bytes = path.native();
  std::u16string out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    char32_t cp = 0;
    size_t n = DecodeOne(bytes.substr(i), cp);
    if (n == 0) {
      out.push_back(static_cast<char16_t>(0xDC00 + static_cast<uint8_t>(bytes[i])));
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += n;
  }
  return out;
}

}  // namespace scrivtar::platform
