// Text in symbol fonts. The Symbol font's letters are Greek letters, mathematical operators and
// arrows: its bytes map to those characters. The other symbol fonts (Wingdings, Webdings, Zapf
// Dingbats, ...) hold pictures, which a text search cannot use: their characters are dropped.
#pragma once

#include <cstdint>
#include <string_view>

namespace scrivtar::rtf {

// Pseudo code page of a symbol font other than Symbol: its characters are dropped.
constexpr int32_t kPictureFontCodePage = -42;

// The character of a byte in the Symbol font; 0 for the bytes that stand for none.
char32_t SymbolFontCharacter(unsigned char byte);

// True for the names of symbol fonts that hold pictures, not letters.
bool IsPictureFontName(std::string_view name);

// True for the name of the Symbol font itself.
bool IsSymbolFontName(std::string_view name);

}  // namespace scrivtar::rtf
