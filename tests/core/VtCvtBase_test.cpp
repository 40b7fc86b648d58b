// The output step: line ends, the two UTF-8 decoders, the encoders and the store.
#include "core/VtCvtBase.h"

#include <gtest/gtest.h>

#include <random>

namespace scrivtar {
namespace {

std::string Hex(std::string_view bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string Hex(std::u16string_view units) {
  std::string out;
  char buffer[8];
  for (char16_t u : units) {
    std::snprintf(buffer, sizeof buffer, "%s%04X", out.empty() ? "" : " ", unsigned(u));
    out += buffer;
  }
  return out;
}

struct LineEndCase {
  std::string in;
  int32_t style;
  std::string out;
};

TEST(NormalizeLineEnds, EveryLineEndBecomesOneOfTheStyle) {
  const LineEndCase cases[] = {
      {"a\rb", kCrLf, "a\r\nb"},
      {"a\r\nb", kCrLf, "a\r\nb"},
      {"a\nb", kCrLf, "a\r\nb"},
      {"\r\r\n", kCrLf, "\r\n\r\n"},  // CR CR LF is two line ends
      {"\n\r", kCrLf, "\r\n\r\n"},    // LF CR is two as well
      {"a\r\nb\rc\nd", kLf, "a\nb\nc\nd"},
      {"a\r\nb\rc\nd", kCr, "a\rb\rc\rd"},
      {"a\nb", 7, "a\r\nb"},  // unknown styles behave like CR LF
      {"\r", kLf, "\n"},
      {"", kCrLf, ""},
      {"no line ends at all, long enough to cross a vector chunk", kLf,
       "no line ends at all, long enough to cross a vector chunk"},
      {"0123456789abcdef\r0123456789abcde\r\n", kLf, "0123456789abcdef\n0123456789abcde\n"},
      {"\xE2\x80\xA8", kCrLf, "\xE2\x80\xA8"},  // U+2028 is not a line end in 8-bit text
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(NormalizeLineEnds(c.in, c.style)), Hex(c.out))
        << Hex(c.in) << " style " << c.style;
  }
}

TEST(NormalizeLineEndsW, LineSeparatorCountsAsLineFeed) {
  EXPECT_EQ(NormalizeLineEndsW(u"a\u2028b\rc\r\nd\ne", kCrLf), u"a\r\nb\r\nc\r\nd\r\ne");
  EXPECT_EQ(NormalizeLineEndsW(u"a\u2028\r\n", kLf), u"a\n\n");
  EXPECT_EQ(NormalizeLineEndsW(u"\r\r\n", kCr), u"\r\r");
}

struct DecodeCase {
  std::string in;
  std::u16string lenient;
  std::u16string strict;
};

TEST(Utf8Decoders, LenientAndStrictRules) {
  const DecodeCase cases[] = {
      {"A\xE9"
       "B",
       u"A?B", u""},                 // E9 claims 3, cut at B to 1
      {"\xE4\xB8", u"\u0138", u""},  // lacks only its last byte: decoded with 2
      {"\xE4", u"?", u""},
      {"\xF0\x9F\x98\x80", u"?", u""},               // beyond the BMP; strict reads F0 as 3-byte
      {"\xC0\x80", u"?", std::u16string(1, u'\0')},  // over-long: strict does not check
      {"\xED\xA0\x80", u"?", u"\xD800"},             // surrogate value
      {"\xEF\xBF\xBE", u"?", u"\xFFFE"},
      {"\xC3\xA9", u"\u00E9", u"\u00E9"},
      {"\xE2\x80\xA8", u"\u2028", u"\u2028"},
      {"\x80", u"?", u""},    // stray continuation byte
      {"a\xC3", u"a?", u""},  // two-byte lead at the very end
      {"\xFF", u"?", u""},    // claims 8 far past the end
      {"\xFF\x80\x80\x80\x80\x80\x80\x80", u"\xFFFF", u""},
      {"\xF8\x88\x80\x80\x80", u"?",
       std::u16string(u"\x8200\0", 2)},  // five-byte form; strict reads 3 + 2
      {"\xC3\xA9\xE9", u"\u00E9?", u""},
      {"", u"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(Utf8DecodeLenient(c.in)), Hex(c.lenient)) << "lenient " << Hex(c.in);
    EXPECT_EQ(Hex(Utf8DecodeStrict(c.in)), Hex(c.strict)) << "strict " << Hex(c.in);
  }
}

TEST(WideToUtf8, OneSequencePerUnit) {
  EXPECT_EQ(Hex(WideToUtf8(u"a\u00E9\u20AC")), "61 C3 A9 E2 82 AC");
  // A surrogate pair becomes two three-byte sequences.
  EXPECT_EQ(Hex(WideToUtf8(u"\xD83D\xDE00")), "ED A0 BD ED B8 80");
}

struct EncodeCase {
  std::string in;
  int32_t codePage;
  Utf8Decoder decoder;
  std::string out;
};

TEST(EncodeFromUtf8, MarksAndCodePages) {
  const auto L = Utf8Decoder::kLenient;
  const auto S = Utf8Decoder::kStrict;
  const EncodeCase cases[] = {
      {"a", 65001, L,
       "\xEF\xBB\xBF"
       "a"},
      {"A\xE9"
       "B",
       65001, S,
       "\xEF\xBB\xBF"
       "A\xE9"
       "B"},  // 65001 passes bytes unchecked
      {"ab", 1200, L,
       std::string("\xFF\xFE"
                   "a\0b\0",
                   6)},
      {"A\xE9"
       "B",
       1200, S, "\xFF\xFE"},  // strict: only the mark
      {"A\xE9"
       "B",
       1200, L,
       std::string("\xFF\xFE"
                   "A\0?\0B\0",
                   8)},
      {"\xC3\xA9", 1252, L, "\xE9"},
      {"\xE2\x82\xAC", 1252, L, "\x80"},
      {"\xE6\x97\xA5", 1252, L, "?"},  // a character 1252 lacks
      {"\xF0\x9F\x98\x80", 1252, L, "?"},
      {"\xE6\x97\xA5\xE6\x9C\xAC", 932, L, "\x93\xFA\x96\x7B"},
      {"\xE4\xB8\xAD\xE6\x96\x87", 936, L, "\xD6\xD0\xCE\xC4"},
      {"\xD0\x9F\xD1\x80", 1251, L, "\xCF\xF0"},
      {"abc", 99999, L, ""},  // a code page nobody serves
      {"", 1252, L, ""},
      {"", 65001, L, "\xEF\xBB\xBF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(EncodeFromUtf8(c.in, c.codePage, c.decoder)), Hex(c.out))
        << Hex(c.in) << " cp " << c.codePage;
  }
}

TEST(EncodeFromUtf16, MarksAndCodePages) {
  EXPECT_EQ(Hex(EncodeFromUtf16(u"a\xD83D\xDE00", 65001)), "EF BB BF 61 ED A0 BD ED B8 80");
  EXPECT_EQ(Hex(EncodeFromUtf16(u"ab", 1200)), "FF FE 61 00 62 00");
  EXPECT_EQ(Hex(EncodeFromUtf16(u"\u00E9\u0416", 1252)), "E9 3F");
  EXPECT_EQ(Hex(EncodeFromUtf16(u"\u0416", 1251)), "C6");
  EXPECT_EQ(Hex(EncodeFromUtf16(u"\xD83D\xDE00", 1252)), "3F");  // one "?" per character
  EXPECT_EQ(EncodeFromUtf16(u"abc", 4242), "");
}

TEST(StoreText, ReusedBlockKeepsOnlyTheNewCount) {
  OutputBlock block;
  std::string big(5 * 1024 * 1024, 'x');
  EXPECT_EQ(StoreText(big, block), static_cast<int32_t>(big.size()));
  EXPECT_EQ(block.size(), big.size() + 1);
  EXPECT_EQ(StoreText("0123456789", block), 10);
  EXPECT_EQ(block.size(), 11u);
  EXPECT_EQ(std::string(block.begin(), block.begin() + 10), "0123456789");
  EXPECT_EQ(StoreText("", block), 0);
}

TEST(OutputUtf8Text, FusedPathsMatchTheComposedSteps) {
  // The 65001, 1200 and single-byte paths decode and write straight into the block, line by
  // line; they must equal line ends, then encode, then store -- truncated sequences before a
  // line end and at the very end of the text included.
  std::mt19937 rng(12345);
  const char alphabet[] = {'a',    '\r',   '\n',   '\xC3', '\xA9', '\xE2', '\x80',
                           '\xA8', '\xF0', '\x9F', '\xE4', '\xB8', '\xFF'};
  for (int round = 0; round < 400; ++round) {
    std::string text(rng() % 40, '\0');
    for (char& c : text) c = alphabet[rng() % sizeof alphabet];
    for (int32_t codePage : {65001, 1200, 1252, 1251, 437}) {
      for (int32_t style : {kCrLf, kCr, kLf}) {
        for (bool normalize : {true, false}) {
          OutputBlock block(3, 0xAA);  // a reused block
          int32_t n =
              OutputUtf8Text(text, normalize, style, codePage, Utf8Decoder::kLenient, block);
          std::string expected = EncodeFromUtf8(normalize ? NormalizeLineEnds(text, style) : text,
                                                codePage, Utf8Decoder::kLenient);
          ASSERT_EQ(n, static_cast<int32_t>(expected.size()));
          ASSERT_EQ(block.size(), expected.size() + 1);
          ASSERT_EQ(Hex(std::string(block.begin(), block.begin() + n)), Hex(expected))
              << Hex(text) << " cp " << codePage << " style " << style;
        }
      }
    }
  }
}

TEST(OutputUtf8Text, LineEndsBeforeEncoding) {
  OutputBlock block;
  int32_t n = OutputUtf8Text("a\rb", true, kCrLf, 65001, Utf8Decoder::kLenient, block);
  EXPECT_EQ(Hex(std::string(block.begin(), block.begin() + n)), "EF BB BF 61 0D 0A 62");
  n = OutputUtf8Text("a\nb", true, kCrLf, 1200, Utf8Decoder::kStrict, block);
  EXPECT_EQ(Hex(std::string(block.begin(), block.begin() + n)), "FF FE 61 00 0D 00 0A 00 62 00");
  // Empty text still gets its byte-order mark.
  n = OutputUtf8Text("", true, kCrLf, 1200, Utf8Decoder::kLenient, block);
  EXPECT_EQ(n, 2);
}

TEST(OutputUtf16Text, FusedPathsMatchTheComposedSteps) {
  std::mt19937 rng(777);
  const char16_t alphabet[] = {u'a',   u'\r', u'\n', 0x2028, 0xE9, 0x20AC, 0xD83D,
                               0xDE00, 0x7FF, 0x1F,  0x7F,   0x80, u' ',   u'~'};
  for (int round = 0; round < 300; ++round) {
    // Long enough, and mostly plain ASCII, for the block scans of printable runs to take part.
    std::u16string text(rng() % 80, u'\0');
    for (char16_t& u : text) {
      u = rng() % 2 ? static_cast<char16_t>(u'a' + rng() % 26)
                    : alphabet[rng() % (sizeof alphabet / sizeof alphabet[0])];
    }
    for (int32_t codePage : {65001, 1200, 1252}) {
      for (int32_t style : {0, 1, 2, 9}) {
        OutputBlock block(5, 0xAA);
        int32_t n = OutputUtf16Text(text, style, codePage, block);
        std::string expected = EncodeFromUtf16(NormalizeLineEndsW(text, style), codePage);
        ASSERT_EQ(block.size(), expected.size() + 1);
        ASSERT_EQ(Hex(std::string(block.begin(), block.begin() + n)), Hex(expected))
            << Hex(text) << " cp " << codePage << " style " << style;
      }
    }
  }
}

TEST(OutputUtf16Text, LineSeparatorAndMark) {
  OutputBlock block;
  int32_t n = OutputUtf16Text(u"a\u2028b", kCrLf, 65001, block);
  EXPECT_EQ(Hex(std::string(block.begin(), block.begin() + n)), "EF BB BF 61 0D 0A 62");
}

}  // namespace
}  // namespace scrivtar
