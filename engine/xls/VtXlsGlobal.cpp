// The globals walk. The SST record and the CONTINUE records after it form the segments of the
// string table; the walk then meets those CONTINUE records again and skips them.
#include "VtXlsGlobal.h"

namespace scrivtar {

namespace {

std::vector<TVtMemoryStream> SstSegments(const TXlsRecord& sst, TXlsRecordReader reader) {
  std::vector<TVtMemoryStream> segments{sst.Body()};
  uint16_t type;
  TXlsRecord next;
  while (reader.PeekType(type) && type == kXlsContinue && reader.Next(next)) {
    segments.push_back(next.Body());
  }
  return segments;
}

// The CODEPAGE record's identifier as a Windows code page (Macintosh Roman and ANSI are
// written with ids of their own).
int32_t CodePageOfRecord(TVtMemoryStream body) {
  uint16_t id = body.ReadWord();
  switch (id) {
    case 0x8000:
      return 10000;
    case 0x8001:
      return 1252;
    case 367:
      return 20127;
    default:
      return id;
  }
}

}  // namespace

void ReadWorkbookGlobals(const uint8_t* stream, size_t size, TWorkBookData& workbook) {
  InitStyleData(workbook.style);
  TXlsRecordReader reader(stream, size);
  TXlsRecord record;
  bool first = true;
  while (reader.Next(record)) {
    if (first && BiffVersionOfBof(record) == kBiff5Version) workbook.textForm.biff8 = false;
    first = false;
    switch (record.type) {
      case kXlsEof:
        return;
      case kXlsFilePass:
        workbook.encrypted = true;
        return;
      case kXlsBoundSheet: {
        TBoundSheet8 sheet = ParseBoundSheet8(record.Body(), workbook.textForm);
        if (sheet.dt == kSheetWorksheet) workbook.worksheets.push_back(std::move(sheet));
        break;
      }
      case kXlsXf:
        ReadXfRecord(workbook.style, record.Body());
        break;
      case kXlsFormat:
        ReadFormatRecord(workbook.style, record.Body(), workbook.textForm);
        break;
      case kXlsCodePage:
        workbook.textForm.codePage = CodePageOfRecord(record.Body());
        break;
      case kXlsDateMode:
        ReadDateModeRecord(workbook.style, record.Body());
        break;
      case kXlsSst:
        workbook.sst = ReadSharedStrings(SstSegments(record, reader));
        break;
      default:
        break;
    }
  }
}

}  // namespace scrivtar
