// One worksheet: its BOUNDSHEET entry, and the cells its own run of records holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "VtXlsBRCell.h"
#include "VtXlsBSheet8.h"
#include "VtXlsSST.h"

namespace scrivtar {

struct TWorkSheetData {
  TBoundSheet8 bound;
  std::vector<TXlsCell> cells;     // in row order, then column order, after ReadWorksheet
  std::vector<std::string> texts;  // inline cell texts (kCellText)
};

// Walks the sheet's records from its BOF at bound.lbPlyPos to the first EOF after it and fills
// cells and texts. budget is the number of record bytes the walk may still visit; it shrinks
// by what this walk visits (BOUNDSHEET offsets that overlap cannot multiply the work).
void ReadWorksheet(const uint8_t* stream, size_t size, const TXlsTextForm& form,
                   TWorkSheetData& sheet, size_t& budget);

}  // namespace scrivtar
