// Cell records (LABELSST, NUMBER, RK, MULRK, BLANK, MULBLANK, FORMULA, LABEL, BOOLERR) and the
// cell entries they give.
#pragma once

#include <cstdint>
#include <vector>

#include "VtXlsBOF.h"

namespace scrivtar {

enum TCellKind : uint8_t {
  kCellEmpty = 0,          // a formatted blank
  kCellSharedString = 1,   // index into the shared string table
  kCellNumber = 2,         // written through the cell's number format
  kCellFormulaResult = 3,  // a number, Boolean or error code, written as general number text
  kCellText = 4,           // index into the sheet's own texts (LABEL, string formula results)
};

// BIFF8 sheets have 256 columns; a record naming a column beyond them is damaged, and
// honouring it would turn a few bytes into tens of thousands of TAB characters.
constexpr uint32_t kMaxColumns = 256;

struct TXlsCell {
  uint32_t row = 0;
  uint16_t column = 0;
  TCellKind kind = kCellEmpty;
  uint32_t xf = 0;
  uint32_t index = 0;  // kCellSharedString, kCellText
  double value = 0;    // kCellNumber, kCellFormulaResult
};

// The value of an RK number: a 30-bit integer or the upper 30 bits of a double, optionally / 100.
double DecodeRk(uint32_t rk);

// What a FORMULA record's cached result is.
enum class TFormulaResult {
  kNumber,       // value set (numbers, Booleans as 0 or 1, error codes)
  kString,       // the text follows in a STRING record
  kEmptyString,  // shows nothing
};

// Appends the cells of one cell record to cells. Returns the kind of formula result for a
// FORMULA record (kNumber otherwise). Records too short for their fields give no cell.
TFormulaResult AppendCellsOfRecord(const TXlsRecord& record, std::vector<TXlsCell>& cells);

}  // namespace scrivtar
