#include "xls/VtXlsStyle.h"

#include <gtest/gtest.h>

#include "scrivtar/UserLocale.h"

namespace scrivtar {
namespace {

struct BuiltInCase {
  uint16_t index;
  TFmtKind kind;
  const char* pattern;
};

TEST(FormatTable, BuiltInPatternsAreCleanedAndClassified) {
  TStyleData style;
  InitStyleData(style);
  const BuiltInCase cases[] = {
      {0, kFmtGeneral, ""},
      {1, kFmtNumber, "0"},
      {5, kFmtNumber, "$#,##0 ;$#,##0"},
      {9, kFmtPercent, "0%"},
      {12, kFmtNumber, "# "},
      {13, kFmtNumber, "# "},
      {14, kFmtDate, "mm-dd-yy"},
      {18, kFmtDate, "h:mm AM/PM"},
      {22, kFmtDate, "m/d/yy h:mm"},
      {23, kFmtGeneral, ""},
      {36, kFmtGeneral, ""},
      {38, kFmtNumber, "#,##0 ;#,##0"},
      {41, kFmtNumber, "  #,##0 ;  #,##0;  \"-\" ;  "},
      {44, kFmtNumber, " $ #,##0.00 ; $ #,##0.00; $ \"-\" ;  "},
      {46, kFmtDate, ":mm:ss"},
      {48, kFmtNumber, "##0.0E+0"},
      {49, kFmtGeneral, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(style.formats[c.index].kind, c.kind) << c.index;
    EXPECT_EQ(style.formats[c.index].pattern, c.pattern) << c.index;
  }
}

struct CustomCase {
  const char* code;
  TFmtKind kind;
  const char* pattern;
};

TEST(FormatTable, CustomCodes) {
  const CustomCase cases[] = {
      {"[Red][<0]0.0", kFmtNumber, "0.0"},
      {"0.0[Red", kFmtNumber, "0.0"},  // a "[" without a "]" takes the rest
      {"]0[x", kFmtNumber, "]0"},
      {"[$-409]d\\-mmm\\-yyyy;@", kFmtDate, "d-mmm-yyyy"},
      {"yyyy\"\"\"\"mm;\"x\"", kFmtDate, "yyyymm"},
      {"aaaa", kFmtDate, "dddd"},
      {"0.00%;-0.00%", kFmtPercent, "0.00%;-0.00%"},
      {"# ?\?/100", kFmtNumber, "# 100"},
      {"#,##0 \"kr\"", kFmtNumber, "#,##0 \"kr\""},
      // Date codes without an "m" are dates too.
      {"yyyy", kFmtDate, "yyyy"},
      {"dddd;@", kFmtDate, "dddd"},
      {"hh:ss", kFmtDate, "hh:ss"},
      {"0.0 \"hrs\"", kFmtNumber, "0.0 \"hrs\""},
      // Codes in capitals, as some writers store them; quoted capitals stay literal text.
      {"DDMMYYYY", kFmtDate, "DDMMYYYY"},
      {"YYYY-MM-DD", kFmtDate, "YYYY-MM-DD"},
      {"HH:MM", kFmtDate, "HH:MM"},
      {"AAAA", kFmtDate, "AAAA"},
      {"0.0 \"KM\"", kFmtNumber, "0.0 \"KM\""},
  };
  for (const auto& c : cases) {
    TStyleData style;
    InitStyleData(style);
    AddFormatPattern(style, 164, c.code);
    EXPECT_EQ(style.formats[164].kind, c.kind) << c.code;
    EXPECT_EQ(style.formats[164].pattern, c.pattern) << c.code;
  }
}

TEST(FormatTable, WhatIsNotStored) {
  TStyleData style;
  InitStyleData(style);
  AddFormatPattern(style, 3, "General");
  EXPECT_EQ(style.formats[3].pattern, "#,##0");  // the entry keeps what it had
  AddFormatPattern(style, 3, "GENERAL");
  AddFormatPattern(style, 3, "general;-general");
  EXPECT_EQ(style.formats[3].pattern, "#,##0");
  AddFormatPattern(style, 4, "_(@_)");
  EXPECT_EQ(style.formats[4].pattern, "#,##0.00");
  AddFormatPattern(style, 400, "0.0");
  AddFormatPattern(style, 0xFFFF, "0.0");
  AddFormatPattern(style, 2, "0.0");  // a later pattern replaces a built-in one
  EXPECT_EQ(style.formats[2].pattern, "0.0");
}

TEST(FormatCellNumber, XfAndFormatIndexes) {
  const UserLocale locale = UserLocale::EnUs();
  TStyleData style;
  InitStyleData(style);
  style.xfFormats = {0, 3, 400, 23, 14};
  EXPECT_EQ(FormatCellNumber(style, 0, 2.5, locale), "2.5");
  EXPECT_EQ(FormatCellNumber(style, 1, 2.5, locale), "3");
  EXPECT_EQ(FormatCellNumber(style, 2, 2.5, locale), "2.5");  // format index past the table
  EXPECT_EQ(FormatCellNumber(style, 3, 2.5, locale), "2.5");  // no pattern at that index
  EXPECT_EQ(FormatCellNumber(style, 5, 2.5, locale), "2.5");  // XF index past the list
  EXPECT_EQ(FormatCellNumber(style, 4, 45000, locale), "03-15-23");
}

// Format codes in capitals: the number of a "GENERAL" cell, the date of a "DDMMYYYY" one, the
// minutes of "HH:MM" (an "M" after an "H" is the minute, as in lower case).
TEST(FormatCellNumber, CodesInCapitals) {
  const UserLocale locale = UserLocale::EnUs();
  TStyleData style;
  InitStyleData(style);
  AddFormatPattern(style, 164, "GENERAL");
  AddFormatPattern(style, 165, "DDMMYYYY");
  AddFormatPattern(style, 166, "YYYY-MM-DD");
  AddFormatPattern(style, 167, "HH:MM");
  AddFormatPattern(style, 168, "MM:SS");
  style.xfFormats = {164, 165, 166, 167, 168};
  EXPECT_EQ(FormatCellNumber(style, 0, 1234.5, locale), "1234.5");
  EXPECT_EQ(FormatCellNumber(style, 1, 45000, locale), "15032023");
  EXPECT_EQ(FormatCellNumber(style, 2, 45000, locale), "2023-03-15");
  EXPECT_EQ(FormatCellNumber(style, 3, 45000.75, locale), "18:00");
  EXPECT_EQ(FormatCellNumber(style, 4, 0.75, locale), "12:00");  // the month, as in "mm:ss"
}

}  // namespace
}  // namespace scrivtar
