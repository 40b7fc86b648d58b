// Conversion dispatch: from a type name to its entry point, with the Word-to-RTF fallback.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "scrivtar/ResultCodes.h"

namespace scrivtar {

class Engine;

// Per-type options a front end passes along.
struct ConversionOptions {
  int32_t lineBreakStyle = kCrLf;  // DOC, XLS, PDF
  int32_t specialFormat = 0;       // DOC: keep-raw (exactly 1); PDF: text order
  int32_t xlsUnused = 0;           // XLS's unused last argument (desktop: its keep-raw setting)
  int32_t pdfNoPageBreaks = 1;     // PDF: 1 = no page breaks
};

// True when the name is one of the type names the engine knows (upper case, exact).
bool IsKnownTypeName(std::string_view typeName);

// The type name a file extension stands for (upper case, without the dot): the macro-enabled,
// template and show variants of the Office Open XML types (DOCM, DOTX, DOTM; XLSM, XLTX, XLTM;
// PPTM, POTX, POTM, PPSX, PPSM) are packages of their base type and give DOCX, XLSX or PPTX;
// every other extension is its own type name.
std::string_view TypeNameOfExtension(std::string_view extension);

// True when the file opens, is at least 5 bytes long and starts with exactly "{\rtf".
bool IsRtfFile(const std::filesystem::path& source);

// Calls the entry point of the type. -3 when no entry point is registered for it. A DOC that
// fails with -5 and is RTF text is converted again by the RTF filter; usedRtfFallback (when
// given) tells whether that happened.
int32_t ConvertByType(Engine& engine, std::string_view typeName,
                      const std::filesystem::path& source, OutputBlock& block, int32_t codePage,
                      const ConversionOptions& options, bool* usedRtfFallback = nullptr);

}  // namespace scrivtar
