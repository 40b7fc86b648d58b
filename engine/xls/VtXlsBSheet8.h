// A BOUNDSHEET record: where a sheet's BOF lies, its visibility, type and name.
#pragma once

#include <cstdint>
#include <string>

#include "VtXlsBOF.h"
#include "VtXlsSST.h"

namespace scrivtar {

enum TSheetType : uint8_t {
  kSheetWorksheet = 0,  // worksheet or dialog sheet
  kSheetMacro = 1,
  kSheetChart = 2,
  kSheetVbModule = 6,
};

struct TBoundSheet8 {
  uint32_t lbPlyPos = 0;  // stream offset of the sheet's BOF record
  uint8_t hsState = 0;    // 0 visible, 1 hidden, 2 very hidden
  uint8_t dt = 0;         // TSheetType
  std::string name;       // UTF-8
};

// lbPlyPos, hsState, dt, cch (8-bit), option byte (bit 0: 16-bit characters), the characters.
// BIFF5 names have no option byte: their bytes are in the workbook's code page.
TBoundSheet8 ParseBoundSheet8(TVtMemoryStream body, const TXlsTextForm& form);

}  // namespace scrivtar
