// Start-up and shutdown of the desktop program, in their order: the settings first, then the
// windows; at exit the windows go first (the Add directory dialog stores its ticks as it is
// destroyed, the main window saves the job file) and the settings file is written last.
#pragma once

#include <memory>
#include <string>

#include "UnMain.h"

namespace scrivtar::ui {

class DesktopProgram {
 public:
  // programDir ends in "/"; it holds "Scrivtar.dat", "Scrivtar.job" and "scrivact.log".
  DesktopProgram(const DesktopPaths& paths, DesktopShell& shell);
  ~DesktopProgram();

  TFmMain& window() { return *window_; }
  DesktopContext& context() { return context_; }
  // Destroys the windows, then writes the settings file; false when it could not be written.
  bool Finish(std::string* error = nullptr);

 private:
  DesktopContext context_;
  std::unique_ptr<TFmMain> window_;
  bool finished_ = false;
};

}  // namespace scrivtar::ui
