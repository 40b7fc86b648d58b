#include "xls/VtXlsCvt.h"

#include <gtest/gtest.h>

#include "BiffBuilder.h"
#include "CfbBuilder.h"
#include "TestSupport.h"
#include "scrivtar/UserLocale.h"

namespace scrivtar {
namespace {

namespace b = test::biff;
using b::WorkbookBuilder;

// The text of a workbook stream, with CR LF shown as "\n".
std::string TextOf(const std::string& stream, int32_t* result = nullptr) {
  std::string text;
  int32_t r = ExtractXlsStreamText(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(),
                                   UserLocale::EnUs(), text);
  if (result) *result = r;
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    shown += text[i];
  }
  return shown;
}

// ConvertXls on a compound document holding the stream as "Workbook".
std::string Convert(const std::string& stream, int32_t codePage, int32_t style,
                    int32_t* result = nullptr, const char* streamName = "Workbook") {
  test::TempDir dir;
  auto path = dir / "book.xls";
  test::WriteFileBytes(path, test::CfbBuilder().AddStream(streamName, stream).Build().bytes);
  OutputBlock block;
  int32_t r = ConvertXls(UserLocale::EnUs(), path, 0, block, codePage, style, 0);
  if (result) *result = r;
  return r < 0 ? std::string() : std::string(block.begin(), block.begin() + r);
}

WorkbookBuilder WithStrings(const std::vector<std::u16string>& strings) {
  WorkbookBuilder w;
  w.Global(b::kSst, b::Sst(strings));
  return w;
}

TEST(ConvertXls, OneSheetInEveryOutputForm) {
  std::string stream = WithStrings({u"x"})
                           .Sheet(u"Sheet1")
                           .Cell(b::kLabelSst, b::LabelSst(0, 0, 0, 0))
                           .Cell(b::kNumber, b::Number(0, 1, 0, 2))
                           .Cell(b::kRk, b::Rk(1, 0, 0, 0x0000000E))
                           .Build();
  EXPECT_EQ(Convert(stream, 65001, 0), "\xEF\xBB\xBFSheet1\r\nx\t2\r\n3\r\n\r\n");
  EXPECT_EQ(Convert(stream, 65001, 2), "\xEF\xBB\xBFSheet1\nx\t2\n3\n\n");
  EXPECT_EQ(Convert(stream, 1252, 1), "Sheet1\rx\t2\r3\r\r");
  std::string utf16 = Convert(stream, 1200, 0);
  ASSERT_GE(utf16.size(), 4u);
  EXPECT_EQ(utf16.substr(0, 4), std::string("\xFF\xFES\0", 4));
  // An older workbook keeps its records in a "Book" stream.
  EXPECT_EQ(Convert(stream, 65001, 0, nullptr, "Book"), "\xEF\xBB\xBFSheet1\r\nx\t2\r\n3\r\n\r\n");
}

TEST(ConvertXls, FileLevelResults) {
  test::TempDir dir;
  OutputBlock block;
  EXPECT_EQ(ConvertXls(UserLocale::EnUs(), dir / "missing.xls", 0, block, 65001, 0, 0),
            kSourceMissing);
  test::WriteFileBytes(dir / "text.xls", "just text, not a workbook");
  EXPECT_EQ(ConvertXls(UserLocale::EnUs(), dir / "text.xls", 0, block, 65001, 0, 0), kFormatError);
  int32_t result = 0;
  EXPECT_EQ(Convert("irrelevant", 65001, 0, &result, "Other"), "\xEF\xBB\xBF");
  EXPECT_EQ(result, 3);
  // A workbook without worksheets: only the byte-order mark.
  EXPECT_EQ(Convert(WorkbookBuilder().Build(), 1200, 0), "\xFF\xFE");
}

TEST(ConvertXls, EncryptedWorkbookIsNotAllowed) {
  std::string stream = WorkbookBuilder()
                           .Global(b::kFilePass, b::Le16(1) + std::string(52, '\x5A'))
                           .Sheet(u"Sheet1")
                           .Cell(b::kNumber, b::Number(0, 0, 0, 1))
                           .Build();
  int32_t result = 0;
  Convert(stream, 65001, 0, &result);
  EXPECT_EQ(result, kNotAllowed);
}

TEST(SheetLayout, ColumnsRowsAndSheets) {
  std::string stream = WorkbookBuilder()
                           .Sheet(u"First")
                           .Cell(b::kRk, b::Rk(0, 3, 0, 0x3FF00000))  // D1
                           .Cell(b::kBlank, b::Blank(1, 5, 0))        // F2: five TABs
                           .Cell(b::kNumber, b::Number(6, 0, 0, 5))   // row 7 follows row 2
                           .Sheet(u"Chart", 2)
                           .Cell(b::kNumber, b::Number(0, 0, 0, 99))
                           .Sheet(u"Macros", 1)
                           .Sheet(u"Hidden", 0, 1)
                           .Cell(b::kNumber, b::Number(0, 1, 0, 7))
                           .Sheet(u"VeryHidden", 0, 2)
                           .Build();
  EXPECT_EQ(TextOf(stream), "First\n\t\t\t1\n\t\t\t\t\t\n5\n\nHidden\n\t7\n\nVeryHidden\n\n");
}

TEST(SheetLayout, CellsOutOfOrderLandInTheirRowAndColumn) {
  std::string stream = WorkbookBuilder()
                           .Sheet(u"S")
                           .Cell(b::kNumber, b::Number(2, 1, 0, 22))
                           .Cell(b::kNumber, b::Number(0, 2, 0, 3))
                           .Cell(b::kFormula, b::Formula(0, 0, 0, b::FormulaNumber(1)))
                           .Cell(b::kNumber, b::Number(2, 0, 0, 21))
                           .Cell(b::kNumber, b::Number(0, 1, 0, 2))
                           .Build();
  EXPECT_EQ(TextOf(stream), "S\n1\t2\t3\n21\t22\n\n");
}

TEST(SheetLayout, EmbeddedChartSubstreamIsNotPartOfTheSheet) {
  // A chart inside a worksheet has its own BOF ... EOF with its data cache in NUMBER records.
  std::string chartBof = b::Le16(0x0600) + b::Le16(0x0020) + std::string(12, '\0');
  std::string stream = WorkbookBuilder()
                           .Sheet(u"S")
                           .Cell(b::kNumber, b::Number(0, 0, 0, 1))
                           .Cell(b::kBof, chartBof)
                           .Cell(b::kNumber, b::Number(0, 0, 0, 99))
                           .Cell(b::kEof, "")
                           .Cell(b::kNumber, b::Number(1, 0, 0, 2))
                           .Build();
  EXPECT_EQ(TextOf(stream), "S\n1\n2\n\n");
}

TEST(OlderWorkbooks, Biff5BookStreamWithItsCodePage) {
  // BIFF5: BOF version 0x0500; names, labels and formats are bytes in the CODEPAGE's code page.
  std::string bof = b::Record(b::kBof, b::Le16(0x0500) + b::Le16(0x0005) + std::string(4, '\0'));
  std::string sheetName = "\xCB\xE8\xF1\xF2";  // "Лист" in Windows-1251
  std::string globals = bof + b::Record(0x0042, b::Le16(1251)) + b::Record(b::kXf, b::Xf(164)) +
                        b::Record(b::kFormat, b::Le16(164) + std::string("\x05"
                                                                         "0.000",
                                                                         6));
  std::string boundSheet = b::Le32(0) + std::string("\0\0\4", 3) + sheetName;
  size_t sheetPos = globals.size() + 4 + boundSheet.size() + 4;
  boundSheet.replace(0, 4, b::Le32(static_cast<uint32_t>(sheetPos)));
  std::string stream =
      globals + b::Record(b::kBoundSheet, boundSheet) + b::Record(b::kEof, "") + bof +
      b::Record(b::kLabel, b::Le16(0) + b::Le16(0) + b::Le16(0) + b::Le16(3) + "\xE4\xE0!") +
      b::Record(b::kNumber, b::Number(0, 1, 0, 2.5)) + b::Record(b::kEof, "");
  EXPECT_EQ(Convert(stream, 65001, 2, nullptr, "Book"),
            "\xEF\xBB\xBF\xD0\x9B\xD0\xB8\xD1\x81\xD1\x82\n\xD0\xB4\xD0\xB0!\t2.500\n\n");
}

TEST(CellRecords, RkForms) {
  struct RkCase {
    uint32_t rk;
    const char* text;
  };
  const RkCase cases[] = {{0x3FF00000, "1"},     {0x3FF00001, "0.01"},      {0x00000006, "1"},
                          {0x00000007, "0.01"},  {0xFFFFFFFE, "-1"},        {0x3FF80000, "1.5"},
                          {0x3FF80001, "0.015"}, {0x80000002, "-536870912"}};
  for (const auto& c : cases) {
    std::string stream = WorkbookBuilder().Sheet(u"S").Cell(b::kRk, b::Rk(0, 0, 0, c.rk)).Build();
    EXPECT_EQ(TextOf(stream), std::string("S\n") + c.text + "\n\n") << std::hex << c.rk;
  }
}

TEST(CellRecords, MulRkMulBlankFormulasAndInlineStrings) {
  std::string stream =
      WorkbookBuilder()
          .Sheet(u"S")
          .Cell(b::kMulRk, b::MulRk(0, 1, {{0, 0x00000006}, {0, 0x00000007}, {0, 0x3FF00000}}))
          .Cell(b::kMulBlank, b::MulBlank(1, 2, {0, 0, 0}))
          .Cell(b::kNumber, b::Number(1, 5, 0, 4))
          .Cell(b::kFormula, b::Formula(2, 0, 0, b::FormulaSpecial(1, 1)))     // TRUE
          .Cell(b::kFormula, b::Formula(2, 1, 0, b::FormulaSpecial(2, 0x07)))  // #DIV/0!
          .Cell(b::kFormula, b::Formula(2, 2, 0, b::FormulaNumber(0.1 + 0.2)))
          .Cell(b::kFormula, b::Formula(2, 3, 0, b::FormulaSpecial(0, 0)))  // string result
          .Cell(b::kString, b::UnicodeString(u"cached", false))
          .Cell(b::kFormula, b::Formula(2, 4, 0, b::FormulaSpecial(3, 0)))  // empty string
          .Cell(b::kLabel, b::Label(2, 5, 0, u"inline \u03A9"))
          .Cell(b::kBoolErr, b::Rk(2, 6, 0, 0))  // FALSE
          .Cell(b::kNumber, b::Number(3, 0, 0, 1e20))
          .Build();
  EXPECT_EQ(TextOf(stream),
            "S\n\t1\t0.01\t1\n\t\t\t\t\t4\n1\t7\t0.3\tcached\t\tinline \xCE\xA9\t0\n1E20\n\n");
}

TEST(CellRecords, NumberFormatsThroughXfAndFormatRecords) {
  WorkbookBuilder w;
  const uint16_t formats[] = {0, 3, 4, 9, 10, 5, 14, 164, 165, 166, 49};
  for (uint16_t f : formats) w.Global(b::kXf, b::Xf(f));
  w.Global(b::kFormat, b::Format(164, u"0.000"))
      .Global(b::kFormat, b::Format(165, u"[$-409]dddd\\ d\\ mmmm", true))
      .Global(b::kFormat, b::Format(166, u"#,##0.00 [$\u20AC-1];[Red]-#,##0.00", true))
      .Global(b::kFormat, b::Format(3, u"General"));  // leaves the built-in pattern
  w.Sheet(u"S")
      .Cell(b::kNumber, b::Number(0, 0, 0, 1e20))
      .Cell(b::kNumber, b::Number(0, 1, 1, 1234567.891))
      .Cell(b::kNumber, b::Number(0, 2, 2, 1234567.891))
      .Cell(b::kNumber, b::Number(0, 3, 3, 0.256))
      .Cell(b::kNumber, b::Number(0, 4, 4, 0.256))
      .Cell(b::kNumber, b::Number(1, 0, 5, -1234))
      .Cell(b::kNumber, b::Number(1, 1, 5, 1234))
      .Cell(b::kNumber, b::Number(1, 2, 6, 45000))
      .Cell(b::kNumber, b::Number(1, 3, 7, 2.5))
      .Cell(b::kNumber, b::Number(1, 4, 8, 45000))
      .Cell(b::kNumber, b::Number(1, 5, 9, -1234.5))
      .Cell(b::kNumber, b::Number(1, 6, 10, 12.5))
      // XF and format indexes out of range give the general text.
      .Cell(b::kNumber, b::Number(2, 0, 500, 2.5))
      .Cell(b::kFormula, b::Formula(2, 1, 7, b::FormulaNumber(2.5)));
  EXPECT_EQ(TextOf(w.Build()),
            "S\n1E20\t1,234,568\t1,234,567.89\t26%\t25.60%\n"
            "$1,234\t$1,234 \t03-15-23\t2.500\tWednesday 15 March\t-1,234.50\t12.5\n"
            "2.5\t2.5\n\n");
}

TEST(CellRecords, DateSystem1904) {
  std::string stream = WorkbookBuilder()
                           .Global(b::kXf, b::Xf(14))
                           .Global(b::kDateMode, b::Le16(1))
                           .Sheet(u"S")
                           .Cell(b::kNumber, b::Number(0, 0, 0, 43539))
                           .Build();
  EXPECT_EQ(TextOf(stream), "S\n03-16-23\n\n");
}

TEST(CellRecords, OverlongNumberPatternEndsTheConversion) {
  std::u16string longPattern(225, u'0');
  std::string stream = WorkbookBuilder()
                           .Global(b::kXf, b::Xf(170))
                           .Global(b::kFormat, b::Format(170, longPattern))
                           .Sheet(u"S")
                           .Cell(b::kNumber, b::Number(0, 0, 0, 1))
                           .Build();
  int32_t result = 0;
  Convert(stream, 65001, 0, &result);
  EXPECT_EQ(result, kFormatError);
}

// SST bodies split by hand into CONTINUE records.
std::string SstHead(uint32_t count) {
  return b::Le32(count) + b::Le32(count);
}

TEST(SharedStrings, ContinueRecordsAndPhoneticAndRichText) {
  // "ABCDEFGHIJ": the first 4 (8-bit) end the SST body, the last 6 follow as UTF-16.
  std::string wideTail = "\x01";
  for (char16_t c : std::u16string(u"EFGHI\u0416")) wideTail += b::Le16(c);
  // A rich string with 3 runs and a 5-byte phonetic block, each crossing into a CONTINUE.
  // Runs are whole 4-byte units in each segment: two here, one in the next.
  std::string rich =
      b::Le16(3) + std::string(1, '\x0C') + b::Le16(3) + b::Le32(5) + "xyz" + std::string(8, 'r');
  std::string richRest = std::string(4, 'r') + std::string(2, 'p');
  // A string whose header ends the segment: its characters follow the option byte that opens
  // the CONTINUE (here 16-bit ones).
  std::string header = b::Le16(2) + std::string(1, '\0');
  std::string stream =
      WorkbookBuilder()
          .Global(b::kSst, SstHead(6) + b::Le16(10) + std::string(1, '\0') + "ABCD")
          .Global(b::kContinue, wideTail + rich)
          .Global(b::kContinue, richRest)
          .Global(b::kContinue, std::string(3, 'p') +
                                    b::UnicodeString(std::u16string(u"n\0l", 3), false) + header)
          .Global(b::kContinue,
                  std::string("\x01o\0k\0", 5) + b::UnicodeString(u"\U0001F600", true))
          .Sheet(u"S")
          .Cell(b::kLabelSst, b::LabelSst(0, 0, 0, 0))
          .Cell(b::kLabelSst, b::LabelSst(0, 1, 0, 1))
          .Cell(b::kLabelSst, b::LabelSst(0, 2, 0, 2))
          .Cell(b::kLabelSst, b::LabelSst(0, 3, 0, 3))
          .Cell(b::kLabelSst, b::LabelSst(0, 4, 0, 4))
          .Cell(b::kLabelSst, b::LabelSst(0, 5, 0, 5))  // the count lies: no sixth string
          .Build();
  EXPECT_EQ(TextOf(stream), "S\nABCDEFGHI\xD0\x96\txyz\tn l\tok\t\xF0\x9F\x98\x80\t\n\n");
}

TEST(SharedStrings, TruncatedAndLyingTables) {
  // A huge cch and count with a CONTINUE chain that ends early keep the characters present.
  std::string stream = WorkbookBuilder()
                           .Global(b::kSst, b::Le32(0xFFFFFFFF) + b::Le32(0xFFFFFFFF) +
                                                b::Le16(0xFFFF) + std::string(1, '\0') + "abc")
                           .Global(b::kContinue, std::string(1, '\0') + "de")
                           .Sheet(u"S")
                           .Cell(b::kLabelSst, b::LabelSst(0, 0, 0, 0))
                           .Cell(b::kLabelSst, b::LabelSst(0, 1, 0, 0xFFFFFFFF))
                           .Build();
  EXPECT_EQ(TextOf(stream), "S\nabcde\t\n\n");
}

TEST(BadInput, DamagedRecordsEndWithoutHarm) {
  const std::string good = WorkbookBuilder()
                               .Sheet(u"S")
                               .Cell(b::kNumber, b::Number(0, 0, 0, 1))
                               .Cell(b::kNumber, b::Number(0, 1, 0, 2))
                               .Build();
  // Cut anywhere: whatever could be read, never a crash.
  for (size_t cut = 0; cut <= good.size(); ++cut) {
    int32_t result = -1;
    TextOf(good.substr(0, cut), &result);
    EXPECT_GE(result, 0);
  }
  // A BOUNDSHEET pointing past the stream, and one pointing at itself.
  std::string outside =
      b::Record(b::kBoundSheet, b::Le32(0x7FFFFFF0) + std::string("\0\0\1\0A", 5));
  std::string self = b::Record(b::kBoundSheet, b::Le32(20) + std::string("\0\0\1\0B", 5));
  std::string bof = b::Record(b::kBof, b::Le16(0x0600) + std::string(14, '\0'));
  EXPECT_EQ(TextOf(bof + outside + self + b::Record(b::kEof, "")), "A\n\nB\n\n");
  // Short cell records give no cell; a column past the 256 of a sheet gives none either.
  std::string shortCells = WorkbookBuilder()
                               .Sheet(u"S")
                               .Cell(b::kNumber, b::Le16(0) + b::Le16(0))
                               .Cell(b::kLabelSst, b::Le16(0))
                               .Cell(b::kMulRk, b::Le16(0))
                               .Cell(b::kBlank, b::Blank(0, 0xFFFF, 0))
                               .Cell(b::kMulBlank, b::MulBlank(1, 250, std::vector<uint16_t>(100)))
                               .Build();
  EXPECT_EQ(TextOf(shortCells), "S\n" + std::string(255, '\t') + "\n\n");
}

TEST(BadInput, ManySheetEntriesForOneSheetDoNotMultiplyTheWork) {
  WorkbookBuilder w;
  w.Sheet(u"S");
  for (int i = 0; i < 2000; ++i) w.Cell(b::kNumber, b::Number(static_cast<uint16_t>(i), 0, 0, i));
  std::string stream = w.Build();
  // 5000 more BOUNDSHEETs, all naming the first sheet's offset, inserted after the first.
  std::string first = stream.substr(20, 4 + 12);
  uint32_t sheetPos = static_cast<uint8_t>(first[4]) | (static_cast<uint8_t>(first[5]) << 8);
  std::string extra;
  for (int i = 0; i < 5000; ++i) extra += first;
  sheetPos += static_cast<uint32_t>(extra.size());
  std::string patched = stream.substr(0, 20) + extra + stream.substr(20);
  for (size_t at = 20; at < 20 + extra.size() + first.size(); at += first.size()) {
    for (int k = 0; k < 4; ++k) patched[at + 4 + k] = static_cast<char>(sheetPos >> (8 * k));
  }
  int32_t result = 0;
  std::string text = TextOf(patched, &result);
  ASSERT_GT(result, 0);
  EXPECT_LT(text.size(), 3 * patched.size());
}

}  // namespace
}  // namespace scrivtar
