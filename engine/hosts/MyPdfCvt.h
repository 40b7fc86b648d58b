// The PDF binding: scrpdf.so's one export fnExtractText, the text accumulator it fills through
// its callback, and the entry point ConvertPdf.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "scrivtar/ResultCodes.h"
#include "platform/DynamicLibrary.h"
#include "scrivtar/FilterApi.h"

namespace scrivtar {

inline constexpr const char* kPdfLibraryFile = "scrpdf.so";

// The PDF library pulls in poppler and its graphics libraries, so it is bound when the first PDF
// conversion needs it rather than at start-up. The accumulator keeps its allocation from one
// conversion to the next and goes at shutdown, before the library.
class PdfBinding {
 public:
  explicit PdfBinding(std::filesystem::path programDir);
  // A binding to a function already in the process (tests).
  explicit PdfBinding(ScrExtractTextFn extractText);
  PdfBinding(const PdfBinding&) = delete;
  PdfBinding& operator=(const PdfBinding&) = delete;

  // fnExtractText, or nullptr when the library or the export is missing.
  ScrExtractTextFn ExtractText();
  std::string& accumulator() { return accumulator_; }

 private:
  std::filesystem::path programDir_;
  bool bindAttempted_ = false;
  platform::DynamicLibrary library_;
  ScrExtractTextFn extractText_ = nullptr;
  std::string accumulator_;
};

// Text order: 0 reading order, 1 original layout, 2 raw order (any other value is 0).
// -1 library missing; -4, -11, -5 as the library reports an open error, a document that does not
// allow extraction, or any other failure; otherwise the stored byte count (0 for no text, the
// block untouched). The library lays the text out itself, so no line-end step runs here.
int32_t ConvertPdf(PdfBinding& pdf, const std::filesystem::path& source, int32_t byteLimit,
                   OutputBlock& block, int32_t codePage, int32_t switchA, int32_t switchB,
                   int32_t textOrder, int32_t noPageBreaks, int32_t lineBreakStyle,
                   const char* textC, const char* textD);

}  // namespace scrivtar
