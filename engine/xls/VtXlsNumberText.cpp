// Number text: decimal digits are taken to 18 significant digits (the precision of the value as
// the workbook's writer saw it) and then rounded once more, halves away from zero, to what the
// text shows. That second rounding is what makes 0.1 + 0.2 show as 0.3.
#include "VtXlsNumberText.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "scrivtar/UserLocale.h"

namespace scrivtar {

namespace {

constexpr int kMaxDigits = 18;
constexpr int kGeneralDigits = 15;

// |value| = 0.d1d2d3... x 10^exponent; no digits for zero. Trailing zeros are never kept.
struct TDecimal {
  char digits[kMaxDigits + 2] = {};
  int count = 0;
  int exponent = 0;
  bool negative = false;
};

void StripTrailingZeros(TDecimal& d) {
  while (d.count > 0 && d.digits[d.count - 1] == '0') --d.count;
  if (d.count == 0) {
    d.exponent = 0;
    d.negative = false;
  }
}

// The 18 significant digits of a finite value.
TDecimal DecimalOf(double value) {
  TDecimal d;
  d.negative = std::signbit(value);
  double magnitude = std::fabs(value);
  if (magnitude == 0) {
    d.negative = false;
    return d;
  }
  char buf[48];
  auto result = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific,
                              kMaxDigits - 1);
  // d.ddddddddddddddddde[+-]xx
  const char* p = buf;
  d.digits[d.count++] = *p++;
  if (*p == '.') ++p;
  while (p < result.ptr && *p >= '0' && *p <= '9' && d.count < kMaxDigits) {
    d.digits[d.count++] = *p++;
  }
  while (p < result.ptr && *p != 'e') ++p;
  int exponent10 = 0;
  if (p < result.ptr) {
    ++p;
    if (*p == '+') ++p;
    std::from_chars(p, result.ptr, exponent10);
  }
  d.exponent = exponent10 + 1;
  StripTrailingZeros(d);
  return d;
}

// Rounds to `significant` digits, halves away from zero; fewer than none leaves zero.
void RoundTo(TDecimal& d, int significant) {
  if (significant >= d.count) return;
  if (significant < 0) {
    d.count = 0;
    StripTrailingZeros(d);
    return;
  }
  bool up = d.digits[significant] >= '5';
  d.count = significant;
  if (up) {
    int i = significant - 1;
    while (i >= 0 && d.digits[i] == '9') {
      d.digits[i] = '0';
      --i;
    }
    if (i >= 0) {
      ++d.digits[i];
    } else {
      d.digits[0] = '1';
      d.count = 1;
      ++d.exponent;
    }
  }
  StripTrailingZeros(d);
}

void AppendInteger(std::string& out, uint64_t value, int minWidth = 1) {
  char buf[24];
  auto result = std::to_chars(buf, buf + sizeof buf, value);
  for (int width = static_cast<int>(result.ptr - buf); width < minWidth; ++width) out += '0';
  out.append(buf, result.ptr);
}

// Cuts a text to at most kMaxNumberTextBytes without splitting a UTF-8 sequence.
void CapLength(std::string& text, size_t start) {
  size_t limit = start + kMaxNumberTextBytes;
  if (text.size() <= limit) return;
  while (limit > start && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80) --limit;
  text.resize(limit);
}

void AppendGeneral(std::string& out, double value, std::string_view decimalSeparator) {
  if (std::isnan(value)) {
    out += "NAN";
    return;
  }
  if (std::isinf(value)) {
    out += value < 0 ? "-INF" : "INF";
    return;
  }
  // Whole numbers below 10^15 are most cells: no digit rounding needed.
  if (value == std::trunc(value) && std::fabs(value) < 1e15) {
    auto whole = static_cast<int64_t>(value);
    if (whole < 0) out += '-';
    AppendInteger(out, static_cast<uint64_t>(whole < 0 ? -whole : whole));
    return;
  }
  TDecimal d = DecimalOf(value);
  RoundTo(d, kGeneralDigits);
  if (d.count == 0) {
    out += '0';
    return;
  }
  if (d.negative) out += '-';
  int e = d.exponent;
  if (e >= -3 && e <= 15) {
    if (e <= 0) {
      out += '0';
      out += decimalSeparator;
      out.append(static_cast<size_t>(-e), '0');
      out.append(d.digits, static_cast<size_t>(d.count));
      return;
    }
    for (int i = 0; i < e; ++i) out += i < d.count ? d.digits[i] : '0';
    if (d.count > e) {
      out += decimalSeparator;
      out.append(d.digits + e, static_cast<size_t>(d.count - e));
    }
    return;
  }
  out += d.digits[0];
  if (d.count > 1) {
    out += decimalSeparator;
    out.append(d.digits + 1, static_cast<size_t>(d.count - 1));
  }
  out += 'E';
  int shown = e - 1;
  if (shown < 0) out += '-';
  AppendInteger(out, static_cast<uint64_t>(shown < 0 ? -shown : shown));
}

bool IsQuote(char c) {
  return c == '"' || c == '\'';
}

// Index just past the quoted text that starts at `open` (or the end of the text).
size_t SkipQuoted(std::string_view text, size_t open) {
  size_t close = text.find(text[open], open + 1);
  return close == std::string_view::npos ? text.size() : close + 1;
}

// Up to three sections, split at ";" outside quotes.
struct TSections {
  std::string_view part[3];
  int count = 0;
};

TSections SplitSections(std::string_view pattern) {
  TSections s;
  size_t start = 0;
  size_t i = 0;
  while (i < pattern.size() && s.count < 2) {
    if (IsQuote(pattern[i])) {
      i = SkipQuoted(pattern, i);
    } else if (pattern[i] == ';') {
      s.part[s.count++] = pattern.substr(start, i - start);
      start = ++i;
    } else {
      ++i;
    }
  }
  // The third section ends at the next ";" (a fourth, text section is not used).
  std::string_view rest = pattern.substr(start);
  if (s.count == 2) {
    for (size_t j = 0; j < rest.size(); ++j) {
      if (IsQuote(rest[j])) {
        j = SkipQuoted(rest, j) - 1;
      } else if (rest[j] == ';') {
        rest = rest.substr(0, j);
        break;
      }
    }
  }
  s.part[s.count++] = rest;
  return s;
}

// Section n (0 positive, 1 negative, 2 zero), falling back to the first when missing or empty.
std::string_view SectionOrFirst(const TSections& s, int n) {
  if (n < s.count && !s.part[n].empty()) return s.part[n];
  return s.part[0];
}

// What a scan of one section finds.
struct TSectionLayout {
  int integerPlaces = 0;     // placeholders before the decimal point
  int fractionPlaces = 0;    // placeholders after it
  int firstZero = -1;        // placeholder index of the first "0", -1 when none
  int lastFractionZero = 0;  // fraction positions up to the last "0" after the point
  bool grouping = false;
  bool scientific = false;
  int exponentWidth = 0;
};

// True when an exponent marker ("E+", "E-", "e+", "e-") starts at i.
bool IsExponentAt(std::string_view s, size_t i) {
  return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

TSectionLayout ScanSection(std::string_view s) {
  TSectionLayout layout;
  bool afterPoint = false;
  for (size_t i = 0; i < s.size();) {
    char c = s[i];
    if (IsQuote(c)) {
      i = SkipQuoted(s, i);
      continue;
    }
    if (c == '0' || c == '#') {
      int index = layout.integerPlaces + layout.fractionPlaces;
      if (c == '0' && layout.firstZero < 0) layout.firstZero = index;
      if (afterPoint) {
        ++layout.fractionPlaces;
        if (c == '0') layout.lastFractionZero = layout.fractionPlaces;
      } else {
        ++layout.integerPlaces;
      }
    } else if (c == '.') {
      afterPoint = true;
    } else if (c == ',') {
      layout.grouping = true;
    } else if (IsExponentAt(s, i)) {
      layout.scientific = true;
      i += 2;
      while (i < s.size() && s[i] == '0') {
        ++layout.exponentWidth;
        ++i;
      }
      if (layout.exponentWidth > 4) layout.exponentWidth = 4;
      break;  // what follows the exponent is literal text
    }
    ++i;
  }
  return layout;
}

// Writes one section with the (already rounded) digits of the value.
class TPatternWriter {
 public:
  TPatternWriter(std::string& out, const TSectionLayout& layout, const TDecimal& d,
                 const UserLocale& locale)
      : out_(out), layout_(layout), d_(d), locale_(locale) {
    if (layout.scientific) {
      integerDigits_ = d.count == 0 ? 0 : layout.integerPlaces;
      fractionDigits_ = d.count > layout.integerPlaces ? d.count - layout.integerPlaces : 0;
      firstFractionIndex_ = layout.integerPlaces;
      exponent_ = d.count == 0 ? 0 : d.exponent - layout.integerPlaces;
    } else {
      integerDigits_ = d.exponent > 0 ? d.exponent : 0;
      fractionDigits_ = d.count > d.exponent ? d.count - d.exponent : 0;
      firstFractionIndex_ = d.exponent;
    }
  }

  void Write(std::string_view s) {
    int placeholder = 0;
    for (size_t i = 0; i < s.size();) {
      char c = s[i];
      if (IsQuote(c)) {
        size_t end = SkipQuoted(s, i);
        size_t close = end > i + 1 && end <= s.size() && s[end - 1] == c ? end - 1 : end;
        out_.append(s.substr(i + 1, close - (i + 1)));
        i = end;
        continue;
      }
      if (c == '0' || c == '#') {
        WritePlaceholder(placeholder++);
        ++i;
        continue;
      }
      if (c == '.' || c == ',') {
        ++i;
        continue;
      }
      if (layout_.scientific && IsExponentAt(s, i)) {
        WriteExponent(c, s[i + 1]);
        i += 2;
        while (i < s.size() && s[i] == '0') ++i;
        out_.append(s.substr(i));
        return;
      }
      out_ += c;
      ++i;
    }
  }

 private:
  // The j-th integer digit from the left.
  char IntegerDigit(int j) const { return j < d_.count ? d_.digits[j] : '0'; }

  // The k-th fraction digit (1-based).
  char FractionDigit(int k) const {
    int index = firstFractionIndex_ + k - 1;
    return index >= 0 && index < d_.count ? d_.digits[index] : '0';
  }

  void WriteIntegerDigit(char digit, int digitsAfter) {
    out_ += digit;
    if (layout_.grouping && digitsAfter > 0 && digitsAfter % 3 == 0) {
      out_ += locale_.thousandsSeparator;
    }
  }

  // Integer digits that have no placeholder of their own come out at the first placeholder.
  void WriteSurplusIntegerDigits() {
    int surplus = integerDigits_ - layout_.integerPlaces;
    for (int j = 0; j < surplus; ++j) WriteIntegerDigit(IntegerDigit(j), integerDigits_ - 1 - j);
  }

  void WritePlaceholder(int index) {
    if (index == 0) WriteSurplusIntegerDigits();
    if (index < layout_.integerPlaces) {
      int position = layout_.integerPlaces - 1 - index;  // 0 = the units digit
      if (position < integerDigits_) {
        WriteIntegerDigit(IntegerDigit(integerDigits_ - 1 - position), position);
      } else if (layout_.firstZero >= 0 && index >= layout_.firstZero) {
        WriteIntegerDigit('0', position);
      }
      return;
    }
    int k = index - layout_.integerPlaces + 1;
    if (k > fractionDigits_ && k > layout_.lastFractionZero) return;
    if (!wroteDecimalSeparator_) {
      out_ += locale_.decimalSeparator;
      wroteDecimalSeparator_ = true;
    }
    out_ += k <= fractionDigits_ ? FractionDigit(k) : '0';
  }

  void WriteExponent(char letter, char sign) {
    out_ += letter;
    if (exponent_ < 0) {
      out_ += '-';
    } else if (sign == '+') {
      out_ += '+';
    }
    AppendInteger(out_, static_cast<uint64_t>(exponent_ < 0 ? -exponent_ : exponent_),
                  layout_.exponentWidth);
  }

  std::string& out_;
  const TSectionLayout& layout_;
  const TDecimal& d_;
  const UserLocale& locale_;
  int integerDigits_ = 0;
  int fractionDigits_ = 0;
  int firstFractionIndex_ = 0;
  int exponent_ = 0;
  bool wroteDecimalSeparator_ = false;
};

// The digits a section shows: rounded to its decimals, or to its placeholders when scientific.
TDecimal RoundForSection(double value, const TSectionLayout& layout) {
  TDecimal d = DecimalOf(value);
  if (layout.scientific) {
    int places = layout.integerPlaces + layout.fractionPlaces;
    RoundTo(d, places > 0 ? places : 1);
  } else {
    RoundTo(d, d.exponent + layout.fractionPlaces);
  }
  return d;
}

size_t CharacterCount(std::string_view text) {
  size_t count = 0;
  for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

}  // namespace

void AppendGeneralNumberText(std::string& out, double value, const UserLocale& locale) {
  size_t start = out.size();
  AppendGeneral(out, value, locale.decimalSeparator);
  CapLength(out, start);
}

std::string GeneralNumberText(double value, const UserLocale& locale) {
  std::string out;
  AppendGeneralNumberText(out, value, locale);
  return out;
}

std::string PatternNumberText(std::string_view pattern, double value, const UserLocale& locale) {
  std::string out;
  AppendPatternNumberText(out, pattern, value, locale);
  return out;
}

void AppendPatternNumberText(std::string& out, std::string_view pattern, double value,
                             const UserLocale& locale) {
  if (CharacterCount(pattern) > kMaxNumberPatternLength) throw EXlsPatternTooLong();
  TSections sections = SplitSections(pattern);
  if (!std::isfinite(value) || sections.part[0].empty()) {
    AppendGeneralNumberText(out, value, locale);
    return;
  }

  int sectionIndex = std::signbit(value) && value != 0 ? 1 : 0;
  std::string_view section = SectionOrFirst(sections, sectionIndex);
  bool firstSectionInUse = section.data() == sections.part[0].data();
  TSectionLayout layout = ScanSection(section);
  TDecimal digits = RoundForSection(value, layout);
  if (!layout.scientific && digits.exponent > kMaxDigits) {
    AppendGeneralNumberText(out, value, locale);
    return;
  }
  if (digits.count == 0) {
    // A value that rounds to zero is shown by the zero section, as zero.
    section = SectionOrFirst(sections, 2);
    firstSectionInUse = section.data() == sections.part[0].data();
    layout = ScanSection(section);
    digits = TDecimal{};
  }

  const size_t start = out.size();
  if (digits.negative && firstSectionInUse) out += '-';
  TPatternWriter(out, layout, digits, locale).Write(section);
  CapLength(out, start);
}

}  // namespace scrivtar
