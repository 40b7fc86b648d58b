#include "mht/VtMhtCvt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestFilters.h"
#include "TestSupport.h"
#include "hosts/Converters.h"
#include "scrivtar/Convert.h"
#include "scrivtar/Engine.h"

namespace scrivtar {
namespace {

using test::FixturesDir;
using test::ReadFileBytes;
using test::TestProgramDir;
using test::WriteFileBytes;

// "content type first-last" per part, e.g. "text/html 17-18".
std::vector<std::string> PartTable(const WebArchive& archive) {
  std::vector<std::string> table;
  for (const WebArchivePart& part : archive.parts) {
    table.push_back(part.contentType + " " + std::to_string(part.firstLine) + "-" +
                    std::to_string(part.lastLine));
  }
  return table;
}

std::vector<std::string> PartTableOf(const std::string& bytes) {
  WebArchive archive;
  EXPECT_TRUE(ParseWebArchiveText(bytes, archive));
  return PartTable(archive);
}

std::string HtmlOf(const std::string& bytes) {
  WebArchive archive;
  EXPECT_TRUE(ParseWebArchiveText(bytes, archive));
  return BuildArchiveHtml(archive);
}

// The lines joined with CR LF (each line ended by one).
std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) {
    text.append(line);
    text += "\r\n";
  }
  return text;
}

TEST(LineList, SplitsAtEveryLineBreakAndStopsAtAZeroByte) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\rb\n\nc", {"a", "", "b", "", "c"}},
      {"\r\n\r\n", {"", ""}},
      {"x\r\r\n", {"x", ""}},
      {std::string("one\ntw\0o\nthree", 14), {"one", "tw"}},
  };
  for (const auto& [text, expected] : cases) {
    TUniFileStringList lines;
    lines.SetText(text);
    std::vector<std::string> got;
    for (size_t n = 1; n <= lines.Count(); ++n) got.emplace_back(lines[n]);
    EXPECT_EQ(got, expected) << text;
  }
}

// A web archive as Internet Explorer saved them: quoted boundary on a continuation line, a
// preamble, two parts, a closing boundary.
const std::string kTypical = Lines({
    "From: <Saved by Windows Internet Explorer 8>",  // 1
    "Subject: page",                                 // 2
    "MIME-Version: 1.0",                             // 3
    "Content-Type: multipart/related;",              // 4
    "\ttype=\"text/html\";",                         // 5
    "\tboundary=\"----=_NextPart_000_0000_01CA\"",   // 6
    "Content-Location: http://example.com/",         // 7
    "",                                              // 8
    "This is a multi-part message in MIME format.",  // 9
    "",                                              // 10
    "------=_NextPart_000_0000_01CA",                // 11
    "Content-Type: text/html;",                      // 12
    "\tcharset=\"utf-8\"",                           // 13
    "Content-Transfer-Encoding: quoted-printable",   // 14
    "Content-Location: http://example.com/",         // 15
    "",                                              // 16
    "<html><body>=",                                 // 17
    "Hello =3D world</body></html>",                 // 18
    "",                                              // 19
    "------=_NextPart_000_0000_01CA",                // 20
    "Content-Type: image/gif",                       // 21
    "Content-Transfer-Encoding: base64",             // 22
    "",                                              // 23
    "R0lGODlh",                                      // 24
    "",                                              // 25
    "------=_NextPart_000_0000_01CA--",              // 26
});

TEST(PartTable, TypicalArchive) {
  WebArchive archive;
  ASSERT_TRUE(ParseWebArchiveText(kTypical, archive));
  EXPECT_EQ(archive.documentContentType, "multipart/related");
  EXPECT_EQ(archive.boundaries, std::vector<std::string>{"----=_NextPart_000_0000_01CA"});
  EXPECT_EQ(PartTable(archive), (std::vector<std::string>{"text/html 17-18", "image/gif 24-24"}));
  EXPECT_EQ(archive.parts[0].transferEncoding, "quoted-printable");
  EXPECT_EQ(BuildArchiveHtml(archive), "<html><body>Hello = world</body></html>\r\n");
}

TEST(PartTable, EdgeCases) {
  struct Case {
    const char* name;
    std::string archive;
    std::vector<std::string> parts;
  };
  const Case cases[] = {
      {"single part without boundaries",
       Lines({"Content-Type: text/html", "Subject: x", "", "<p>a</p>", "<p>b</p>"}),
       {"text/html 4-5"}},
      {"empty part, capital type, unclosed last part",
       Lines({"Content-Type: multipart/related; boundary=b", "", "--b", "Content-Type: text/plain",
              "", "--b", "Content-Type: Text/HTML", "", "<p>x</p>", "last"}),
       {"text/plain 6-4", "Text/HTML 9-10"}},
      {"nested alternative: its boundary learned from its header",
       Lines({"Content-Type: multipart/related; boundary=\"outer\"", "", "--outer",
              "Content-Type: multipart/alternative;", " boundary=\"inner\"", "", "--inner",
              "Content-Type: text/plain", "", "plain", "", "--inner", "Content-Type: text/html", "",
              "<p>html</p>", "--inner--", "", "--outer--"}),
       {"multipart/alternative 6-6", "text/plain 10-10", "text/html 15-15"}},
      {"encoded words folded without indentation stay one header line",
       Lines({"Content-Type: multipart/mixed; boundary=b", "", "--b",
              "Content-Description: =?utf-8?q?Caf=C3=A9?=", "=?utf-8?Q?_menu?=",
              "Content-Type: text/html", "", "<p>menu</p>", "--b--"}),
       {"text/html 8-8"}},
      {"header fields without a keyword stay in the part header",
       Lines({"Content-Type: multipart/related; boundary=b", "", "--b", "Content-Type: text/html",
              "MIME-Version: 1.0", "X-Other: 1", "\ttype=x", "Content-Transfer-Encoding: 8bit", "",
              "<p>x</p>", "--b--"}),
       {"text/html 10-10"}},
      {"first line skips =0A= and X-MimeOLE lines",
       Lines({"Content-Type: multipart/related; boundary=b", "", "--b", "Content-Type: text/html",
              "", "=0A=", "X-MimeOLE: Produced By Microsoft MimeOLE", "<p>x</p>", "", "", "--b--"}),
       {"text/html 8-8"}},
      {"a content line starting with a header keyword starts a part header",
       Lines({"Content-Type: multipart/related; boundary=b", "", "--b", "Content-Type: text/html",
              "", "<p>a</p>", "Content-Type: text/plain", "", "tail"}),
       {"text/html 6-6", "text/plain 9-9"}},
      {"case-insensitive boundary list, case-sensitive boundary lines",
       Lines({"Content-Type: multipart/related; boundary=\"AbC\"", "", "--AbC",
              "Content-Type: multipart/alternative; boundary=abc", "", "--abc", "--AbC",
              "Content-Type: text/html", "", "<p>x</p>", "--AbC--"}),
       {"multipart/alternative 5-6", "text/html 10-10"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PartTableOf(c.archive), c.parts);
  }
}

TEST(PartTable, ZeroByteAndMissingBlankLine) {
  std::string cut = Lines({"Content-Type: multipart/related; boundary=b", "", "--b",
                           "Content-Type: text/html", "", "<p>kept</p>", "<p>cut"}) +
                    std::string("\0here</p>\r\n--b--\r\n", 18);
  WebArchive archive;
  ASSERT_TRUE(ParseWebArchiveText(cut, archive));
  EXPECT_EQ(PartTable(archive), std::vector<std::string>{"text/html 6-7"});
  EXPECT_EQ(BuildArchiveHtml(archive), "<p>kept</p>\r\n<p>cut\r\n");

  EXPECT_FALSE(ParseWebArchiveText("Content-Type: text/html\r\n<p>no blank line</p>", archive));
  EXPECT_FALSE(ParseWebArchiveText("", archive));
  EXPECT_TRUE(ParseWebArchiveText("\r\n", archive));
  EXPECT_EQ(BuildArchiveHtml(archive), "");
}

std::string HtmlPart(std::string_view encoding, std::initializer_list<std::string_view> content) {
  std::string archive =
      Lines({"Content-Type: multipart/related; boundary=b", "", "--b", "Content-Type: text/html"});
  if (!encoding.empty()) archive += "Content-Transfer-Encoding: " + std::string(encoding) + "\r\n";
  archive += "\r\n" + Lines(content) + "--b--\r\n";
  return archive;
}

TEST(ArchiveHtml, QuotedPrintable) {
  EXPECT_EQ(HtmlOf(HtmlPart("quoted-printable",
                            {"<p class=3D\"a\">It=E2=80=99s =", "joined =3D41 =c3=a9 =ZZ =4",
                             "\xEF\xBB\xBFno mark", "=EF=BB=BFno mark either",
                             "<BASE HREF=3D\"http://x/\" /> kept <base href=3D\"y\"/>",
                             "<base href=3D\"open\">", "end"})),
            Lines({"<p class=\"a\">It\xE2\x80\x99s joined =41 \xC3\xA9 =ZZ =4", "no mark",
                   "no mark either", " kept <base href=\"y\"/>", "<base href=\"open\">", "end"}));
}

TEST(ArchiveHtml, SoftBreaksDoNotReachPastThePart) {
  // A soft break on a part's last line ends its content: neither the boundary after it nor the
  // next part's lines are joined to it.
  std::string archive =
      Lines({"Content-Type: multipart/related; boundary=b", "", "--b", "Content-Type: text/html",
             "Content-Transfer-Encoding: quoted-printable", "", "<p>a</p>=", "--b=",
             "Content-Type: text/html; x=", "Content-Transfer-Encoding: quoted-printable", "",
             "<p>b</p>=", "--b--"});
  EXPECT_EQ(HtmlOf(archive), Lines({"<p>a</p>", "<p>b</p>"}));
}

TEST(ArchiveHtml, OtherTransferEncodingsKeepTheirEqualsSigns) {
  // Base64 is decoded; 7bit, 8bit and parts without an encoding are taken as they are, so
  // "width=100" and a line ending in "=" survive. Marks and base elements go in every part.
  const std::string expected = Lines({"<table width=100>=", "=3D <p>", "</table>"});
  EXPECT_EQ(HtmlOf(HtmlPart("8bit", {"<table width=100>=", "=3D <base href=\"x\"/><p>",
                                     "\xEF\xBB\xBF</table>"})),
            expected);
  EXPECT_EQ(HtmlOf(HtmlPart("", {"<table width=100>=", "=3D <p>", "</table>"})), expected);
  EXPECT_EQ(HtmlOf(HtmlPart("7bit", {"<table width=100>=", "=3D <p>", "</table>"})), expected);
  // "\xEF\xBB\xBF<table width=100>=\n=3D <base href="x"/><p>\r</table>"
  EXPECT_EQ(HtmlOf(HtmlPart("Base64", {"77u/PHRhYmxlIHdpZHRoPTEwMD49Cj0zRCA8YmFzZSBocmVmPSJ4",
                                       "Ii8+PHA+DTwvdGFibGU+"})),
            expected);
}

TEST(ArchiveHtml, OnlyTextHtmlPartsInOrder) {
  std::string frames =
      Lines({"Content-Type: multipart/related; boundary=b", "", "--b", "Content-Type: text/html",
             "", "<frameset/>", "--b", "Content-Type: text/plain", "", "plain", "--b",
             "Content-Type: Text/HTML", "", "capitals", "--b", "Content-Type: text/html", "",
             "<p>frame 2</p>", "--b--"});
  EXPECT_EQ(HtmlOf(frames), Lines({"<frameset/>", "<p>frame 2</p>"}));
}

// ---- real writers, through the echo filter so that the HTML handed over is checked exactly

class WebArchiveFiles : public ::testing::Test {
 protected:
  WebArchiveFiles() { dir_.With("scrhtm.so", "echo"); }
  // The text the echo filter hands back, without the UTF-8 mark.
  std::string Convert(const std::filesystem::path& file) {
    int32_t n = ConvertMht(engine_.filterHosts(), file, 0, block_, 65001);
    if (n <= 0) return "result " + std::to_string(n);
    EXPECT_GE(n, 3);
    return std::string(block_.begin() + 3, block_.begin() + n);
  }
  static std::filesystem::path Fixture(const std::string& name) {
    return FixturesDir() / "mht" / name;
  }
  TestProgramDir dir_;
  Engine engine_{EngineConfig{dir_.path()}};
  OutputBlock block_;
};

TEST_F(WebArchiveFiles, PythonEmailArchives) {
  const std::pair<const char*, std::string> cases[] = {
      {"py_related_qp.mht",
       "<html><head><title>Caf\xC3\xA9</title></head><body><p class=\"intro\">It\xE2\x80\x99s "
       "a long line of text a long line of text a long line of text a long line of text a long "
       "line of text a long line of text a long line of text a long line of text </p><img "
       "src=\"cid:img1\"></body></html>\r\n"},
      {"py_related_base64.mht",
       "<html><body><h1>Stra\xC3\x9F"
       "e</h1><p>width=100 and =3D stay</p></body></html>\r\n"},
      {"py_alternative.mht", "<html><body><p>HTML version \xC3\xA0 la carte</p></body></html>\r\n"},
      {"py_single_html.mht",
       "<html><body><p>Only part: na\xC3\xAFve " + std::string(90, 'x') + "</p></body></html>\r\n"},
      {"py_8bit.mht",
       "<html><body><table width=100 border=0><tr><td>r\xC3\xA9sum\xC3\xA9 =\r\nnext "
       "line</td></tr></table></body></html>\r\n"},
      {"py_plain_mail.mht", "result 0"},
  };
  for (const auto& [name, expected] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Convert(Fixture(name)), expected);
  }
}

TEST_F(WebArchiveFiles, ChromiumArchive) {
  WebArchive archive;
  ASSERT_TRUE(ParseWebArchive(Fixture("chromium_page.mht"), archive));
  ASSERT_GE(archive.parts.size(), 3u);
  EXPECT_EQ(archive.parts[0].contentType, "text/html");
  EXPECT_EQ(archive.parts[0].transferEncoding, "quoted-printable");
  EXPECT_EQ(Convert(Fixture("chromium_page.mht")),
            ReadFileBytes(Fixture("chromium_page.expected.html")));
}

TEST_F(WebArchiveFiles, ResultCodesAndOutputCodePages) {
  WriteFileBytes(dir_ / "a.mht", Lines({"Content-Type: text/html", "", "<p>caf\xC3\xA9</p>"}));
  WriteFileBytes(dir_ / "none.mht", "Content-Type: text/html\r\n<p>no blank line</p>");
  int32_t n = ConvertMht(engine_.filterHosts(), dir_ / "a.mht", 0, block_, 1200);
  EXPECT_EQ(std::string(block_.begin(), block_.begin() + n),
            test::Bytes("\xFF\xFE<\0p\0>\0c\0a\0f\0\xE9\0<\0/\0p\0>\0\r\0\n\0", 28));
  EXPECT_EQ(ConvertByType(engine_, "MHT", dir_ / "none.mht", block_, 65001, {}), kFormatError);
  EXPECT_THROW(ConvertMht(engine_.filterHosts(), dir_.path(), 0, block_, 65001), std::system_error);

  TestProgramDir noFilter;
  Engine bare{EngineConfig{noFilter.path()}};
  EXPECT_EQ(ConvertMht(bare.filterHosts(), dir_ / "none.mht", 0, block_, 65001), kFormatError);
  EXPECT_EQ(ConvertMht(bare.filterHosts(), dir_ / "a.mht", 0, block_, 65001), kLibraryMissing);
}

TEST(WebArchiveConsole, ConvertsAndReportsUnreadableFiles) {
  TestProgramDir dir;
  dir.WithScrcmd().With("scrhtm.so", "echo");
  WriteFileBytes(dir / "a.mht", Lines({"Content-Type: text/html", "", "<p>x</p>"}));
  auto r = dir.RunScrcmd({"-c65001", "a.mht", "*"});
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, "\xEF\xBB\xBF<p>x</p>\r\n");

  r = dir.RunScrcmd({"-tmht", "a.mht", "*"});
  EXPECT_EQ(r.exitStatus, 2) << "MHT cannot be forced";

  // /proc/self/mem opens but every read at offset 0 fails, even for root.
  std::filesystem::create_symlink("/proc/self/mem", dir / "unreadable.mht");
  r = dir.RunScrcmd({"unreadable.mht", "out.txt"});
  EXPECT_NE(r.exitStatus, 0);
  EXPECT_NE(r.out.find("unreadable.mht"), std::string::npos) << r.out;
  EXPECT_FALSE(std::filesystem::exists(dir / "out.txt"));
}

}  // namespace
}  // namespace scrivtar
