// The workbook globals: the walk over the records before the sheets, which gathers the
// worksheet entries, the shared string table, the formats and the date system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "VtXlsBSheet8.h"
#include "VtXlsSST.h"
#include "VtXlsStyle.h"

namespace scrivtar {

struct TWorkBookData {
  TSharedStrings sst;
  std::vector<TBoundSheet8> worksheets;  // BOUNDSHEET order; worksheets only, hidden ones too
  TStyleData style;
  TXlsTextForm textForm;
  bool encrypted = false;  // a FILEPASS record: everything after it is ciphertext
};

// Walks the globals from the start of the stream to their EOF. Stops at a FILEPASS record with
// encrypted set.
void ReadWorkbookGlobals(const uint8_t* stream, size_t size, TWorkBookData& workbook);

}  // namespace scrivtar
