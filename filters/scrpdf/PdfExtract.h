// PDF text extraction on poppler-cpp: the pages' text in one of poppler's three text layouts,
// pages separated by a form feed, line ends in the caller's style, delivered in UTF-8 pieces.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "PdfPageBudget.h"

namespace scrivtar::pdf {

enum class TTextOrder { kReading, kPhysical, kRaw };

// Results, as the engine's PDF binding expects them.
constexpr int32_t kPdfOk = 0;
constexpr int32_t kPdfCannotOpen = -1;
constexpr int32_t kPdfDamaged = -2;
constexpr int32_t kPdfNotAllowed = -3;
constexpr int32_t kPdfTooMuchWork = -5;  // a page needs more work than the budget allows

struct TPdfOptions {
  TTextOrder order = TTextOrder::kReading;
  bool pageBreaks = true;        // a form feed between pages
  std::string lineEnd = "\r\n";  // replaces poppler's LF
  bool honourCopyPermission = true;
  int32_t pageLimit = 0;  // the number of pages to read; 0 or less: all
  std::string ownerPassword;
  std::string userPassword;
  TPdfBudget budget;
  TPdfWork* work = nullptr;  // when set, receives the largest counts of any page
};

// Receives the text in pieces of at most 64 KiB.
using TTextSink = std::function<void(std::string_view)>;

int32_t ExtractPdfText(const std::string& path, const TPdfOptions& options, const TTextSink& sink);

// A UTF-16 path as Linux bytes: UTF-8, except that the lone low surrogates U+DC80..U+DCFF stand
// for the bytes 0x80..0xFF of a name that is not UTF-8.
std::string PathFromUtf16(const uint16_t* path, int32_t pathBytes);

// The line end of the binding's line-break code: 1 LF, 3 CR, anything else CR LF.
std::string LineEndOfCode(int32_t lineBreakCode);

}  // namespace scrivtar::pdf
