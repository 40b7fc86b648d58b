// The RTF filter through the filter interface, in-process over a memory stream record.
#include "scrrtf/RtfFilter.h"

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "common/MemoryStream.h"

namespace scrivtar::rtf {
namespace {

using test::FixturesDir;
using test::ReadFileBytes;

std::string Convert(std::string_view rtf, int32_t* rc = nullptr, uint32_t bufferSize = 65536) {
  return filters::ConvertInMemory(rtf, CreateConverter, rc, bufferSize);
}

TEST(RtfFilter, LibreOfficeDocument) {
  int32_t rc = -1;
  std::string text = Convert(ReadFileBytes(FixturesDir() / "rtf" / "letter.rtf"), &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(text,
            "Quarterly Report\r\n"
            "Grüße aus Köln: naïve café, déjà vu — “quoted” text.\r\n"
            "Ελληνικά και Кириллица: Привет, мир!\r\n"
            "Item\tQuantity\tPrice\r\n"
            "Äpfel\t12\t3,50 €\r\n"
            "Visit our website for more.\r\n"
            " • First bullet\r\n"
            " • Second bullet with ß\r\n"
            "Second page: the end.\r\n");
}

TEST(RtfFilter, FontCharacterSetsAndUnicode) {
  EXPECT_EQ(Convert(ReadFileBytes(FixturesDir() / "rtf" / "cyrillic.rtf")),
            "Latin: café\r\nПривет, мир!\r\nback to é and АБВ\r\n");
  EXPECT_EQ(Convert(ReadFileBytes(FixturesDir() / "rtf" / "unicode.rtf")),
            "Café €\r\nEuro€ sign\r\nEmoji 😀 end\r\nFallback При done\r\n"
            "—–‘x’“y”•a\u00A0b‑cd\te\r\nf\r\n");
}

struct TCase {
  const char* name;
  std::string rtf;
  std::string text;
};

class RtfCases : public ::testing::TestWithParam<TCase> {};

TEST_P(RtfCases, Text) {
  EXPECT_EQ(Convert(GetParam().rtf), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, RtfCases,
    ::testing::Values(
        TCase{
            "fields",
            R"({\rtf1 {\field{\*\fldinst HYPERLINK "http://x"}{\fldrslt link}} and {\field{\fldinst PAGE}{\fldrslt 7}}})",
            "link and 7"},
        TCase{
            "skipped_destinations",
            R"({\rtf1{\info{\title T}{\author A}}{\colortbl;\red0;}{\stylesheet{\s1 Heading;}}{\header head}{\*\unknown x}{\pict\pngblip 89504e47}{\object{\*\objdata 0102}{\result shown}}body})",
            "shownbody"},
        TCase{"binary_data", std::string("{\\rtf1 a\\bin5 {}\\\\x b}", 22), "a b"},
        TCase{"binary_count_past_end", "{\\rtf1 a\\bin999999 xyz", "a"},
        TCase{"huge_uc", "{\\rtf1\\uc5000\\u1055 abc}", "П"},
        TCase{"uc_fallback_stops_at_group_end", "{\\rtf1{\\uc3\\u1055 a}b}", "Пb"},
        TCase{"negative_and_huge_parameters", "{\\rtf1\\u-4064 \\f99999999999999 x\\uc-5\\u65 B}",
              "\uF020xAB"},
        TCase{"unbalanced_close", "{\\rtf1 a}}}b{c", "abc"},
        TCase{"unclosed_group", "{\\rtf1 {\\b bold", "bold"},
        TCase{"tables", "{\\rtf1 \\trowd a\\cell b\\cell\\row \\trowd \\cell c\\cell\\row}",
              "a\tb\r\n\tc\r\n"},
        TCase{"line_ends", "{\\rtf1 a\\par b\\line c\\sect d\\page e\\\nf}",
              "a\r\nb\r\nc\r\nd\r\ne\r\nf"},
        TCase{"escaped_symbols", "{\\rtf1 \\{x\\}\\\\ \\'41\\'4}", "{x}\\ A"},
        TCase{"double_byte_code_page", "{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0\\'82\\'a2 x}",
              "あい x"},
        TCase{"font_default_code_page",
              "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0 A;}{\\f1\\fcharset238 B;}}\\'b9{\\f0\\'b9}}",
              "ą¹"},
        TCase{"lone_surrogates", "{\\rtf1\\u-10179?x\\u-8704?}", "\uFFFDx\uFFFD"},
        TCase{"not_rtf_at_all", "plain text\r\nline", "plain textline"},
        TCase{"truncated_control_word", "{\\rtf1 abc\\", "abc"},
        TCase{"truncated_hex", "{\\rtf1 abc\\'", "abc"},
        // Footnotes sit beside their anchor's word, never glued to it, in both spellings.
        TCase{"footnote", "{\\rtf1 hello{\\footnote footnote content}\\par}",
              "hello footnote content\r\n"},
        TCase{"starred_footnote", "{\\rtf1 hello{\\*\\footnote\\pard note}world\\par}",
              "hello note world\r\n"},
        TCase{"footnote_in_a_table_cell",
              "{\\rtf1 \\trowd a{\\*\\footnote n}\\cell{\\footnote m}b\\cell\\row}",
              "a n\tm b\r\n"},
        // Shape and text box text comes as paragraphs of its own, once, in stored order.
        TCase{"shape_text",
              "{\\rtf1 before{\\shp{\\*\\shpinst\\shpleft0{\\sp{\\sn shapeType}{\\sv 202}}"
              "{\\shptxt\\pard inside\\par}}{\\shprslt{\\*\\do\\dobxcolumn{\\dptxbx inside}}}}"
              "after\\par}",
              "before\r\ninside\r\nafter\r\n"},
        TCase{"shape_inside_a_group",
              "{\\rtf1 a{\\b{\\*\\shpinst{\\sp{\\sn x}{\\sv 1}}{\\shptxt one}}}b}",
              "a\r\none\r\nb"},
        TCase{"drawing_object_text_box",
              "{\\rtf1 x{\\*\\do\\dobxcolumn\\dptxbx{\\pard boxed\\par}}y}", "x\r\nboxed\r\ny"},
        // Raw double-byte text: a lead byte takes the next byte, even "{", "}" or "\".
        TCase{"shift_jis_trail_brace",
              "{\\rtf1\\ansi\\ansicpg932 \x84\x4D\x84\x70\x84\x82\x84\x7B\x84\x75\x84\x82}",
              "Маркер"},
        TCase{"shift_jis_trail_backslash_by_font",
              "{\\rtf1{\\fonttbl{\\f1\\fcharset128 MS Mincho;}}\\f1 \x83\x5C\\par}", "ソ\r\n"},
        TCase{"big5_trail_backslash", "{\\rtf1\\ansi\\ansicpg950 \xB3\x5C!}", "許!"},
        TCase{"double_byte_run_across_groups",
              "{\\rtf1\\ansi\\ansicpg936 \xC4\xE3{\\b \xBA\xC3}\xCA\xC0}", "你好世"},
        // The Symbol font's letters are Greek letters and operators; picture fonts drop out.
        TCase{"symbol_charset",
              "{\\rtf1{\\fonttbl{\\f0 Times;}{\\f1\\fcharset2 Symbol;}}a{\\f1 ab\\'b3}b}", "aαβ≥b"},
        TCase{"symbol_by_name", "{\\rtf1{\\fonttbl{\\f1\\fnil Symbol;}}{\\f1 p}r}", "πr"},
        TCase{"symbol_as_unicode",
              "{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}{\\f1\\u-3999 ?\\u-3922 ?}}", "α→"},
        TCase{"picture_font_dropped",
              "{\\rtf1{\\fonttbl{\\f1\\fcharset2 Wingdings;}}x{\\f1 J\\'e0}y}", "xy"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RtfFilter, DeepNestingStaysOnTheHeap) {
  constexpr size_t kDepth = 100000;
  std::string rtf =
      "{\\rtf1 " + std::string(kDepth, '{') + "deep" + std::string(kDepth, '}') + " after}";
  EXPECT_EQ(Convert(rtf), "deep after");
  // Past the stack's bound, groups still balance.
  std::string deeper =
      "{\\rtf1 " + std::string(300000, '{') + "x" + std::string(300000, '}') + "{\\*\\skip y}z}";
  EXPECT_EQ(Convert(deeper), "xz");
  // Deep skipped destinations need no stack at all.
  std::string skipped =
      "{\\rtf1{\\*\\dest " + std::string(kDepth, '{') + std::string(kDepth, '}') + "}ok}";
  EXPECT_EQ(Convert(skipped), "ok");
}

TEST(RtfFilter, InterfaceContract) {
  EXPECT_STREQ(GetFilterExtensions(), "RTF");
  EXPECT_EQ(GetFilterExtensions(), GetFilterExtensions());
  std::string rtf = ReadFileBytes(FixturesDir() / "rtf" / "letter.rtf");
  // One byte per call gives the same text as full buffers.
  EXPECT_EQ(Convert(rtf, nullptr, 1), Convert(rtf));

  filters::TMemoryStream stream("{\\rtf1 hi}");
  ScrStreamRecord* record = stream.record();
  ASSERT_EQ(CreateConverter(record), 0);
  EXPECT_NE(record->filterState, nullptr);
  char buffer[16];
  uint32_t count = 99;
  ASSERT_EQ(filters::ReadConverterOf(record, buffer, sizeof buffer, &count), 0);
  EXPECT_EQ(std::string(buffer, count), "hi");
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(filters::ReadConverterOf(record, buffer, sizeof buffer, &count), 0);
    EXPECT_EQ(count, 0u);
  }
  EXPECT_EQ(filters::CloseConverterOf(record), 0);
  EXPECT_EQ(record->filterState, nullptr);
  EXPECT_EQ(filters::CloseConverterOf(record), 0);
  // Nothing was converted: ReadConverter on a closed record delivers nothing.
  EXPECT_EQ(filters::ReadConverterOf(record, buffer, sizeof buffer, &count), 0);
  EXPECT_EQ(count, 0u);
}

TEST(RtfFilter, LargeTextComesInFullPieces) {
  std::string body;
  for (int i = 0; i < 20000; ++i) body += "word\\'e9 \\u8364? text\\par\n";
  std::string text = Convert("{\\rtf1\\ansi " + body + "}");
  std::string line = "wordé € text\r\n";
  ASSERT_EQ(text.size(), line.size() * 20000);
  EXPECT_EQ(text.substr(0, line.size()), line);
  EXPECT_EQ(text.substr(text.size() - line.size()), line);
}

}  // namespace
}  // namespace scrivtar::rtf
