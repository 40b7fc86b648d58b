// The Directory dialog: edits the list of directories the Add directory dialog scans.
#pragma once

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace scrivtar::ui {

class DesktopShell;

class TFmDirectory : public QDialog {
  Q_OBJECT
 public:
  TFmDirectory(DesktopShell& shell, QWidget* parent = nullptr);

  // Splits text at ";" into the lines; selects the first line when there is one.
  void Load(const QString& text);
  // The lines joined with ";" (empty when there are none).
  QString Joined() const;

  QListWidget* LBOXDirs;
  QLineEdit* EditDir;
  QPushButton* BtnBrowse;
  QPushButton* BtnReplace;
  QPushButton* BtnAdd;
  QPushButton* BtnDelete;
  QPushButton* BtnOK;
  QPushButton* BtnCancel;

 private:
  void UpdateButtons();

  DesktopShell& shell_;
};

}  // namespace scrivtar::ui
