// The text of a cell entry and the plain-text layout of a worksheet: the sheet name on a line,
// one line per row with the cells separated by TAB characters, then an empty line.
#pragma once

#include <string>

#include "VtXlsGlobal.h"
#include "VtXlsWSD.h"

namespace scrivtar {

struct UserLocale;

// Appends the cell's text: a shared string, a number through its format, a formula result as
// general number text, an inline text; nothing for a blank.
void AppendCellText(std::string& out, const TXlsCell& cell, const TWorkBookData& workbook,
                    const TWorkSheetData& sheet, const UserLocale& locale);

// Appends the sheet's block: name, rows (a cell in column k after k TABs), an empty line.
// Stops after the row that makes the text reach limit bytes and returns false then.
bool AppendSheetText(std::string& out, const TWorkBookData& workbook, const TWorkSheetData& sheet,
                     const UserLocale& locale, size_t limit);

}  // namespace scrivtar
