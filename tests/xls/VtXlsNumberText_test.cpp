#include "xls/VtXlsNumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "scrivtar/UserLocale.h"

namespace scrivtar {
namespace {

struct NumberCase {
  double value;
  const char* text;
};

TEST(GeneralNumberText, FixedScientificAndRounding) {
  const UserLocale locale = UserLocale::EnUs();
  const NumberCase cases[] = {
      {1234.5, "1234.5"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {1e15, "1E15"},
      {123456789012345, "123456789012345"},
      {1.0 / 3, "0.333333333333333"},
      {-2.5, "-2.5"},
      {0, "0"},
      {-0.0, "0"},
      {0.1 + 0.2, "0.3"},
      {1e20, "1E20"},
      {-1.5e-7, "-1.5E-7"},
      {1.25e300, "1.25E300"},
      // 15 significant digits: the 16th rounds half away from zero and may carry.
      {999999999999999.9, "1E15"},
      {123456789012345.5, "123456789012346"},  // an exact half
      {1.0000000000000004, "1"},
      {2.0 / 3, "0.666666666666667"},
      {100, "100"},
      {-7, "-7"},
      {12.0625, "12.0625"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
      {std::nan(""), "NAN"},
      {5e-324, "4.94065645841247E-324"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GeneralNumberText(c.value, locale), c.text) << c.value;
  }
}

TEST(GeneralNumberText, UsesTheLocaleDecimalSeparator) {
  UserLocale locale = UserLocale::EnUs();
  locale.decimalSeparator = ",";
  EXPECT_EQ(GeneralNumberText(1234.5, locale), "1234,5");
  EXPECT_EQ(GeneralNumberText(0.00001234, locale), "1,234E-5");
}

struct PatternCase {
  const char* pattern;
  double value;
  const char* text;
};

TEST(PatternNumberText, PlaceholdersSectionsAndRounding) {
  const UserLocale locale = UserLocale::EnUs();
  const PatternCase cases[] = {
      {"0.00", 2.375, "2.38"},
      {"0.00", -2.375, "-2.38"},
      {"0.00", 0.125, "0.13"},  // an exact half rounds away from zero
      {"0.00", -0.125, "-0.13"},
      {"0.00", 0.005, "0.01"},
      {"0.00", 0.0049, "0.00"},
      {"0", 0.5, "1"},
      {"0", 1.5, "2"},
      {"0", 2.5, "3"},
      {"0", 9.5, "10"},
      {"#,##0", 1234567.891, "1,234,568"},
      {"#,##0.00", 1234567.891, "1,234,567.89"},
      {"#,##0", 999.5, "1,000"},
      {"#,##0", 12, "12"},
      {"#,##0", -1234, "-1,234"},
      {"0,000", 5, "0,005"},
      {"0.00E+00", 12345, "1.23E+04"},
      {"##0.0E+0", 12345, "123.5E+2"},
      {"0.00E+00", 0.00012345, "1.23E-04"},
      {"0.00E-00", 12345, "1.23E04"},
      {"0.00E-00", 0.012345, "1.23E-02"},
      {"0.00E+00", 9.999, "1.00E+01"},
      {"0;(0)", -5, "(5)"},
      {"0.0;(0.0)", 0, "0.0"},
      {"0.0;(0.0);zero", 0, "zero"},
      {"0.0;(0.0);zero", -0.01, "zero"},  // rounds to zero: the zero section, no sign
      {"0;;", -3, "-3"},                  // an empty negative section falls back to the first
      {"#.##", 0.5, ".5"},
      {"0.##", 3, "3"},
      {"0.##", 3.1, "3.1"},
      {"000", 7, "007"},
      {"#0", 0.4, "0"},
      {"#", 0.4, ""},
      {"#", 1234, "1234"},
      {"00", 12345, "12345"},
      {".00", 12.5, "12.50"},
      {"0.00", 1e19, "1E19"},  // more than 18 integer digits: the general text
      {"0.000", 2.5, "2.500"},
      {"0%", 25.6, "26%"},
      {"0.00%", 25.6, "25.60%"},
      {"$#,##0 ;$#,##0", -1234, "$1,234"},
      {"$#,##0 ;$#,##0", 1234, "$1,234 "},
      {"  #,##0 ;  #,##0;  \"-\" ;  ", 0, "  - "},
      {"\"Total: \"0", 4, "Total: 4"},
      {"'a;b'0;x", 4, "a;b4"},
      {"0 \"kg\"", 12.4, "12 kg"},
      {"", 1.5, "1.5"},
      {";0", 2, "2"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PatternNumberText(c.pattern, c.value, locale), c.text)
        << "pattern \"" << c.pattern << "\" value " << c.value;
  }
}

TEST(PatternNumberText, LocaleSeparators) {
  UserLocale locale = UserLocale::EnUs();
  locale.decimalSeparator = ",";
  locale.thousandsSeparator = "\xC2\xA0";  // no-break space, two UTF-8 bytes
  EXPECT_EQ(PatternNumberText("#,##0.00", 1234567.891, locale),
            "1\xC2\xA0"
            "234\xC2\xA0"
            "567,89");
  locale.thousandsSeparator = "";
  EXPECT_EQ(PatternNumberText("#,##0", 1234567, locale), "1234567");
}

TEST(PatternNumberText, LongPatternsAreAnErrorAndNothingOverflows) {
  const UserLocale locale = UserLocale::EnUs();
  EXPECT_NO_THROW(PatternNumberText(std::string(224, '0'), 1, locale));
  EXPECT_THROW(PatternNumberText(std::string(225, '0'), 1, locale), EXlsPatternTooLong);
  // 224 placeholders with grouping, literal text that doubles in the output: capped at 256.
  std::string grouped = "#," + std::string(222, '0');
  EXPECT_LE(PatternNumberText(grouped, 1e17, locale).size(), kMaxNumberTextBytes);
  std::string literal(224, 'x');
  EXPECT_EQ(PatternNumberText(literal, 5, locale), literal);
  // Infinity and not-a-number never reach a pattern.
  EXPECT_EQ(PatternNumberText("0.00", std::numeric_limits<double>::infinity(), locale), "INF");
}

}  // namespace
}  // namespace scrivtar
