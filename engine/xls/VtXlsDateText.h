// Date and time text of spreadsheet cells: a date serial written by a cleaned date pattern
// (y, m, d, h, n, s, z, t, c, am/pm letters; "/" and ":" as the locale's separators). Results
// are UTF-8 and at most 256 bytes long.
#pragma once

#include <string>
#include <string_view>

namespace scrivtar {

struct UserLocale;

// How a workbook counts its date serials (the DATEMODE record).
enum class XlsDateSystem {
  k1900,  // day 1 is 1 January 1900; serial 60 is Excel's 29 February 1900
  k1904,  // day 0 is 1 January 1904
};

constexpr size_t kMaxDateTextBytes = 256;

// The text of a date serial by a pattern; an empty pattern is taken as "C". A serial outside
// the years 1 to 9999 has no date: it is written as the general number text.
std::string DateTimePatternText(std::string_view pattern, double serial, const UserLocale& locale,
                                XlsDateSystem system = XlsDateSystem::k1900);

}  // namespace scrivtar
