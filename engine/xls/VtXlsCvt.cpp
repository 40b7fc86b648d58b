// ConvertXls: open the workbook, walk its globals, then write each worksheet in turn (its cells
// are gathered, put in order, written and dropped before the next sheet is read).
#include "VtXlsCvt.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "VtXlsCell.h"
#include "VtXlsGlobal.h"
#include "VtXlsWSD.h"
#include "cfb/CompoundFile.h"
#include "cfb/TDocFile_U1.h"
#include "core/VtCvtBase.h"
#include "platform/FileBytes.h"

namespace scrivtar {

namespace {

// The text a workbook can justify: generous for real workbooks (whose text is a few times the
// size of the file), bounded for one whose records repeat a long shared string everywhere.
size_t TextLimitFor(size_t streamSize) {
  constexpr size_t kFloor = size_t{16} << 20;
  constexpr size_t kCeiling = size_t{256} << 20;
  return std::min(kCeiling, std::max(kFloor, streamSize * 64));
}

// The bytes from a sheet's BOF to the next sheet's BOF (or the end of the stream), by the
// sorted sheet offsets.
size_t SheetSpan(const std::vector<size_t>& sortedStarts, size_t start, size_t streamSize) {
  if (start >= streamSize) return 0;
  auto next = std::upper_bound(sortedStarts.begin(), sortedStarts.end(), start);
  size_t end = next == sortedStarts.end() ? streamSize : std::min(*next, streamSize);
  return end - start;
}

}  // namespace

int32_t ExtractXlsStreamText(const uint8_t* stream, size_t size, const UserLocale& locale,
                             std::string& text) {
  text.clear();
  TWorkBookData workbook;
  ReadWorkbookGlobals(stream, size, workbook);
  if (workbook.encrypted) return kNotAllowed;

  const size_t limit = TextLimitFor(size);
  // Text is rarely longer than its records; pages that stay unused are never touched.
  text.reserve(std::min(limit, size + 4096));
  // Sheets whose BOUNDSHEET offsets overlap cannot make the walk visit more than this.
  size_t budget = 2 * size + 4096;
  std::vector<size_t> sheetStarts;
  sheetStarts.reserve(workbook.worksheets.size());
  for (const TBoundSheet8& bound : workbook.worksheets) sheetStarts.push_back(bound.lbPlyPos);
  std::sort(sheetStarts.begin(), sheetStarts.end());
  TWorkSheetData sheet;
  for (const TBoundSheet8& bound : workbook.worksheets) {
    sheet.bound = bound;
    sheet.cells.clear();
    sheet.texts.clear();
    // A cell record takes at least 10 bytes of the sheet's run of records.
    sheet.cells.reserve(SheetSpan(sheetStarts, bound.lbPlyPos, size) / 10);
    ReadWorksheet(stream, size, workbook.textForm, sheet, budget);
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
  // One copy of the stream, not zero-filled first: a stream is never larger than its file.
  const int64_t size = stream->Size();
  if (size <= 0) return ExtractXlsStreamText(nullptr, 0, locale, text);
  auto bytes = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(size));
  size_t got = stream->ReadAt(0, bytes.get(), static_cast<size_t>(size));
  return ExtractXlsStreamText(bytes.get(), got, locale, text);
}

int32_t ExtractXlsText(const std::filesystem::path& fileName, int32_t reserved, std::string& text,
                       const UserLocale& locale) {
  (void)reserved;
  text.clear();
  int32_t check = CheckDocFile(fileName);
  if (check != 0) return check;
  // The container is opened as OpenDocFile opens it, keeping the file's mapping at hand: a
  // workbook stream that lies in one run of sectors is read where it is, without a copy.
  platform::FileStatus fileStatus;
  auto file = platform::FileBytes::Open(fileName, &fileStatus);
  if (!file) return kOpenError;
  cfb::OpenStatus status;
  auto compound = cfb::CompoundFile::Open(file, &status);
  if (!compound) return kOpenError;
  auto stream = compound->OpenRootStream(u"Workbook");
  if (!stream) stream = compound->OpenRootStream(u"Book");
  if (!stream) return 0;
  const size_t size = static_cast<size_t>(stream->size());
  uint64_t fileOffset = 0;
  uint64_t run = 0;
  if (size == 0 || (stream->Locate(0, &fileOffset, &run) && run >= size)) {
    return ExtractXlsStreamText(size == 0 ? nullptr : file->data() + fileOffset, size, locale,
                                text);
  }
  auto bytes = std::make_unique_for_overwrite<uint8_t[]>(size);
  size_t got = stream->ReadAt(0, bytes.get(), size);
  return ExtractXlsStreamText(bytes.get(), got, locale, text);
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
