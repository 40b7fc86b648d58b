// What the windows ask of the desktop around them: file and folder pickers, opening a path with
// its program, showing a file in the file manager, help pages. Tests put in their own shell so
// that they answer the pickers and see the calls without a desktop session.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace scrivtar::ui {

class DesktopShell {
 public:
  virtual ~DesktopShell() = default;
  // Several files; filter in Qt's form ("Name (*.a *.b);;..."). Empty when cancelled.
  virtual QStringList ChooseFiles(QWidget* parent, const QString& filter);
  virtual QString ChooseDirectory(QWidget* parent, const QString& title, const QString& start);
  // A file to save to, asking before an existing one is overwritten.
  virtual QString ChooseSaveFile(QWidget* parent, const QString& filter,
                                 const QString& defaultSuffix);
  // xdg-open; the result is not checked.
  virtual void Open(const QString& path);
  // The file manager's ShowItems call over D-Bus, else the folder is opened.
  virtual void ShowItem(const QString& path);
  virtual void OpenFolder(const QString& folder);
  // A help page ("index.html", "Options.htm") in the browser.
  virtual void OpenHelp(const QString& page);
};

// Where the help pages are: help/ in the program directory (the build tree), or
// ../share/scrivtar/help beside an installed program.
QString HelpDir();

}  // namespace scrivtar::ui
