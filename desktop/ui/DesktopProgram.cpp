#include "DesktopProgram.h"

#include "scrivtar/UserLocale.h"

namespace scrivtar::ui {

DesktopProgram::DesktopProgram(const DesktopPaths& paths, DesktopShell& shell) {
  const UserLocale& locale = UserLocale::Process();
  context_.paths = paths;
  context_.systemCodePage = locale.ansiCodePage;
  context_.settingsFile = paths.ProgramDir + std::string(kSettingsFileName);
  context_.jobFile = paths.ProgramDir + std::string(kJobFileName);
  context_.settings = LoadSettings(context_.settingsFile, paths, context_.systemCodePage);
  context_.lookup = RebuildExtensionLookup(context_.settings);
  context_.log =
      std::make_unique<ActivityLog>(paths.ProgramDir + std::string(kLogFileName), locale);
  window_ = std::make_unique<TFmMain>(context_, shell);
}

DesktopProgram::~DesktopProgram() {
  Finish();
}

bool DesktopProgram::Finish(std::string* error) {
  if (finished_) return true;
  finished_ = true;
  window_.reset();
  return SaveSettings(context_.settingsFile, context_.settings, context_.systemCodePage, error);
}

}  // namespace scrivtar::ui
