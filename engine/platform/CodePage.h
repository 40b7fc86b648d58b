// Windows code pages on Linux: conversions both ways over glibc iconv, with cached tables for
// the single-byte code pages. A character a code page lacks becomes "?"; a code page iconv
// cannot serve gives no bytes (as the Windows call fails).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace scrivtar::platform {

// The iconv name of a Windows code page id, or nullptr when there is none.
const char* IconvNameOfCodePage(int32_t codePage);

// True when text can be converted to and from this code page.
bool IsCodePageSupported(int32_t codePage);

// For a single-byte code page: its byte for every UTF-16 unit ("?" where it has none), for
// fused fast paths; nullptr for the other code pages.
const uint8_t* SingleByteEncodeTable(int32_t codePage);

// UTF-16 to the code page (WideCharToMultiByte with flags 0). 65001 gives UTF-8 without a mark;
// 1200 gives UTF-16LE without a mark.
std::string WideToCodePage(int32_t codePage, std::u16string_view text);

// The code page's bytes to UTF-16 (MultiByteToWideChar); bytes it cannot map become U+FFFD.
std::u16string CodePageToWide(int32_t codePage, std::string_view bytes);

}  // namespace scrivtar::platform
