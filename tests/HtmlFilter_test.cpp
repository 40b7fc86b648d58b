// The HTML filter: character sets, layout, and the filter interface over a memory stream record.
#include "scrhtm/HtmlFilter.h"

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "common/MemoryStream.h"
#include "scrhtm/HtmlCharset.h"

namespace scrivtar::html {
namespace {

using test::FixturesDir;
using test::ReadFileBytes;

std::string Convert(std::string_view html, int32_t* rc = nullptr, uint32_t bufferSize = 65536) {
  return filters::ConvertInMemory(html, CreateConverter, rc, bufferSize);
}
std::string ConvertFixture(const char* name) {
  return Convert(ReadFileBytes(FixturesDir() / "html" / name));
}

TEST(HtmlFilter, LibreOfficeDocument) {
  EXPECT_EQ(ConvertFixture("letter.html"),
            "Quarterly Report\r\n"
            "Grüße aus Köln: naïve café, déjà vu — “quoted” text.\r\n"
            "Ελληνικά και Кириллица: Привет, мир!\r\n"
            "Item\tQuantity\tPrice\r\n"
            "Äpfel\t12\t3,50 €\r\n"
            "Visit our website for more.\r\n"
            "• First bullet\r\n"
            "• Second bullet with ß\r\n"
            "Second page: the end.\r\n");
}

TEST(HtmlFilter, CharacterSets) {
  // Declared in a meta tag; head, title, style, script and comments are not text.
  EXPECT_EQ(ConvertFixture("cp1252-meta.html"), "Café – “quoted” € 5\r\nStraße\r\n");
  // Undeclared: valid UTF-8 is UTF-8, anything else Windows-1252.
  EXPECT_EQ(ConvertFixture("utf8-undeclared.html"), "Grüße — Привет 世界\r\n");
  EXPECT_EQ(ConvertFixture("cp1252-undeclared.html"), "Café crème …\r\n");
  // A byte-order mark wins.
  EXPECT_EQ(Convert(std::string_view("\xFF\xFE<\0p\0>\0\xE9\0", 10)), "é\r\n");
  // A Latin-1 label means Windows-1252, as in browsers.
  EXPECT_EQ(Convert("<meta charset=iso-8859-1><p>\x93q\x94</p>"), "“q”\r\n");
}

TEST(HtmlFilter, DeclaredCharsetLookup) {
  struct TCase {
    std::string html;
    std::string declared;
    std::string chosen;
  };
  const TCase cases[] = {
      {"<meta charset=\"UTF-8\">", "utf-8", "utf-8"},
      {"<META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=KOI8-R'>", "koi8-r", "koi8-r"},
      {"<meta content=\"text/html;charset=windows-1251\" http-equiv=\"content-type\"/>",
       "windows-1251", "windows-1251"},
      {"<!-- <meta charset=koi8-r> --><p>\xE9", "", "windows-1252"},
      {"<body><meta charset=koi8-r>", "", "UTF-8"},
      {"<meta charset=no-such-set><p>ok", "no-such-set", "UTF-8"},
      {"<meta charset=utf-16><p>ok", "utf-16", "UTF-8"},
      {"<meta name=x><meta charset=latin1>", "latin1", "windows-1252"},
      {"<meta charset", "", "UTF-8"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(DeclaredCharset(c.html), c.declared) << c.html;
    EXPECT_EQ(ChooseEncoding(c.html), c.chosen) << c.html;
  }
}

TEST(HtmlFilter, Layout) {
  EXPECT_EQ(ConvertFixture("layout.html"),
            "Title with spaces\r\n"
            "one bold\u00A0and&more <tag>\r\n"
            "block\r\nbroken\r\n"
            "• alpha\r\n• beta\r\n"
            "1. first\r\n2. second\r\n"
            "A\tB\r\n1\t\t3\r\n"
            "  keep   this\r\n    as is\r\n"
            "tail\r\n");
}

TEST(HtmlFilter, MalformedMarkupNeverFails) {
  const std::string cases[] = {
      "",
      "<",
      "<p",
      "</p></div></table>text",
      "<table><td>a<td>b<tr><td>c",
      "<script>never closed",
      "<!-- never closed",
      "&#xFFFFFFFF; &#0; &bogus; &amp",
      std::string("a\0b\xFF\xFE", 5),
      "<li>stray<ol><li>x</ul></ol></li>",
      "<pre>\n\n</pre><pre></pre>",
  };
  for (const std::string& html : cases) {
    int32_t rc = -1;
    Convert(html, &rc);
    EXPECT_EQ(rc, 0) << html;
  }
  EXPECT_EQ(Convert("<table><td>a<td>b<tr><td>c"), "a\tb\r\nc\r\n");
}

TEST(HtmlFilter, DeepNesting) {
  constexpr size_t kDepth = 100000;
  std::string html;
  for (size_t i = 0; i < kDepth; ++i) html += "<div><ul><table><tr><td>";
  html += "deep";
  int32_t rc = -1;
  std::string text = Convert(html, &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_NE(text.find("deep"), std::string::npos);
}

TEST(HtmlFilter, InterfaceContract) {
  EXPECT_STREQ(GetFilterExtensions(), "HTM");
  EXPECT_EQ(GetFilterExtensions(), GetFilterExtensions());
  std::string html = ReadFileBytes(FixturesDir() / "html" / "letter.html");
  EXPECT_EQ(Convert(html, nullptr, 1), Convert(html));
}

}  // namespace
}  // namespace scrivtar::html
