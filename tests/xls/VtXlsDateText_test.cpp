#include "xls/VtXlsDateText.h"

#include <gtest/gtest.h>

#include "scrivtar/UserLocale.h"

namespace scrivtar {
namespace {

struct DateCase {
  const char* pattern;
  double serial;
  const char* text;
};

TEST(DateTimePatternText, PatternLetters) {
  const UserLocale locale = UserLocale::EnUs();
  const DateCase cases[] = {
      {"mm-dd-yy", 45000.5, "03-15-23"},
      {"m/d/yy", 45000, "3/15/23"},
      {"yyyy-mm-dd", 45000, "2023-03-15"},
      {"yyy", 45000, "2023"},
      {"y", 45000, "23"},
      {"d-mmm-yy", 45000, "15-Mar-23"},
      {"d-mmm", 45000, "15-Mar"},
      {"mmmm", 45000, "March"},
      {"ddd", 45000, "Wed"},
      {"dddd", 45000, "Wednesday"},
      {"dddd", 45001, "Thursday"},
      {"h:mm AM/PM", 0.75, "6:00 PM"},
      {"h:mm AM/PM", 0.25, "6:00 AM"},
      {"h:mm am/pm", 0.75, "6:00 pm"},
      {"h:mm:ss AM/PM", 0.5, "12:00:00 PM"},
      {"hh:mm A/P", 0, "12:00 A"},
      {"h:mm a/p", 0.9, "9:36 p"},
      {"h AMPM", 0.75, "6 PM"},
      {"h:mm", 0.75, "18:00"},
      {"hh:mm:ss", 0.0416666666666667, "01:00:00"},
      {"h:m:s", 0.0423611111111111, "1:1:0"},
      {"h:nn", 0.75, "18:00"},
      {"mm:ss", 0.75, "12:00"},  // no "h" before it: "mm" is the month
      {"mm:ss.0", 0.75, "12:00.0"},
      {":mm:ss", 0.75, ":12:00"},
      {"h:mm:ss.zzz", 0.5000001, "12:00:00.009"},
      {"s.z", 0.5000001, "0.9"},
      {"s.zz", 0.5000001, "0.09"},
      {"m/d/yy h:mm", 45000.75, "3/15/23 18:00"},
      {"yyyy\"y\"mm'm'", 45000, "2023y03m"},
      {"d \"unterminated", 45000, "15 unterminated"},
      {"aaa", 45000, "Wed"},
      {"aaaa", 45000, "Wednesday"},
      {"c", 45000.5, "3/15/2023 12:00:00 PM"},
      {"", 45000, "3/15/2023"},
      {"ddddd", 45000.5, "3/15/2023"},
      {"dddddd", 45000, "Wednesday, March 15, 2023"},
      {"t", 0.75, "6:00 PM"},
      {"tt", 0.75, "6:00:00 PM"},
      {"g e", 45000, "A.D. 23"},
      {"Q1 x", 45000, "Q1 x"},
      {"yyyy-mm-dd", 2958465, "9999-12-31"},
      {"yyyy-mm-dd", -693593, "0001-01-01"},
      {"mmm-yy", 2958466, "2958466"},  // past the year 9999: no date, the general number text
      {"mmm-yy", -1e300, "-1E300"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DateTimePatternText(c.pattern, c.serial, locale), c.text)
        << "pattern \"" << c.pattern << "\" serial " << c.serial;
  }
}

TEST(DateTimePatternText, RoundsToTheMillisecond) {
  const UserLocale locale = UserLocale::EnUs();
  EXPECT_EQ(DateTimePatternText("yyyy-mm-dd hh:nn:ss.zzz", 45000.999999995, locale),
            "2023-03-16 00:00:00.000");
  EXPECT_EQ(DateTimePatternText("yyyy-mm-dd hh:nn:ss.zzz", 45000.99999999, locale),
            "2023-03-15 23:59:59.999");
  EXPECT_EQ(DateTimePatternText("hh:nn:ss.zzz", -0.25, locale), "18:00:00.000");
}

TEST(DateTimePatternText, ExcelSerialsOfEarly1900AndThe1904System) {
  const UserLocale locale = UserLocale::EnUs();
  const DateCase cases1900[] = {
      {"yyyy-mm-dd", 0.5, "1899-12-31"},
      {"yyyy-mm-dd dddd", 1, "1900-01-01 Monday"},
      {"yyyy-mm-dd", 59, "1900-02-28"},
      {"yyyy-mm-dd", 60, "1900-02-29"},  // Excel's day that never was
      {"yyyy-mm-dd", 61, "1900-03-01"},
      {"yyyy-mm-dd", -1, "1899-12-29"},
  };
  for (const auto& c : cases1900) {
    EXPECT_EQ(DateTimePatternText(c.pattern, c.serial, locale), c.text) << c.serial;
  }
  EXPECT_EQ(DateTimePatternText("yyyy-mm-dd", 0, locale, XlsDateSystem::k1904), "1904-01-01");
  EXPECT_EQ(DateTimePatternText("yyyy-mm-dd h:mm", 43538.75, locale, XlsDateSystem::k1904),
            "2023-03-15 18:00");
}

TEST(DateTimePatternText, LocaleTextsAndSeparators) {
  UserLocale locale = UserLocale::EnUs();
  locale.dateSeparator = ".";
  locale.timeSeparator = "\xE2\x88\xB6";  // a three-byte separator
  locale.monthAbbrevs[2] = "m\xC3\xA4r";
  locale.shortDatePattern = "dd/MM/yyyy";
  locale.longTimePattern = "HH:mm:ss";
  // A locale long date pattern that asks for a further locale pattern writes nothing for it.
  locale.longDatePattern = "ddddd d MMMM";
  EXPECT_EQ(DateTimePatternText("d/m/yy", 45000, locale), "15.3.23");
  EXPECT_EQ(DateTimePatternText("h:mm", 0.75, locale),
            "18\xE2\x88\xB6"
            "00");
  EXPECT_EQ(DateTimePatternText("d-mmm", 45000, locale), "15-m\xC3\xA4r");
  EXPECT_EQ(DateTimePatternText("c", 45000.75, locale),
            "15.03.2023 18\xE2\x88\xB6"
            "00\xE2\x88\xB6"
            "00");
  EXPECT_EQ(DateTimePatternText("dddddd", 45000, locale), " 15 March");
  locale.dateSeparator = "";
  EXPECT_EQ(DateTimePatternText("d/m", 45000, locale), "153");
}

TEST(DateTimePatternText, OutputIsCutAt256Bytes) {
  const UserLocale locale = UserLocale::EnUs();
  std::string pattern;
  for (int i = 0; i < 100; ++i) pattern += "mmmm ";
  std::string text = DateTimePatternText(pattern, 45000, locale);
  EXPECT_EQ(text.size(), kMaxDateTextBytes);
  EXPECT_EQ(text.substr(0, 12), "March March ");
  std::string huge(100000, 'h');
  EXPECT_EQ(DateTimePatternText(huge, 0.75, locale), "18");
}

}  // namespace
}  // namespace scrivtar
