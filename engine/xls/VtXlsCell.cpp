// Cell text and sheet layout. Rows without cells do not appear, so gaps between rows close up.
#include "VtXlsCell.h"

#include "VtXlsNumberText.h"

namespace scrivtar {

void AppendCellText(std::string& out, const TXlsCell& cell, const TWorkBookData& workbook,
                    const TWorkSheetData& sheet, const UserLocale& locale) {
  switch (cell.kind) {
    case kCellSharedString:
      if (cell.index < workbook.sst.strings.size()) out += workbook.sst.strings[cell.index];
      break;
    case kCellNumber:
      AppendCellNumber(out, workbook.style, cell.xf, cell.value, locale);
      break;
    case kCellFormulaResult:
      AppendGeneralNumberText(out, cell.value, locale);
      break;
    case kCellText:
      if (cell.index < sheet.texts.size()) out += sheet.texts[cell.index];
      break;
    default:
      break;
  }
}

bool AppendSheetText(std::string& out, const TWorkBookData& workbook, const TWorkSheetData& sheet,
                     const UserLocale& locale, size_t limit) {
  out += sheet.bound.name;
  out += "\r\n";
  const auto& cells = sheet.cells;
  for (size_t i = 0; i < cells.size();) {
    const uint32_t row = cells[i].row;
    uint32_t column = 0;
    for (; i < cells.size() && cells[i].row == row; ++i) {
      if (cells[i].column > column) {
        out.append(cells[i].column - column, '\t');
        column = cells[i].column;
      }
      AppendCellText(out, cells[i], workbook, sheet, locale);
    }
    out += "\r\n";
    if (out.size() >= limit) return false;
  }
  out += "\r\n";
  return true;
}

}  // namespace scrivtar
