// The Add directory dialog: the directories to scan, the file types to look for and the
// "Recursive Sub Directory" box. Its ticks and its recursion box go back into the settings when
// the dialog is destroyed, before the settings are saved.
#pragma once

#include <QDialog>

#include "DesktopSettings.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace scrivtar::ui {

class DesktopShell;
class TFmDirectory;

class TFmAddDir : public QDialog {
  Q_OBJECT
 public:
  TFmAddDir(DesktopSettings& settings, TFmDirectory& directory, DesktopShell& shell,
            QWidget* parent = nullptr);
  ~TFmAddDir() override;

  bool IsTicked(int typeIndex) const;  // 1 to 10
  void SetTicked(int typeIndex, bool ticked);
  // The masks of the ticked types for the scan: "*.pdf|*.htm|*.html|".
  std::string SearchExts() const;
  bool recursive() const;

  QLineEdit* EditDir;
  QPushButton* BtnDir;
  QListWidget* CheckListBox1;
  QCheckBox* CBRecursive;
  QPushButton* BtnOK;
  QPushButton* BtnCancel;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void RebuildLines();
  void Ok();

  DesktopSettings& settings_;
  TFmDirectory& directory_;
  DesktopShell& shell_;
};

}  // namespace scrivtar::ui
