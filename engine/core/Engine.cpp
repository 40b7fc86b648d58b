#include "scrivtar/Engine.h"

#include "hosts/Converters.h"
#include "hosts/MyPdfCvt.h"
#include "ooxml/OfficeXCvt.h"
#include "platform/ProgramDir.h"
#include "scrivtar/UserLocale.h"

namespace scrivtar {

// Converters that keep process-wide objects add them here, each in its own member. Members are
// built in start-up order and destroyed in reverse.
struct Engine::Parts {
  explicit Parts(const EngineConfig& config)
      : programDir(config.programDir.empty() ? platform::ProgramDir() : config.programDir),
        locale(config.locale ? config.locale : &UserLocale::Process()),
        pdf(programDir),
        officeX(std::make_unique<OfficeXWork>()),
        filterHosts(programDir) {}

  std::filesystem::path programDir;
  const UserLocale* locale;
  PdfBinding pdf;  // bound on the first PDF conversion
  std::unique_ptr<OfficeXWork> officeX;
  FilterHosts filterHosts;
};

Engine::Engine(const EngineConfig& config) : parts_(std::make_unique<Parts>(config)) {}

Engine::~Engine() = default;

const std::filesystem::path& Engine::programDir() const {
  return parts_->programDir;
}
const UserLocale& Engine::locale() const {
  return *parts_->locale;
}
PdfBinding& Engine::pdf() {
  return parts_->pdf;
}
OfficeXWork& Engine::officeX() {
  return *parts_->officeX;
}
FilterHosts& Engine::filterHosts() {
  return parts_->filterHosts;
}

}  // namespace scrivtar
