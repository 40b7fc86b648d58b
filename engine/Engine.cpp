#include "Engine.h"

#include "OfficeXCvt.h"
#include "platform/ProgramDir.h"

namespace scrivtar {

Engine::Engine(const EngineConfig& config)
    : programDir_(config.programDir.empty() ? platform::ProgramDir() : config.programDir),
      locale_(config.locale ? config.locale : &UserLocale::Process()),
      pdf_(programDir_),
      officeX_(std::make_unique<OfficeXWork>()),
      filterHosts_(programDir_) {}

Engine::~Engine() = default;

}  // namespace scrivtar
