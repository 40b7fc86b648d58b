// The one export of scrpdf.so. Switch A: 1 honours a document's ban on copying text (-3), 0
// ignores it. Switch B: the number of pages to read, 0 for all. Text C and text D: the owner
// and the user password (UTF-8), empty for none.
#include <exception>

#include "PdfExtract.h"
#include "scrivtar/FilterApi.h"

extern "C" __attribute__((visibility("default"))) int32_t fnExtractText(
    const uint16_t* path, int32_t pathBytes, ScrPdfTextFn onText, int32_t switchA, int32_t switchB,
    int32_t originalLayout, int32_t noPageBreaks, int32_t rawOrder, int32_t lineBreakCode,
    const char* textC, const char* textD) {
  using namespace scrivtar::pdf;
  try {
    TPdfOptions options;
    options.order = rawOrder         ? TTextOrder::kRaw
                    : originalLayout ? TTextOrder::kPhysical
                                     : TTextOrder::kReading;
    options.pageBreaks = noPageBreaks == 0;
    options.lineEnd = LineEndOfCode(lineBreakCode);
    options.honourCopyPermission = switchA != 0;
    options.pageLimit = switchB;
    options.ownerPassword = textC ? textC : "";
    options.userPassword = textD ? textD : "";
    auto sink = [onText](std::string_view piece) {
      if (onText) onText(piece.data(), static_cast<int32_t>(piece.size()));
    };
    return ExtractPdfText(PathFromUtf16(path, pathBytes), options, sink);
  } catch (const std::exception&) {
    return kPdfDamaged;
  }
}
