// The engine object: everything the conversions share for the life of a program (library
// bindings, stream records, the PDF text accumulator, the Office Open XML work objects). A front
// end creates one at start-up and destroys it at exit; two engines convert independently, for
// example one in each thread of a batch run.
#pragma once

#include <filesystem>
#include <memory>

namespace scrivtar {

struct UserLocale;
class PdfBinding;
struct OfficeXWork;
class FilterHosts;

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

  const std::filesystem::path& programDir() const;
  const UserLocale& locale() const;

  // The parts the converters work with; their definitions are private to the engine.
  PdfBinding& pdf();
  // The zip reader, XML document and shared-string list of the .docx, .xlsx and .pptx converters.
  OfficeXWork& officeX();
  FilterHosts& filterHosts();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace scrivtar
