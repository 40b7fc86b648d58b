// Number text of spreadsheet cells: the general number text and the text by a cleaned number
// pattern (digit placeholders, grouping, sections, scientific form). Results are UTF-8 and at
// most 256 bytes long.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace scrivtar {

struct UserLocale;

// A number pattern longer than kMaxNumberPatternLength characters; it ends the conversion.
class EXlsPatternTooLong : public std::runtime_error {
 public:
  EXlsPatternTooLong() : std::runtime_error("number pattern longer than 224 characters") {}
};

constexpr size_t kMaxNumberPatternLength = 224;
constexpr size_t kMaxNumberTextBytes = 256;

// 15 significant digits, fixed notation for 0.0001 <= |value| < 1E15, otherwise scientific
// (1E-5, 1E15); the locale's decimal separator.
std::string GeneralNumberText(double value, const UserLocale& locale);
// The same, appended to out (the hot path of the sheet output).
void AppendGeneralNumberText(std::string& out, double value, const UserLocale& locale);

// The text of value by a pattern of up to three sections (positive;negative;zero). Throws
// EXlsPatternTooLong for a pattern longer than 224 characters.
std::string PatternNumberText(std::string_view pattern, double value, const UserLocale& locale);
// The same, appended to out.
void AppendPatternNumberText(std::string& out, std::string_view pattern, double value,
                             const UserLocale& locale);

}  // namespace scrivtar
