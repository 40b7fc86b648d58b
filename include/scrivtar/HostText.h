// Text services a front end needs from the engine's platform layer: UTF-16 forms of Linux
// names, Windows code page conversions, date and time in the user's locale patterns, and the
// directory of the running program.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

namespace scrivtar {

struct UserLocale;

// Linux names are bytes: well-formed UTF-8 becomes its UTF-16 text, every other byte the lone
// surrogate U+DC80..U+DCFF (0xDC00 + the byte), so that no name is lost on the way.
std::u16string BytesToUtf16Escaped(std::string_view bytes);
// The reverse: UTF-16 to UTF-8, a lone U+DC80..U+DCFF back to its byte; any other lone
// surrogate becomes U+FFFD.
std::string Utf16ToBytesEscaped(std::u16string_view text);

// The bytes of a Windows code page to UTF-16 (bytes it cannot map become U+FFFD), and back (a
// character the code page lacks becomes "?"). A code page that cannot be served gives "".
std::u16string CodePageToUtf16(int32_t codePage, std::string_view bytes);
std::string Utf16ToCodePage(int32_t codePage, std::u16string_view text);

// A local time written by a Windows date or time pattern (d dd ddd dddd, M MM MMM MMMM, y yy
// yyyy, h hh H HH, m mm, s ss, t tt, g; text in single quotes is copied) with the locale's
// names and designators. UTF-8.
std::string FormatLocalTime(std::string_view pattern, const std::tm& time,
                            const UserLocale& locale);

// The directory of the running executable, or the current directory when it cannot be told.
std::filesystem::path ExecutableDir();

}  // namespace scrivtar
