// The engine object: everything the conversions share for the life of a program (library
// bindings, stream records, the PDF text accumulator, the Office Open XML work objects). A front
// end creates one at start-up and destroys it at exit; two engines convert independently.
#pragma once

#include <filesystem>
#include <memory>

#include "Converters.h"
#include "MyPdfCvt.h"
#include "platform/UserLocale.h"

namespace scrivtar {

struct OfficeXWork;

struct EngineConfig {
  // Where the filter and PDF libraries are looked for; empty means the program directory.
  std::filesystem::path programDir;
  // The locale for number and date text; nullptr means the process locale.
  const UserLocale* locale = nullptr;
};

class Engine {
 public:
  // Start-up, in this order: the PDF binding, the Office Open XML work objects, the HTML library
  // for web archives, then the help, HTML and RTF libraries for the file hosts.
  explicit Engine(const EngineConfig& config = {});
  // Shutdown in the reverse order.
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  const std::filesystem::path& programDir() const { return programDir_; }
  const UserLocale& locale() const { return *locale_; }
  PdfBinding& pdf() { return pdf_; }
  // The zip reader, XML document and shared-string list of the .docx, .xlsx and .pptx converters.
  OfficeXWork& officeX() { return *officeX_; }
  FilterHosts& filterHosts() { return filterHosts_; }

 private:
  std::filesystem::path programDir_;
  const UserLocale* locale_;
  // Converters that keep process-wide objects add them here, each in its own member. Members are
  // built in start-up order and destroyed in reverse.
  PdfBinding pdf_;  // bound on the first PDF conversion
  std::unique_ptr<OfficeXWork> officeX_;
  FilterHosts filterHosts_;
};

}  // namespace scrivtar
