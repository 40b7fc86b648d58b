// ConvertXls: open the workbook, walk its globals, then write each worksheet in turn (its cells
// are gathered, put in order, written and dropped before the next sheet is read).
#include "VtXlsCvt.h"

#include <algorithm>
#include <vector>

#include "TDocFile_U1.h"
#include "VtCvtBase.h"
#include "VtXlsCell.h"
#include "VtXlsGlobal.h"
#include "VtXlsWSD.h"

namespace scrivtar {

namespace {

// The text a workbook can justify: generous for real workbooks (whose text is a few times the
// size of the file), bounded for one whose records repeat a long shared string everywhere.
size_t TextLimitFor(size_t streamSize) {
  constexpr size_t kFloor = size_t{16} << 20;
  constexpr size_t kCeiling = size_t{256} << 20;
  return std::min(kCeiling, std::max(kFloor, streamSize * 64));
}

}  // namespace

int32_t ExtractXlsStreamText(const uint8_t* stream, size_t size, const UserLocale& locale,
                             std::string& text) {
  text.clear();
  TWorkBookData workbook;
  ReadWorkbookGlobals(stream, size, workbook);
  if (workbook.encrypted) return kNotAllowed;

  const size_t limit = TextLimitFor(size);
  // Sheets whose BOUNDSHEET offsets overlap cannot make the walk visit more than this.
  size_t budget = 2 * size + 4096;
  TWorkSheetData sheet;
  for (const TBoundSheet8& bound : workbook.worksheets) {
    sheet.bound = bound;
    sheet.cells.clear();
    sheet.texts.clear();
    ReadWorksheet(stream, size, sheet, budget);
    if (!AppendSheetText(text, workbook, sheet, locale, limit)) break;
  }
  return static_cast<int32_t>(text.size());
}

int32_t ExtractXlsStorageText(TDocFileStorage& storage, const UserLocale& locale,
                              std::string& text) {
  text.clear();
  std::unique_ptr<TDocFileStream> stream = storage.OpenStream("Workbook", kDocFileReadMode);
  if (!stream) stream = storage.OpenStream("Book", kDocFileReadMode);
  if (!stream) return 0;
  std::vector<uint8_t> bytes = stream->ReadAll();
  return ExtractXlsStreamText(bytes.data(), bytes.size(), locale, text);
}

int32_t ExtractXlsText(const std::filesystem::path& fileName, int32_t reserved, std::string& text,
                       const UserLocale& locale) {
  (void)reserved;
  int32_t check = CheckDocFile(fileName);
  if (check != 0) return check;
  std::unique_ptr<TDocFileStorage> storage = OpenDocFile(fileName, kDocFileReadMode);
  if (!storage || !storage->LastError().empty()) return kOpenError;
  return ExtractXlsStorageText(*storage, locale, text);
}

int32_t ConvertXls(const UserLocale& locale, const std::filesystem::path& source, int32_t limit,
                   OutputBlock& block, int32_t codePage, int32_t lineBreakStyle, int32_t unused) {
  (void)unused;
  try {
    std::string text;
    int32_t result = ExtractXlsText(source, limit, text, locale);
    if (result < 0) return result;
    if (codePage == 0) codePage = DefaultCodePage(locale);
    return OutputUtf8Text(text, true, lineBreakStyle, codePage, Utf8Decoder::kLenient, block);
  } catch (...) {
    return kFormatError;
  }
}

}  // namespace scrivtar
