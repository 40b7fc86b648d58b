// Workbooks saved by real writers (python3-xlwt, LibreOffice); the scripts that made them are
// in tests/fixtures/xls.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "scrivtar/UserLocale.h"
#include "xls/VtXlsCvt.h"

namespace scrivtar {
namespace {

// The UTF-8 text of a fixture with LF line ends, without the byte-order mark.
std::string FixtureText(const std::string& name) {
  OutputBlock block;
  int32_t n =
      ConvertXls(UserLocale::EnUs(), test::FixturesDir() / "xls" / name, 0, block, 65001, kLf, 0);
  EXPECT_GE(n, 3) << name;
  if (n < 3) return {};
  return std::string(block.begin() + 3, block.begin() + n);
}

std::string Block(const std::string& text, const std::string& sheetName) {
  size_t start = text.find(sheetName + "\n");
  if (start == std::string::npos) return {};
  size_t end = text.find("\n\n", start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end + 2 - start);
}

TEST(XlsFixtures, XlwtSharedStringsAcrossContinueRecords) {
  std::string text = FixtureText("xlwt_book.xls");
  std::string longString = "long:";
  for (int i = 0; i < 9000; ++i) longString += static_cast<char>('a' + i % 26);
  longString += ":end";
  EXPECT_NE(text.find("string number 000 of the table\t" + longString + "\n"), std::string::npos);
  EXPECT_NE(text.find("string number 001 of the table\t\xD0\x97\xD0\xB4\xD1\x80\xD0\xB0\xD0\xB2"
                      "\xD1\x81\xD1\x82\xD0\xB2\xD1\x83\xD0\xB9\xD1\x82\xD0\xB5 \xE4\xB8\x96\xE7"
                      "\x95\x8C caf\xC3\xA9\n"),
            std::string::npos);
  EXPECT_NE(text.find("string number 002 of the table\t\t\tafter two empty columns\n"),
            std::string::npos);
  EXPECT_NE(text.find("string number 299 of the table\n\n"), std::string::npos);
}

TEST(XlsFixtures, XlwtFormatsDatesAndHiddenSheet) {
  std::string text = FixtureText("xlwt_book.xls");
  // The Greek sheet name is written in UTF-8, not forced through an ANSI code page.
  EXPECT_EQ(Block(text, "\xCE\x91\xCF\x81\xCE\xB9\xCE\xB8\xCE\xBC\xCE\xBF\xCE\xAF"),
            "\xCE\x91\xCF\x81\xCE\xB9\xCE\xB8\xCE\xBC\xCE\xBF\xCE\xAF\n"
            "General\t1234.5\n0\t3\n0.00\t2.38\n#,##0\t1,234,568\n#,##0.00\t1,234,567.89\n"
            "0%\t26%\n0.00%\t25.60%\n0.00E+00\t1.23E+04\n# ?/?\t1 \n($#,##0_);($#,##0)\t$1,234\n"
            "0.000\t2.500\n#,##0.0 \"kg\"\t1,500.3 kg\n\n");
  EXPECT_EQ(Block(text, "Dates"),
            "Dates\nmm-dd-yy\t03-15-23\nd-mmm-yy\t15-Mar-23\nd-mmm\t15-Mar\nmmm-yy\tMar-23\n"
            "h:mm AM/PM\t6:00 PM\nh:mm:ss\t6:30:15\nm/d/yy h:mm\t3/15/23 18:00\n"
            "yyyy-mm-dd\t1999-12-31\ndddd\tWednesday\n\n");
  EXPECT_EQ(Block(text, "Hidden"), "Hidden\nin a hidden sheet\n\t\t42\n\n");
}

TEST(XlsFixtures, LibreOfficeFormulasChartSheetAndTwoWorksheets) {
  // LibreOffice stores the chart sheet as a worksheet that holds only the chart: its name with
  // no rows. The #N/A result shows its error code, 42, as formula errors do.
  EXPECT_EQ(FixtureText("libreoffice_book.xls"),
            "Formulas\nsum\t2\t3\t5\nboolean\t1\t0\nerror\t7\t42\nstring\tabcd\n"
            "empty string\t\tnext\ntenths\t0.3\n\n"
            "Chart\n\n"
            "Second\n\t\tC1 of the second sheet\nA5 after three empty rows\n"
            "2023-03-15\t1,234.568\t6:00 PM\n\n");
}

}  // namespace
}  // namespace scrivtar
