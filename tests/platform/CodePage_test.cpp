// Code page conversions both ways and the default code page of a locale.
#include "platform/CodePage.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>

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

// What glibc's iconv makes of one UTF-16 unit (nullopt where it has no bytes for it).
std::optional<std::string> IconvEncode(const char* name, char16_t unit) {
  iconv_t cd = iconv_open(name, "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  char in[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  char out[16];
  char* inPtr = in;
  char* outPtr = out;
  size_t inLeft = 2, outLeft = sizeof out;
  bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
            iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (!ok) return std::nullopt;
  return std::string(out, outPtr);
}

// What glibc's iconv decodes one byte to, flushed (empty where the byte is undefined).
std::u16string IconvDecode(const char* name, uint8_t byte) {
  iconv_t cd = iconv_open("UTF-16LE", name);
  char in = static_cast<char>(byte);
  char out[16];
  char* inPtr = &in;
  char* outPtr = out;
  size_t inLeft = 1, outLeft = sizeof out;
  std::u16string wide;
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
      iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1)) {
    for (const char* p = out; p + 1 < outPtr; p += 2)
      wide.push_back(
          static_cast<char16_t>(static_cast<uint8_t>(p[0]) | (static_cast<uint8_t>(p[1]) << 8)));
  }
  iconv_close(cd);
  return wide;
}

bool IsSingleByte(int32_t codePage) {
  return platform::SingleByteEncodeTable(codePage) != nullptr || codePage == 1255 ||
         codePage == 1258;
}

// Every BMP character of every served code page encodes to exactly iconv's bytes or "?"; every
// byte of a single-byte code page decodes to iconv's character, or where iconv has none to
// U+FFFD or the C1 control of its value: never to a letter the code page lacks.
TEST(CodePage, EveryServedCodePageMatchesIconv) {
  std::u16string bmp;
  for (uint32_t u = 1; u < 0x10000; ++u) {
    if (u < 0xD800 || u > 0xDFFF) bmp.push_back(static_cast<char16_t>(u));
  }
  int served = 0;
  for (int32_t id = 1; id < 65536; ++id) {
    const char* name = platform::IconvNameOfCodePage(id);
    if (!name || id == 1200 || id == 1201 || id == 65001) continue;  // Unicode: no holes
    ASSERT_TRUE(platform::IsCodePageSupported(id)) << id << " " << name;
    ++served;
    std::string out = platform::WideToCodePage(id, bmp);
    size_t pos = 0;
    for (char16_t u : bmp) {
      std::string expected = IconvEncode(name, u).value_or("?");
      ASSERT_EQ(out.compare(pos, expected.size(), expected), 0)
          << "code page " << id << ", U+" << std::hex << static_cast<int>(u);
      pos += expected.size();
    }
    EXPECT_EQ(pos, out.size()) << id;
    if (!IsSingleByte(id)) continue;
    for (int b = 1; b < 256; ++b) {
      std::u16string got = platform::CodePageToWide(id, std::string(1, static_cast<char>(b)));
      std::u16string want = IconvDecode(name, static_cast<uint8_t>(b));
      if (want.size() == 1) {
        EXPECT_EQ(got, want) << "code page " << id << ", byte " << b;
      } else {
        EXPECT_TRUE(got == u"\uFFFD" || (b >= 0x80 && b < 0xA0 && got.size() == 1 && got[0] == b))
            << "code page " << id << ", undefined byte " << b;
      }
    }
  }
  EXPECT_GT(served, 40);
}

TEST(CodePage, CombiningCodePagesKeepTheirLetters) {
  // 1258 writes a letter it lacks as base letter and tone mark, and reads the pair back as one.
  const std::u16string vietnamese = u"Ti\u1EBFng Vi\u1EC7t: \u0110\u01A1n \u0102n \u01A0n";
  const std::string bytes = "Ti\xEA\xECng Vi\xEA\xF2t: \xD0\xF5n \xC3n \xD5n";
  EXPECT_EQ(platform::WideToCodePage(1258, vietnamese), bytes);
  EXPECT_EQ(platform::CodePageToWide(1258, bytes), vietnamese);
  EXPECT_EQ(platform::CodePageToWide(1258, "\xD0"), u"\u0110");
  // 1255 has no e acute: a question mark, not the Hebrew letter at E9.
  EXPECT_EQ(platform::WideToCodePage(1255, u"caf\u00E9 \u05D9"), "caf? \xE9");
  EXPECT_EQ(platform::WideToCodePage(874, u"\u00FC"), "?");
  EXPECT_EQ(platform::WideToCodePage(1257, u"\u00A5"), "?");
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
