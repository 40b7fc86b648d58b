// Scrivtar, the desktop program.
#include <QApplication>
#include <cstdio>

#include "DesktopProgram.h"
#include "DesktopShell.h"
#include "Icons.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Scrivtar");
  QApplication::setApplicationVersion("3.2");
  QApplication::setDesktopFileName("scrivtar");
  QApplication::setWindowIcon(scrivtar::ui::SvgIcon("scrivtar"));
  scrivtar::ui::DesktopShell shell;
  const scrivtar::DesktopPaths paths =
      scrivtar::ResolveDesktopPaths(scrivtar::DesktopEnvironment::FromProcess());
  scrivtar::ui::DesktopProgram program(paths, shell);
  program.window().show();
  const int status = QApplication::exec();
  std::string error;
  if (!program.Finish(&error)) {
    std::fprintf(stderr, "Scrivtar: the settings could not be saved: %s\n", error.c_str());
  }
  return status;
}
