// The spreadsheet extractor over arbitrary bytes: as a workbook stream (the record walk, shared
// strings, formats and sheet layout) and, when the bytes are a compound document, through its
// "Workbook" or "Book" stream.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cfb/CompoundFile.h"
#include "cfb/TDocFile_U1.h"
#include "core/VtCvtBase.h"
#include "platform/FileBytes.h"
#include "scrivtar/UserLocale.h"
#include "xls/VtXlsCvt.h"
#include "xls/VtXlsNumberText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace scrivtar;
  static const UserLocale locale = UserLocale::EnUs();
  std::string text;
  try {
    ExtractXlsStreamText(data, size, locale, text);
    if (cfb::HasCompoundSignature(data, size)) {
      cfb::OpenStatus status;
      auto file = cfb::CompoundFile::Open(platform::FileBytes::FromCopy(data, size), &status);
      if (file) {
        TDocFileStorage storage(file);
        ExtractXlsStorageText(storage, locale, text);
      }
    }
  } catch (const EXlsPatternTooLong&) {
    return 0;  // the documented error of an overlong number pattern (-5)
  }
  OutputBlock block;
  OutputUtf8Text(text, true, kCrLf, 1200, Utf8Decoder::kLenient, block);
  return 0;
}
