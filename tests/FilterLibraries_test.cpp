// scrhtm.so, scrrtf.so and scrpdf.so end to end: scrcmd loads them from its program directory
// and converts each type, an RTF file named .doc and a web archive included.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"

namespace scrivtar {
namespace {

using test::FixturesDir;
using test::ReadFileBytes;
using test::RunScrcmd;
using test::TempDir;

const std::string kBom = "\xEF\xBB\xBF";

// Converts with -c<codePage> to standard output and returns the bytes (exit status checked).
std::string ConvertToStdout(const std::filesystem::path& source, int expectedStatus = 0,
                            const std::vector<std::string>& flags = {}, int codePage = 65001) {
  std::vector<std::string> args = flags;
  args.push_back("-c" + std::to_string(codePage));
  args.push_back(source.string());
  args.push_back("*");
  auto r = RunScrcmd(args);
  EXPECT_EQ(r.exitStatus, expectedStatus) << source << "\n" << r.out;
  return r.out;
}

const std::string kLetterLines[] = {"Quarterly Report",
                                    "Grüße aus Köln: naïve café, déjà vu — “quoted” text.",
                                    "Ελληνικά και Кириллица: Привет, мир!",
                                    "Visit our website for more.",
                                    "Second bullet with ß",
                                    "Second page: the end."};

TEST(FilterLibraries, EveryTypeConverts) {
  for (const char* name : {"rtf/letter.rtf", "html/letter.html", "pdf/letter.pdf"}) {
    std::string text = ConvertToStdout(FixturesDir() / name);
    EXPECT_EQ(text.substr(0, 3), kBom) << name;
    for (const std::string& line : kLetterLines) {
      EXPECT_NE(text.find(line), std::string::npos) << name << ": " << line;
    }
  }
  // The filters' tables come through with their TABs.
  EXPECT_NE(ConvertToStdout(FixturesDir() / "rtf/letter.rtf").find("Äpfel\t12\t3,50 €\r\n"),
            std::string::npos);
  EXPECT_NE(ConvertToStdout(FixturesDir() / "html/letter.html").find("Item\tQuantity\tPrice\r\n"),
            std::string::npos);
}

TEST(FilterLibraries, RtfNamedDocFallsBackToTheRtfFilter) {
  TempDir dir;
  std::filesystem::copy_file(FixturesDir() / "rtf/cyrillic.rtf", dir / "letter.doc");
  EXPECT_EQ(ConvertToStdout(dir / "letter.doc"),
            kBom + "Latin: café\r\nПривет, мир!\r\nback to é and АБВ\r\n");
  // And into Windows-1251, which has no é.
  EXPECT_EQ(ConvertToStdout(dir / "letter.doc", 0, {}, 1251),
            "Latin: caf?\r\n\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0!\r\nback to ? and "
            "\xC0\xC1\xC2\r\n");
}

TEST(FilterLibraries, HtmlCharacterSetsAndCodePages) {
  EXPECT_EQ(ConvertToStdout(FixturesDir() / "html/cp1252-meta.html"),
            kBom + "Café – “quoted” € 5\r\nStraße\r\n");
  EXPECT_EQ(ConvertToStdout(FixturesDir() / "html/cp1252-meta.html", 0, {}, 1252),
            "Caf\xE9 \x96 \x93quoted\x94 \x80 5\r\nStra\xDF"
            "e\r\n");
  EXPECT_EQ(ConvertToStdout(FixturesDir() / "html/utf8-undeclared.html"),
            kBom + "Grüße — Привет 世界\r\n");
  // -thtm on a file with another extension.
  TempDir dir;
  std::filesystem::copy_file(FixturesDir() / "html/cp1252-undeclared.html", dir / "page.txt");
  EXPECT_EQ(ConvertToStdout(dir / "page.txt", 0, {"-thtm"}), kBom + "Café crème …\r\n");
}

TEST(FilterLibraries, WebArchiveThroughTheHtmlFilter) {
  auto r = RunScrcmd({"-c65001", (FixturesDir() / "html/archive.mht").string(), "*"});
  // Losing the web archive dispatch case must fail here, not pass as a skip.
  ASSERT_EQ(r.out.find("type not support"), std::string::npos) << r.out;
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.out, kBom + "Archived päge\r\nsecond\r\n");
}

TEST(FilterLibraries, PdfTextOrdersAndStatuses) {
  const auto letter = FixturesDir() / "pdf/letter.pdf";
  std::string reading = ConvertToStdout(letter);
  std::string physical = ConvertToStdout(letter, 0, {"-s1"});
  std::string raw = ConvertToStdout(letter, 0, {"-s2"});
  EXPECT_NE(physical.find("Item      "), std::string::npos);
  EXPECT_NE(raw.find("Item Quantity Price\r\n"), std::string::npos);
  EXPECT_EQ(reading.find("Item Quantity Price"), std::string::npos);
  // The console never asks for page breaks.
  for (const std::string* text : {&reading, &physical, &raw}) {
    EXPECT_EQ(text->find('\f'), std::string::npos);
  }
  struct TCase {
    const char* file;
    int status;
    const char* message;
  };
  const TCase cases[] = {
      {"copy-protected.pdf", 245, "is encrypted"},
      {"password.pdf", 245, "is encrypted"},
      {"truncated.pdf", 251, ""},
  };
  for (const TCase& c : cases) {
    auto r = RunScrcmd({"-c65001", (FixturesDir() / "pdf" / c.file).string(), "*"});
    EXPECT_EQ(r.exitStatus, c.status) << c.file << ": " << r.out;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
  }
}

TEST(FilterLibraries, DamagedInputEndsWithADocumentedStatus) {
  TempDir dir;
  const std::pair<std::string, std::string> files[] = {
      {"deep.rtf", "{\\rtf1 " + std::string(200000, '{') + "x"},
      {"bin.rtf", "{\\rtf1 a\\bin2000000000 b}"},
      {"uc.rtf", "{\\rtf1\\uc99999\\u1055 abc}"},
      {"deep.html",
       [] {
         std::string s;
         for (int i = 0; i < 20000; ++i) s += "<div><b><table><tr><td>";
         return s;
       }()},
      {"empty.html", ""},
      {"empty.rtf", ""},
      {"garbage.pdf", "%PDF-1.7\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\ntrailer\n"},
  };
  for (const auto& [name, bytes] : files) {
    test::WriteFileBytes(dir / name, bytes);
    auto r = RunScrcmd({"-o", "-c65001", (dir / name).string(), (dir / "out.txt").string()});
    EXPECT_TRUE(r.exitStatus == 0 || r.exitStatus == 251) << name << ": " << r.exitStatus;
  }
}

}  // namespace
}  // namespace scrivtar
