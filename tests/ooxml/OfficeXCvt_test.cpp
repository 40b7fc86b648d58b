// The .docx, .xlsx and .pptx converters: packages from real writers (python-docx, openpyxl,
// LibreOffice; tests/fixtures/ooxml), packages built here for what no writer produces, and the
// worksheet grid against a plain transcription of its rule.
#include "ooxml/OfficeXCvt.h"

#include <gtest/gtest.h>
#include <libdeflate.h>

#include <array>
#include <random>

#include "CfbBuilder.h"
#include "TestSupport.h"
#include "ZipBuilder.h"
#include "core/VtCvtBase.h"
#include "ooxml/OfficeXSheet.h"
#include "scrivtar/Engine.h"

namespace scrivtar {
namespace {

using test::TempDir;

const std::string kMark = "\xEF\xBB\xBF";

// A part of a package built here; badCrc stores it with a CRC-32 that does not match.
struct PackageEntry {
  std::string name;
  std::string data;
  bool badCrc = false;
};

// Every package begins with its content-type part, as real ones do; it also counts towards the
// entry count that bounds the worksheet and slide numbers looked for.
test::ZipBuilder PackageOf(const std::vector<PackageEntry>& entries) {
  test::ZipBuilder zip;
  zip.Add("[Content_Types].xml", "<Types/>");
  for (const PackageEntry& e : entries) {
    test::ZipEntrySpec spec;
    spec.name = e.name;
    spec.data = e.data;
    if (e.badCrc) spec.crc = libdeflate_crc32(0, e.data.data(), e.data.size()) ^ 1u;
    zip.Add(spec);
  }
  return zip;
}

std::string BuildPackage(const std::vector<PackageEntry>& entries) {
  return PackageOf(entries).Build();
}

const std::string kSheetHead =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)";

std::string Sheet(const std::string& dimension, const std::string& rows) {
  std::string dim = dimension.empty() ? "" : "<dimension ref=\"" + dimension + "\"/>";
  return kSheetHead + dim + "<sheetData>" + rows + "</sheetData></worksheet>";
}

std::string Document(const std::string& body) {
  return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
         R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
         "<w:body>" +
         body + "</w:body></w:document>";
}

std::string Slide(const std::string& paragraphs) {
  return R"(<p:sld xmlns:a="a" xmlns:p="p"><p:cSld><p:spTree><p:sp><p:txBody>)" + paragraphs +
         "</p:txBody></p:sp></p:spTree></p:cSld></p:sld>";
}

enum class Kind { kDocx, kXlsx, kPptx };

int32_t Convert(OfficeXWork& work, Kind kind, const std::filesystem::path& path, OutputBlock& block,
                int32_t codePage = 65001) {
  switch (kind) {
    case Kind::kDocx:
      return ConvertDocx(work, path, 0, block, codePage);
    case Kind::kXlsx:
      return ConvertXlsx(work, path, 0, block, codePage);
    case Kind::kPptx:
      return ConvertPptx(work, path, 0, block, codePage);
  }
  return 0;
}

// The UTF-8 text of a conversion without its byte-order mark, or the result code as text.
std::string TextOf(OfficeXWork& work, Kind kind, const std::filesystem::path& path) {
  OutputBlock block;
  const int32_t n = Convert(work, kind, path, block);
  if (n < 0) return "result " + std::to_string(n);
  std::string bytes(block.begin(), block.begin() + n);
  if (bytes.compare(0, kMark.size(), kMark) != 0) return "no mark: " + bytes;
  return bytes.substr(kMark.size());
}

std::string TextOfPackage(Kind kind, const std::vector<PackageEntry>& entries) {
  TempDir dir;
  const std::filesystem::path path = dir / "package.zip";
  test::WriteFileBytes(path, BuildPackage(entries));
  OfficeXWork work;
  return TextOf(work, kind, path);
}

// ---------------------------------------------------------------------------------------------
// Packages from real writers.

struct WriterCase {
  const char* file;
  Kind kind;
  std::string text;
};

TEST(OfficeXWriters, TextOfEachFixture) {
  const std::string tabs52(52, '\t');
  const std::vector<WriterCase> cases = {
      {"python-docx.docx", Kind::kDocx,
       "First paragraph.\r\nName\tValue\r\nline one\r\nline two\r\nwell-known\r\n"
       "x < y & z, Tom's \u2019quote\u2019, Gr\u00fc\u00dfe, \u65e5\u672c\r\n  spaced  \r\n"
       "r1c1\r\nr1c2\r\nr2c1\r\nr2c2\r\nLast.\r\n"},
      // The text box stands in the package twice (DrawingML and VML); it is read once.
      {"libreoffice.docx", Kind::kDocx,
       "Before the box.\r\nAnchor paragraph.Inside the box.\r\n\r\nKey\tValue\r\n"
       "first line\r\nsecond line\r\nMixed bold run.\r\na1\r\nb1\r\na2\r\nb2\r\n"
       "After the table.\r\n"},
      // openpyxl writes its strings inline; the date is its serial number, the Boolean 1.
      {"openpyxl.xlsx", Kind::kXlsx,
       "_SHEET_1_\r\nName\tQty\r\n\r\n\t3\r\n"
       "_SHEET_2_\r\n3.5\t45352\t1\tName\r\n-12\r\n"
       "_SHEET_3_\r\n" +
           tabs52 + "column 53\r\n\t\tleading\r\n\r\nafter gap\r\n"},
      // LibreOffice writes shared strings, a rich one as three runs, and the formula's value.
      {"libreoffice.xlsx", Kind::kXlsx,
       "_SHEET_1_\r\nName\tQty\r\nBold and italic\t2\r\n\r\n\r\n\tName\t42\t1\tx < y & z \u2019\r\n"
       "_SHEET_2_\r\n0.25\r\n"},
  };
  for (const WriterCase& c : cases) {
    OfficeXWork work;
    EXPECT_EQ(TextOf(work, c.kind, test::FixturesDir() / "ooxml" / c.file), c.text) << c.file;
  }
}

TEST(OfficeXWriters, SlidesInNumberOrderThenNotes) {
  std::string expected = "_SLIDE_1_\r\nSlide 1 title\r\nsecond paragraph \r\n";
  for (int n = 2; n <= 11; ++n) {
    expected += "_SLIDE_" + std::to_string(n) + "_\r\nSlide " + std::to_string(n) + " title\r\n";
  }
  expected += "_NOTES_2_\r\nNotes of slide 2\r\n_NOTES_10_\r\nNotes of slide 10\r\n";
  OfficeXWork work;
  EXPECT_EQ(TextOf(work, Kind::kPptx, test::FixturesDir() / "ooxml" / "libreoffice.pptx"),
            expected);
}

TEST(OfficeXWriters, CodePagesAndRepeatedConversion) {
  OfficeXWork work;
  const auto path = test::FixturesDir() / "ooxml" / "openpyxl.xlsx";
  OutputBlock block;
  // The same package twice in a row, and in UTF-16: the second conversion reuses the directory.
  const int32_t utf8 = ConvertXlsx(work, path, 0, block, 65001);
  ASSERT_GT(utf8, 3);
  const int32_t utf16 = ConvertXlsx(work, path, 0, block, 1200);
  ASSERT_GT(utf16, 2);
  EXPECT_EQ(block[0], 0xFF);
  EXPECT_EQ(block[1], 0xFE);
  // All of the workbook's text is ASCII: two bytes a character.
  EXPECT_EQ(utf16 - 2, 2 * (utf8 - 3));
}

// ---------------------------------------------------------------------------------------------
// Packages built here.

struct PackageCase {
  const char* what;
  Kind kind;
  std::vector<PackageEntry> entries;
  std::string text;  // or "result -5"
};

TEST(OfficeXPackages, TextAndResultCodes) {
  const std::string filler(20, 'x');
  std::vector<PackageEntry> manyEntries;
  for (int i = 0; i < 12; ++i) manyEntries.push_back({"docProps/p" + std::to_string(i), "x"});
  auto with = [&](std::vector<PackageEntry> entries) {
    entries.insert(entries.end(), manyEntries.begin(), manyEntries.end());
    return entries;
  };
  const std::vector<PackageCase> cases = {
      {"the second name of the main part",
       Kind::kDocx,
       {{"word/wordDocument.xml", Document("<w:p><w:r><w:t>old name</w:t></w:r></w:p>")}},
       "old name\r\n"},
      {"no main part", Kind::kDocx, {{"word/styles.xml", "<w:styles/>"}}, "result -5"},
      {"an empty main part", Kind::kDocx, {{"word/document.xml", ""}}, ""},
      {"a main part that fails its CRC counts as not there",
       Kind::kDocx,
       {{"word/document.xml", Document("<w:p><w:r><w:t>bad</w:t></w:r></w:p>"), true},
        {"word/wordDocument.xml", Document("<w:p><w:r><w:t>good</w:t></w:r></w:p>")}},
       "good\r\n"},
      {"upper-case names in the package",
       Kind::kDocx,
       {{"WORD/DOCUMENT.XML", Document("<w:p><w:r><w:t>found</w:t></w:r></w:p>")}},
       "found\r\n"},
      {"entities decoded once, character references and apos",
       Kind::kDocx,
       {{"word/document.xml",
         Document("<w:p><w:r><w:t>x &amp;lt; y &#8217;&#x41;&apos;</w:t></w:r></w:p>")}},
       "x &lt; y \u2019A'\r\n"},
      {"tab stops, tabs, breaks, hyphens, deleted and field text",
       Kind::kDocx,
       {{"word/document.xml",
         Document("<w:p><w:pPr><w:tabs><w:tab w:val=\"left\" w:pos=\"720\"/></w:tabs></w:pPr>"
                  "<w:r><w:t>a</w:t><w:tab/><w:t>b</w:t><w:br/><w:t>c</w:t>"
                  "<w:noBreakHyphen/><w:t>d</w:t><w:softHyphen/></w:r>"
                  "<w:del><w:r><w:delText>gone</w:delText></w:r></w:del>"
                  "<w:r><w:instrText>PAGE</w:instrText></w:r></w:p>")}},
       "a\tb\r\nc-d\r\n"},
      {"a fallback is read when there is no choice",
       Kind::kDocx,
       {{"word/document.xml",
         Document("<w:p><w:r><mc:AlternateContent><mc:Fallback><w:t>only</w:t></mc:Fallback>"
                  "</mc:AlternateContent></w:r></w:p>")}},
       "only\r\n"},
      {"no worksheet", Kind::kXlsx, {{"xl/workbook.xml", "<workbook/>"}}, "result -5"},
      {"an empty worksheet counts but gives no marker",
       Kind::kXlsx,
       {{"xl/worksheets/sheet1.xml", ""}},
       ""},
      {"rich, phonetic, empty and inline strings",
       Kind::kXlsx,
       {{"xl/sharedStrings.xml",
         "<sst><si><r><rPr><b/></rPr><t>Bo</t></r><r><t>ld</t></r></si><si/>"
         "<si><t>kanji</t><rPh sb=\"0\" eb=\"1\"><t>reading</t></rPh></si>"
         "<si><t>last</t></si></sst>"},
        {"xl/worksheets/sheet1.xml",
         Sheet("A1:E1",
               "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\">"
               "<v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v>3</v>"
               "</c><c r=\"E1\" t=\"inlineStr\"><is><r><t>in</t></r><r><t>line</t></r>"
               "</is></c></row>")}},
       "_SHEET_1_\r\nBold\t\tkanji\tlast\tinline\r\n"},
      {"no shared strings: string cells empty, numbers as stored",
       Kind::kXlsx,
       {{"xl/worksheets/sheet1.xml",
         Sheet("A1:B1",
               "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>1.5</v>"
               "</c></row>")}},
       "_SHEET_1_\r\n\t1.5\r\n"},
      {"the example workbook",
       Kind::kXlsx,
       {{"xl/sharedStrings.xml", "<sst><si><t>Name</t></si><si><t>Qty</t></si></sst>"},
        {"xl/worksheets/sheet1.xml",
         Sheet("A1:C3",
               "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\">"
               "<v>1</v></c></row><row r=\"3\"><c r=\"B3\"><v>3</v></c></row>")}},
       "_SHEET_1_\r\nName\tQty\r\n\r\n\t3\r\n"},
      {"a dimension over the whole grid with one cell",
       Kind::kXlsx,
       {{"xl/worksheets/sheet1.xml",
         Sheet("A1:XFD1048576", "<row r=\"1\"><c r=\"A1\"><v>7</v></c></row>")}},
       "_SHEET_1_\r\n7\r\n"},
      {"a sheet without a dimension gives its cells",
       Kind::kXlsx,
       {{"xl/worksheets/sheet1.xml", Sheet("", "<row r=\"2\"><c r=\"B2\"><v>8</v></c></row>")}},
       "_SHEET_1_\r\n\r\n\t8\r\n"},
      {"missing numbers skipped, sheet10 needs more entries than its number", Kind::kXlsx,
       with({{"xl/worksheets/sheet2.xml",
              Sheet("A1", "<row r=\"1\"><c r=\"A1\"><v>2</v></c></row>")},
             {"xl/worksheets/sheet10.xml",
              Sheet("A1", "<row r=\"1\"><c r=\"A1\"><v>10</v></c></row>")}}),
       "_SHEET_2_\r\n2\r\n_SHEET_10_\r\n10\r\n"},
      {"slide10 after slide2, notes last", Kind::kPptx,
       with({{"ppt/notesSlides/notesSlide1.xml", Slide("<a:p><a:r><a:t>note</a:t></a:r></a:p>")},
             {"ppt/slides/slide10.xml", Slide("<a:p><a:r><a:t>ten</a:t></a:r></a:p>")},
             {"ppt/slides/slide2.xml", Slide("<a:p><a:r><a:t> two </a:t></a:r></a:p><a:p/>")}}),
       "_SLIDE_2_\r\n two \r\n\r\n_SLIDE_10_\r\nten\r\n_NOTES_1_\r\nnote\r\n"},
      {"no slide", Kind::kPptx, {{"ppt/presentation.xml", "<p:presentation/>"}}, "result -5"},
      {"cells and rows without a reference follow the one before them",
       Kind::kXlsx,
       {{"xl/sharedStrings.xml", "<sst><si><t>s0</t></si><si><t>s1</t></si></sst>"},
        {"xl/worksheets/sheet1.xml",
         Sheet("A1:E5",
               "<row><c t=\"s\"><v>0</v></c><c><v>2</v></c></row>"
               "<row><c r=\"C2\"><v>3</v></c><c t=\"s\"><v>1</v></c></row>"
               "<row r=\"4\"><c><v>4</v></c></row><row><c r=\"B5\"><v>5</v></c><c/>"
               "<c><v>6</v></c></row>")}},
       "_SHEET_1_\r\ns0\t2\r\n\t\t3\ts1\r\n\r\n4\r\n\t5\t\t6\r\n"},
      {"shared strings after a declaration with an internal subset",
       Kind::kXlsx,
       {{"xl/sharedStrings.xml",
         "<?xml version=\"1.0\"?><!DOCTYPE sst [<!ENTITY a \"aaaaaaaaaa\">"
         "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><sst><si><t>&b;</t></si>"
         "<si><t>kept</t></si></sst>"},
        {"xl/worksheets/sheet1.xml",
         Sheet("A1:B1",
               "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v>"
               "</c></row>")}},
       "_SHEET_1_\r\n&b;\tkept\r\n"},
  };
  for (const PackageCase& c : cases) {
    EXPECT_EQ(TextOfPackage(c.kind, c.entries), c.text) << c.what;
  }
}

TEST(OfficeXPackages, FilesThatAreNoPackage) {
  TempDir dir;
  OfficeXWork work;
  OutputBlock block;
  EXPECT_EQ(ConvertDocx(work, dir / "missing.docx", 0, block, 65001), kSourceMissing);
  EXPECT_EQ(ConvertDocx(work, dir.path(), 0, block, 65001), kSourceMissing);
  test::WriteFileBytes(dir / "text.docx", "plain text, not a zip archive\n");
  EXPECT_EQ(ConvertDocx(work, dir / "text.docx", 0, block, 65001), kFormatError);
  test::WriteFileBytes(dir / "empty.xlsx", "");
  EXPECT_EQ(ConvertXlsx(work, dir / "empty.xlsx", 0, block, 65001), kFormatError);
  // An encrypted Office document is a compound document: no zip entries.
  test::WriteFileBytes(dir / "encrypted.pptx",
                       test::Bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0'));
  EXPECT_EQ(ConvertPptx(work, dir / "encrypted.pptx", 0, block, 65001), kFormatError);
}

// A password-protected package is a compound document holding the encrypted package and its key
// data: -11, the encrypted result, for every kind. A compound document without them stays -5.
TEST(OfficeXPackages, EncryptedPackagesGiveMinusEleven) {
  TempDir dir;
  OfficeXWork work;
  OutputBlock block;
  test::CfbBuilder encrypted;
  encrypted.AddStream("EncryptionInfo", std::string(64, '\x04'));
  encrypted.AddStream("EncryptedPackage", std::string(600, '\x5A'));
  test::WriteFileBytes(dir / "secret.docx", encrypted.Build().bytes);
  test::WriteFileBytes(dir / "secret.xlsx", encrypted.Build().bytes);
  test::WriteFileBytes(dir / "secret.pptx", encrypted.Build().bytes);
  EXPECT_EQ(ConvertDocx(work, dir / "secret.docx", 0, block, 65001), kNotAllowed);
  EXPECT_EQ(ConvertXlsx(work, dir / "secret.xlsx", 0, block, 65001), kNotAllowed);
  EXPECT_EQ(ConvertPptx(work, dir / "secret.pptx", 0, block, 65001), kNotAllowed);
  test::CfbBuilder other;
  other.AddStream("EncryptionInfo", std::string(64, '\x04'));
  other.AddStream("WordDocument", std::string(64, '\0'));
  test::WriteFileBytes(dir / "other.docx", other.Build().bytes);
  EXPECT_EQ(ConvertDocx(work, dir / "other.docx", 0, block, 65001), kFormatError);
  // Through scrcmd, as users see it.
  test::ProcessResult run = test::RunScrcmd({"-c65001", (dir / "secret.xlsx").string(), "*"});
  EXPECT_EQ(run.exitStatus, 245);
}

const std::string kRelsHead =
    R"(<?xml version="1.0" encoding="UTF-8"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
const std::string kRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

// A relationship part: (id, type, target) triples.
std::string Rels(const std::vector<std::array<std::string, 3>>& relationships) {
  std::string xml = kRelsHead;
  for (const auto& [id, type, target] : relationships) {
    xml += "<Relationship Id=\"" + id + "\" Type=\"" + kRelType + type + "\" Target=\"" + target +
           "\"/>";
  }
  return xml + "</Relationships>";
}

// The parts come from the relationships: the main part of the package, a workbook's sheets in
// its order and its shared strings, a presentation's slides in its order and their notes. When
// the relationships are missing or name nothing that is there, the fixed names are read.
TEST(OfficeXPackages, PartsFromTheRelationships) {
  const std::string cell = "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>";
  const std::vector<PackageCase> cases = {
      {"a workbook whose only sheet is sheet.xml",
       Kind::kXlsx,
       {{"_rels/.rels", Rels({{"rId1", "officeDocument", "xl/workbook.xml"}})},
        {"xl/workbook.xml",
         "<workbook xmlns:r=\"r\"><sheets><sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/>"
         "</sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", Rels({{"rId1", "worksheet", "worksheets/sheet.xml"},
                                             {"rId2", "sharedStrings", "strings.xml"}})},
        {"xl/strings.xml", "<sst><si><t>from strings.xml</t></si></sst>"},
        {"xl/worksheets/sheet.xml", Sheet("A1", cell)}},
       "_SHEET_1_\r\nfrom strings.xml\r\n"},
      {"sheets in the workbook's order, chart sheets left out, absolute targets",
       Kind::kXlsx,
       {{"_rels/.rels", Rels({{"rId1", "officeDocument", "/xl/workbook.xml"}})},
        {"xl/workbook.xml",
         "<x:workbook xmlns:x=\"x\" xmlns:rel=\"r\"><x:sheets>"
         "<x:sheet rel:id=\"rId3\"/><x:sheet rel:id=\"rId9\"/><x:sheet rel:id=\"rId1\"/>"
         "</x:sheets></x:workbook>"},
        {"xl/_rels/workbook.xml.rels",
         Rels({{"rId1", "worksheet", "/xl/worksheets/sheet1.xml"},
               {"rId3", "worksheet", "./worksheets/../worksheets/sheet3.xml"},
               {"rId9", "chartsheet", "chartsheets/sheet1.xml"}})},
        {"xl/sharedStrings.xml", "<sst><si><t>shared</t></si></sst>"},
        {"xl/worksheets/sheet1.xml", Sheet("A1", "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>")},
        {"xl/worksheets/sheet3.xml", Sheet("A1", cell)},
        {"xl/chartsheets/sheet1.xml", Sheet("A1", "<row r=\"1\"><c r=\"A1\"><v>9</v></c></row>")}},
       "_SHEET_3_\r\nshared\r\n_SHEET_1_\r\n1\r\n"},
      {"relationships naming parts that are not there: the fixed names",
       Kind::kXlsx,
       {{"_rels/.rels", Rels({{"rId1", "officeDocument", "xl/workbook.xml"}})},
        {"xl/workbook.xml", "<workbook><sheets><sheet r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", Rels({{"rId1", "worksheet", "worksheets/gone.xml"}})},
        {"xl/worksheets/sheet2.xml", Sheet("A1", "<row r=\"1\"><c r=\"A1\"><v>2</v></c></row>")}},
       "_SHEET_2_\r\n2\r\n"},
      {"damaged relationships: the fixed names",
       Kind::kXlsx,
       {{"_rels/.rels", "<Relationships><Relationship Target=\"../../x\"/>"},
        {"xl/worksheets/sheet1.xml", Sheet("A1", "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>")}},
       "_SHEET_1_\r\n1\r\n"},
      {"a document under another name",
       Kind::kDocx,
       {{"_rels/.rels", Rels({{"rId1", "officeDocument", "/word/document2.xml"}})},
        {"word/document2.xml", Document("<w:p><w:r><w:t>main</w:t></w:r></w:p>")},
        {"word/document.xml", Document("<w:p><w:r><w:t>not this</w:t></w:r></w:p>")}},
       "main\r\n"},
      {"a main part that is not there: the fixed name",
       Kind::kDocx,
       {{"_rels/.rels", Rels({{"rId1", "officeDocument", "word/gone.xml"}})},
        {"word/document.xml", Document("<w:p><w:r><w:t>fixed</w:t></w:r></w:p>")}},
       "fixed\r\n"},
      {"slides in the presentation's order under other names, then their notes",
       Kind::kPptx,
       {{"_rels/.rels", Rels({{"rId1", "officeDocument", "ppt/main.xml"}})},
        {"ppt/main.xml",
         "<p:presentation xmlns:p=\"p\" xmlns:r=\"r\"><p:sldIdLst><p:sldId id=\"257\" "
         "r:id=\"rId5\"/><p:sldId id=\"256\" r:id=\"rId2\"/></p:sldIdLst></p:presentation>"},
        {"ppt/_rels/main.xml.rels",
         Rels({{"rId2", "slide", "slides/first.xml"}, {"rId5", "slide", "slides/slide7.xml"}})},
        {"ppt/slides/first.xml", Slide("<a:p><a:r><a:t>first</a:t></a:r></a:p>")},
        {"ppt/slides/slide7.xml", Slide("<a:p><a:r><a:t>seven</a:t></a:r></a:p>")},
        {"ppt/slides/_rels/slide7.xml.rels",
         Rels({{"rId1", "notesSlide", "../notesSlides/notesSlide3.xml"}})},
        {"ppt/notesSlides/notesSlide3.xml", Slide("<a:p><a:r><a:t>note</a:t></a:r></a:p>")},
        {"ppt/slides/slide1.xml", Slide("<a:p><a:r><a:t>not listed</a:t></a:r></a:p>")}},
       "_SLIDE_7_\r\nseven\r\n_SLIDE_2_\r\nfirst\r\n_NOTES_3_\r\nnote\r\n"},
  };
  for (const PackageCase& c : cases) {
    EXPECT_EQ(TextOfPackage(c.kind, c.entries), c.text) << c.what;
  }
}

// A row or cell number that is not an integer, and a truncated part, end the conversion with an
// exception; the console reports it as a message line and a non-zero status.
TEST(OfficeXPackages, ExceptionsThatLeaveTheEntryPoint) {
  TempDir dir;
  struct Case {
    const char* what;
    std::string package;
  };
  const std::vector<Case> cases = {
      {"row number",
       BuildPackage({{"xl/worksheets/sheet1.xml",
                      Sheet("A1:A2", "<row r=\"one\"><c r=\"A1\"><v>1</v></c></row>")}})},
      {"cell number",
       BuildPackage({{"xl/worksheets/sheet1.xml",
                      Sheet("A1:A2", "<row r=\"1\"><c r=\"A1x\"><v>1</v></c></row>")}})},
      {"dimension number", BuildPackage({{"xl/worksheets/sheet1.xml", Sheet("A1:B2.5", "")}})},
  };
  {
    // The directory claims ten times the data the part has: it runs past the end of the file.
    test::ZipBuilder zip = PackageOf({});
    test::ZipEntrySpec part;
    part.name = "word/document.xml";
    part.data = Document("<w:p><w:r><w:t>cut</w:t></w:r></w:p>");
    part.method = 0;
    part.compressedSize = part.uncompressedSize = static_cast<uint32_t>(part.data.size() * 10);
    zip.Add(part);
    const auto path = dir / "cut.docx";
    test::WriteFileBytes(path, zip.Build());
    OfficeXWork work;
    OutputBlock block;
    EXPECT_THROW(ConvertDocx(work, path, 0, block, 65001), std::exception);
    test::ProcessResult run = test::RunScrcmd({path.string(), "*"});
    EXPECT_NE(run.exitStatus, 0);
    EXPECT_NE(run.out.find("conversion failed: Premature end of file reached"), std::string::npos)
        << run.out;
  }
  for (const Case& c : cases) {
    const auto path = dir / "bad.xlsx";
    test::WriteFileBytes(path, c.package);
    OfficeXWork work;
    OutputBlock block;
    EXPECT_THROW(ConvertXlsx(work, path, 0, block, 65001), std::exception) << c.what;
    test::ProcessResult run = test::RunScrcmd({path.string(), "*"});
    EXPECT_NE(run.exitStatus, 0) << c.what;
    EXPECT_NE(run.out.find("conversion failed: '"), std::string::npos) << c.what << run.out;
  }
}

// ---------------------------------------------------------------------------------------------
// The worksheet grid against the rule written out plainly: every row of the dimension, every
// column of it, the cursors over row and cell elements (an element without "r" the next one).
// Random small sheets with gaps, repeats, rows and cells out of order, elements without "r", values
// ending in TABs and line breaks.

struct Cell {
  std::string ref;  // empty: no r attribute
  std::string value;
  bool shared = false;
};
struct Row {
  std::string number;  // empty: no r attribute
  std::vector<Cell> cells;
};

std::string RowsXml(const std::vector<Row>& rows) {
  std::string xml;
  for (const Row& row : rows) {
    xml += row.number.empty() ? "<row>" : "<row r=\"" + row.number + "\">";
    for (const Cell& cell : row.cells) {
      xml += "<c";
      if (!cell.ref.empty()) xml += " r=\"" + cell.ref + "\"";
      if (cell.shared) xml += " t=\"s\"";
      xml += "><v>" + cell.value + "</v></c>";
    }
    xml += "</row>";
  }
  return xml;
}

std::string PlainRule(int64_t lastRow, int64_t lastColumn, const std::vector<Row>& rows,
                      const std::vector<std::string>& shared) {
  std::string out = "_SHEET_1_\r\n";
  auto trimTabs = [&out] {
    while (!out.empty() && out.back() == '\t') out.pop_back();
  };
  size_t r = 0;
  for (int64_t rowNo = 1; rowNo <= lastRow; ++rowNo) {
    // A row without a number is the next row; a cell without a reference the next column.
    if (r < rows.size() && !rows[r].number.empty() && std::stoll(rows[r].number) != rowNo) {
      trimTabs();
      out += "\r\n";
      continue;
    }
    if (r < rows.size()) {
      const Row& row = rows[r++];
      size_t c = 0;
      for (int64_t colNo = 1; colNo <= lastColumn; ++colNo) {
        if (c < row.cells.size() &&
            (row.cells[c].ref.empty() || ParseCellReference(row.cells[c].ref).column == colNo)) {
          const Cell& cell = row.cells[c++];
          if (!cell.shared) {
            out += cell.value;
          } else if (std::stoul(cell.value) < shared.size()) {
            out += shared[std::stoul(cell.value)];
          }
        }
        out += '\t';
      }
    }
    trimTabs();
    out += "\r\n";
  }
  while (!out.empty() && (out.back() == '\r' || out.back() == '\n')) out.pop_back();
  return out + "\r\n";
}

std::string ColumnName(int column) {
  std::string name;
  for (; column > 0; column = (column - 1) / 26) name.insert(name.begin(), 'A' + (column - 1) % 26);
  return name;
}

TEST(OfficeXSheetGrid, SameTextAsThePlainRule) {
  std::mt19937 random(7);
  auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const std::vector<std::string> shared = {"s0", "tab end&#9;", "", "line end&#10;"};
  const std::vector<std::string> sharedText = {"s0", "tab end\t", "", "line end\n"};
  const std::vector<std::string> values = {"1", "x", "y&#9;", "", "z&#13;&#10;"};
  const std::vector<std::string> valueText = {"1", "x", "y\t", "", "z\r\n"};
  std::string sst = "<sst>";
  for (const std::string& s : shared) sst += "<si><t xml:space=\"preserve\">" + s + "</t></si>";
  sst += "</sst>";
  for (int round = 0; round < 400; ++round) {
    const int lastRow = pick(6);
    const int lastColumn = pick(30);
    std::vector<Row> rowsXml, rowsText;
    const int rowCount = pick(6);
    for (int i = 0; i < rowCount; ++i) {
      Row xmlRow, textRow;
      if (pick(8) != 0) xmlRow.number = textRow.number = std::to_string(1 + pick(7));
      const int cellCount = pick(5);
      for (int j = 0; j < cellCount; ++j) {
        Cell xmlCell, textCell;
        if (pick(8) != 0) {
          const int column = pick(4) == 0 ? 26 + pick(6) : 1 + pick(5);
          xmlCell.ref = textCell.ref = ColumnName(column) + std::to_string(1 + pick(5));
        }
        if (pick(3) == 0) {
          xmlCell.shared = textCell.shared = true;
          xmlCell.value = textCell.value = std::to_string(pick(5));
        } else {
          const int v = pick(static_cast<int>(values.size()));
          xmlCell.value = values[v];
          textCell.value = valueText[v];
        }
        xmlRow.cells.push_back(xmlCell);
        textRow.cells.push_back(textCell);
      }
      rowsXml.push_back(xmlRow);
      rowsText.push_back(textRow);
    }
    const std::string dimension = "A1:" + ColumnName(lastColumn) + std::to_string(lastRow);
    const std::string expected =
        // Without letters ("A1:3") the corner is row 0, column 0: no rows at all.
        NormalizeLineEnds(
            PlainRule(lastColumn == 0 ? 0 : lastRow, lastColumn, rowsText, sharedText), kCrLf);
    const std::string actual = TextOfPackage(
        Kind::kXlsx, {{"xl/sharedStrings.xml", sst},
                      {"xl/worksheets/sheet1.xml", Sheet(dimension, RowsXml(rowsXml))}});
    ASSERT_EQ(actual, expected) << "dimension " << dimension << "\n" << RowsXml(rowsXml);
  }
}

}  // namespace
}  // namespace scrivtar
