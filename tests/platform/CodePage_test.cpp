// Code page conversions both ways and the default code page of a locale.
#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include "core/VtCvtBase.h"
#include "scrivtar/UserLocale.h"

namespace scrivtar {
namespace {

struct RoundTrip {
  int32_t codePage;
  std::u16string text;
};

TEST(CodePage, RoundTripsThroughSingleAndMultiByteCodePages) {
  const RoundTrip cases[] = {
      {1252, u"caf\u00E9 \u20AC \u201Cquoted\u201D"},
      {1250, u"\u017Elu\u0165ou\u010Dk\u00FD k\u016F\u0148"},
      {1251, u"\u041F\u0440\u0438\u0432\u0435\u0442"},
      {1253, u"\u0391\u03B8\u03AE\u03BD\u03B1"},
      {866, u"\u041F\u0440\u0438"},
      {437, u"\u00C7\u00FC\u2591"},
      {28605, u"\u20AC\u0160"},
      {932, u"\u65E5\u672C\u8A9E\u30C6\u30AD\u30B9\u30C8 abc \uFF71"},
      {936, u"\u4E2D\u6587\u6587\u672C"},
      {949, u"\uD55C\uAD6D\uC5B4"},
      {950, u"\u7E41\u9AD4\u4E2D\u6587"},
      {874, u"\u0E20\u0E32\u0E29\u0E32\u0E44\u0E17\u0E22"},
      {65001, u"\u00E9\u65E5"},
  };
  for (const auto& c : cases) {
    std::string bytes = platform::WideToCodePage(c.codePage, c.text);
    ASSERT_FALSE(bytes.empty()) << c.codePage;
    EXPECT_EQ(platform::CodePageToWide(c.codePage, bytes), c.text) << c.codePage;
  }
}

TEST(CodePage, MissingCharactersBecomeQuestionMarks) {
  EXPECT_EQ(platform::WideToCodePage(932, u"a\u0416\u00E9b"), "a\x84\x47?b");  // Zhe is in 932
  EXPECT_EQ(platform::WideToCodePage(1251, u"a\u65E5b"), "a?b");
  EXPECT_EQ(platform::WideToCodePage(932,
                                     u"a\xD800"
                                     u"b"),
            "a?b");  // a lone surrogate
  EXPECT_EQ(platform::WideToCodePage(936, u"\xD83D\xDE00"), "?");
}

TEST(CodePage, UnservedCodePagesGiveNoBytes) {
  EXPECT_FALSE(platform::IsCodePageSupported(12345));
  EXPECT_EQ(platform::WideToCodePage(12345, u"abc"), "");
  EXPECT_TRUE(platform::IsCodePageSupported(1252));
  EXPECT_TRUE(platform::IsCodePageSupported(932));
}

TEST(CodePage, HolesOf1252MapToTheirOwnValue) {
  // 81, 8D, 8F, 90 and 9D are undefined in 1252; the Windows conversion keeps their values.
  EXPECT_EQ(platform::CodePageToWide(1252, "\x81\x8D\x80"), u"\u0081\u008D\u20AC");
}

struct LocaleCase {
  const char* name;
  int32_t defaultCodePage;
};

TEST(DefaultCodePage, FollowsTheLocaleCharsetAndLanguage) {
  const LocaleCase cases[] = {
      {"C", 1252},
      {"POSIX", 1252},
      {"C.UTF-8", 65001},
      {"en_US.UTF-8", 65001},
      {"de_DE.utf8", 65001},
      {"ru_RU.CP1251", 1251},
      {"ru_RU.KOI8-R", 1251},
      {"pl_PL.ISO-8859-2", 1250},
      {"ja_JP.eucJP", 932},
      {"zh_TW.Big5", 950},
      {"zh_CN.GB2312", 936},
      {"el_GR.ISO-8859-7", 1253},
      {"fr_FR.ISO-8859-1", 1252},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DefaultCodePage(UserLocale::FromName(c.name)), c.defaultCodePage) << c.name;
  }
}

TEST(UserLocale, BuiltInValuesForC) {
  UserLocale c = UserLocale::FromName("C");
  EXPECT_EQ(c.decimalSeparator, ".");
  EXPECT_EQ(c.monthNames[2], "March");
  EXPECT_EQ(c.dayAbbrevs[0], "Sun");
  EXPECT_EQ(c.oemCodePage, 437);
  EXPECT_EQ(UserLocale::FromName("ru_RU.CP1251").oemCodePage, 866);
}

}  // namespace
}  // namespace scrivtar
