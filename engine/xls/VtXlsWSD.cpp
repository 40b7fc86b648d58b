// The walk of one worksheet. Cells are gathered in record order and put into row and column
// order at the end: writers store them row by row, and a workbook that does not still gets
// every cell in its own row and column.
#include "VtXlsWSD.h"

#include <algorithm>

#include "VtXlsSST.h"

namespace scrivtar {

namespace {

// The string of a record body from an offset on, continued in the CONTINUE records after it.
// BIFF5: a 16-bit cch and bytes in the workbook's code page, within the record.
std::string ReadRecordString(TXlsRecordReader& reader, const TXlsRecord& record, size_t offset,
                             const TXlsTextForm& form, size_t& budget) {
  TVtMemoryStream first = record.Body();
  first.Skip(offset);
  if (!form.biff8) {
    uint32_t cch = first.ReadWord();
    std::string text;
    AppendByteCharacters(text, first.Current(), std::min<size_t>(cch, first.Remaining()), form);
    return text;
  }
  std::vector<TVtMemoryStream> segments;
  segments.emplace_back(first.Current(), first.Remaining());
  uint16_t type;
  TXlsRecord next;
  while (reader.PeekType(type) && type == kXlsContinue && reader.Next(next)) {
    size_t cost = next.length + 4;
    budget = cost < budget ? budget - cost : 0;
    segments.push_back(next.Body());
  }
  TXlsSegments cursor(std::move(segments));
  std::string text;
  ReadContinuedString(cursor, text);
  return text;
}

bool InRowOrder(const std::vector<TXlsCell>& cells) {
  return std::is_sorted(cells.begin(), cells.end(), [](const TXlsCell& a, const TXlsCell& b) {
    return a.row != b.row ? a.row < b.row : a.column < b.column;
  });
}

}  // namespace

void ReadWorksheet(const uint8_t* stream, size_t size, const TXlsTextForm& form,
                   TWorkSheetData& sheet, size_t& budget) {
  TXlsRecordReader reader(stream, size, sheet.bound.lbPlyPos);
  TXlsRecord record;
  // The cell of a formula whose text follows in a STRING record.
  size_t pendingStringCell = SIZE_MAX;
  bool ended = false;
  bool started = false;
  // Substreams inside the sheet (an embedded chart's BOF to its EOF) hold the chart's own data
  // cache in cell records; they are not cells of the sheet, and the sheet goes on after them.
  int embeddedDepth = 0;
  while (!ended && budget > 0 && reader.Next(record)) {
    size_t cost = record.length + 4;
    budget = cost < budget ? budget - cost : 0;
    const bool first = !started;
    started = true;
    if (record.type == kXlsBof && !first) {
      ++embeddedDepth;
      continue;
    }
    if (embeddedDepth > 0) {
      if (record.type == kXlsEof) --embeddedDepth;
      continue;
    }
    switch (record.type) {
      case kXlsEof:
        ended = true;
        break;
      case kXlsLabel:
      case kXlsRString: {
        TVtMemoryStream body = record.Body();
        if (body.Size() < 8) break;
        uint16_t row = body.ReadWord(), column = body.ReadWord(), xf = body.ReadWord();
        if (column >= kMaxColumns) break;
        sheet.texts.push_back(ReadRecordString(reader, record, 6, form, budget));
        sheet.cells.push_back(
            TXlsCell{row, column, kCellText, xf, static_cast<uint32_t>(sheet.texts.size() - 1), 0});
        pendingStringCell = SIZE_MAX;
        break;
      }
      case kXlsString:
        if (pendingStringCell < sheet.cells.size()) {
          TXlsCell& cell = sheet.cells[pendingStringCell];
          sheet.texts.push_back(ReadRecordString(reader, record, 0, form, budget));
          cell.kind = kCellText;
          cell.index = static_cast<uint32_t>(sheet.texts.size() - 1);
        }
        pendingStringCell = SIZE_MAX;
        break;
      case kXlsFormula:
      case kXlsLabelSst:
      case kXlsNumber:
      case kXlsRk:
      case kXlsMulRk:
      case kXlsBlank:
      case kXlsMulBlank:
      case kXlsBoolErr: {
        size_t before = sheet.cells.size();
        TFormulaResult result = AppendCellsOfRecord(record, sheet.cells);
        pendingStringCell = result == TFormulaResult::kString && sheet.cells.size() > before
                                ? sheet.cells.size() - 1
                                : SIZE_MAX;
        break;
      }
      default:
        break;
    }
  }
  if (!InRowOrder(sheet.cells)) {
    std::stable_sort(sheet.cells.begin(), sheet.cells.end(),
                     [](const TXlsCell& a, const TXlsCell& b) {
                       return a.row != b.row ? a.row < b.row : a.column < b.column;
                     });
  }
}

}  // namespace scrivtar
