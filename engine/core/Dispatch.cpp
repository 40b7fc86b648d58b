#include "scrivtar/Convert.h"

#include <fstream>

#include "doc/VtDocCvt.h"
#include "hosts/Converters.h"
#include "hosts/MyPdfCvt.h"
#include "mht/VtMhtCvt.h"
#include "ooxml/OfficeXCvt.h"
#include "ppt/VtPptCvt.h"
#include "scrivtar/CodePages.h"
#include "scrivtar/Engine.h"
#include "xls/VtXlsCvt.h"

namespace scrivtar {

namespace {

constexpr std::string_view kTypeNames[] = {"PDF",  "DOC", "DOCX", "PPT",  "PPTX", "XLS",
                                           "XLSX", "MHT", "HTM",  "HTML", "HLP",  "RTF"};

// The entry point of a type; -3 while the type has no converter. Each converter adds its case.
int32_t CallEntryPoint(Engine& engine, std::string_view type, const std::filesystem::path& source,
                       OutputBlock& block, int32_t codePage, const ConversionOptions& options) {
  if (type == "HTML") type = "HTM";
  if (type == "PDF") {
    return ConvertPdf(engine.pdf(), source, 0, block, codePage, 1, 0, options.specialFormat,
                      options.pdfNoPageBreaks, options.lineBreakStyle, "", "");
  }
  if (type == "MHT") return ConvertMht(engine.filterHosts(), source, 0, block, codePage);
  if (type == "DOC") {
    return ConvertDoc(source, 0, block, codePage, options.lineBreakStyle, options.specialFormat);
  }
  if (type == "XLS") {
    return ConvertXls(engine.locale(), source, 0, block, codePage, options.lineBreakStyle,
                      options.xlsUnused);
  }
  if (type == "HTM") return ConvertHtml(engine.filterHosts(), source, 0, block, codePage);
  if (type == "HLP") return ConvertHlp(engine.filterHosts(), source, 0, block, codePage);
  if (type == "RTF") return ConvertRtf(engine.filterHosts(), source, 0, block, codePage);
  if (type == "PPT") return ConvertPpt(source, 0, block, codePage);
  if (type == "DOCX") return ConvertDocx(engine.officeX(), source, 0, block, codePage);
  if (type == "XLSX") return ConvertXlsx(engine.officeX(), source, 0, block, codePage);
  if (type == "PPTX") return ConvertPptx(engine.officeX(), source, 0, block, codePage);
  return kTypeNotSupported;
}

}  // namespace

std::string_view TypeNameOfExtension(std::string_view extension) {
  struct Variant {
    std::string_view extension;
    std::string_view type;
  };
  static constexpr Variant kVariants[] = {
      {"DOCM", "DOCX"}, {"DOTX", "DOCX"}, {"DOTM", "DOCX"}, {"XLSM", "XLSX"},
      {"XLTX", "XLSX"}, {"XLTM", "XLSX"}, {"PPTM", "PPTX"}, {"POTX", "PPTX"},
      {"POTM", "PPTX"}, {"PPSX", "PPTX"}, {"PPSM", "PPTX"},
  };
  for (const Variant& v : kVariants) {
    if (v.extension == extension) return v.type;
  }
  return extension;
}

bool IsKnownTypeName(std::string_view typeName) {
  for (std::string_view name : kTypeNames) {
    if (name == typeName) return true;
  }
  return false;
}

bool IsRtfFile(const std::filesystem::path& source) {
  std::ifstream in(source, std::ios::binary);
  if (!in) return false;
  char head[5];
  if (!in.read(head, sizeof head)) return false;
  return std::string_view(head, sizeof head) == "{\\rtf";
}

int32_t ConvertByType(Engine& engine, std::string_view typeName,
                      const std::filesystem::path& source, OutputBlock& block, int32_t codePage,
                      const ConversionOptions& options, bool* usedRtfFallback) {
  if (usedRtfFallback) *usedRtfFallback = false;
  if (!IsKnownTypeName(typeName)) return kTypeNotSupported;
  // An output code page nothing can write would give an empty text reported as converted.
  if (codePage != 0 && !IsOutputCodePageSupported(codePage)) return kOutputCodePageRefused;
  int32_t result = CallEntryPoint(engine, typeName, source, block, codePage, options);
  if (typeName == "DOC" && result == kFormatError && IsRtfFile(source)) {
    if (usedRtfFallback) *usedRtfFallback = true;
    result = CallEntryPoint(engine, "RTF", source, block, codePage, options);
  }
  return result;
}

}  // namespace scrivtar
