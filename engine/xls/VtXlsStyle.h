// Number formats of a workbook: the format table (36 built-in patterns plus the FORMAT
// records), the XF list that maps a cell's XF index to a format, and the date system. Excel
// format codes are cleaned and sorted into number, percent and date patterns here.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "VtXlsBOF.h"
#include "VtXlsDateText.h"
#include "VtXlsSST.h"

namespace scrivtar {

struct UserLocale;

enum TFmtKind : uint8_t {
  kFmtGeneral = 0,
  kFmtNumber = 2,
  kFmtPercent = 3,
  kFmtDate = 5,
};

struct TFmtCode {
  TFmtKind kind = kFmtGeneral;
  std::string pattern;  // cleaned, UTF-8
};

constexpr size_t kFormatTableSize = 400;

struct TStyleData {
  std::array<TFmtCode, kFormatTableSize> formats;
  std::vector<uint16_t> xfFormats;  // the format index (ifmt) of each XF record
  XlsDateSystem dateSystem = XlsDateSystem::k1900;
};

// Empties the table and XF list and stores the built-in patterns.
void InitStyleData(TStyleData& style);

// Cleans a format code, classifies it and stores it at the index (indexes of 400 or more and
// codes containing "General" are not stored).
void AddFormatPattern(TStyleData& style, uint32_t index, std::string_view pattern);

// An XF record: appends its format index.
void ReadXfRecord(TStyleData& style, TVtMemoryStream body);
// A FORMAT record: ifmt, cch, option byte and the characters (16-bit when the byte is set);
// in BIFF5 an 8-bit cch and bytes in the workbook's code page.
void ReadFormatRecord(TStyleData& style, TVtMemoryStream body, const TXlsTextForm& form);
// A DATEMODE record: 1 selects the 1904 date system.
void ReadDateModeRecord(TStyleData& style, TVtMemoryStream body);

// Appends the text of a number cell through the format its XF names.
void AppendCellNumber(std::string& out, const TStyleData& style, uint32_t xfIndex, double value,
                      const UserLocale& locale);
std::string FormatCellNumber(const TStyleData& style, uint32_t xfIndex, double value,
                             const UserLocale& locale);

}  // namespace scrivtar
