// The Options dialog: three pages ("General", "File Extension", "Special") over the settings
// that steer conversion. It reloads its controls from the settings every time it is shown;
// only OK writes back.
#pragma once

#include <QDialog>
#include <QTreeWidget>
#include <functional>

#include "DesktopSettings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace scrivtar::ui {

class DesktopShell;

// A report list that also tells when a column divider has been dragged and when it scrolls
// horizontally, so that an editor lying over a cell can follow.
class TVtListView : public QTreeWidget {
  Q_OBJECT
 public:
  explicit TVtListView(QWidget* parent = nullptr);
 signals:
  void OnEndColumnResize();
  void OnHScroll();
};

class TFmOption : public QDialog {
  Q_OBJECT
 public:
  TFmOption(DesktopSettings& settings, DesktopShell& shell, QWidget* parent = nullptr);

  // The items of "File code page", exactly as the list shows them.
  static const QStringList& CodePageItems();

  void LoadControls();
  void ShowPage(int page);  // 0 General, 1 File Extension, 2 Special

  // Called after OK has stored the user extensions, so the owner rebuilds its extension lookup.
  std::function<void()> onExtensionsChanged;

  QCheckBox* CBSameDir;
  QLineEdit* EditTargetDir;
  QPushButton* BtnDir;
  QComboBox* ComBFileOverTp;
  QComboBox* ComBSourceCode;
  TVtListView* ListView1;
  QLineEdit* EditFileExt;
  QComboBox* CMBTextOrder;
  QCheckBox* CBPageBreak;
  QCheckBox* CBKeepRaw;
  QPushButton* BtnOK;
  QPushButton* BtnCancel;
  QPushButton* BtnHelp;
  QPushButton* PageButtons[3];

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ApplySameDirRule();
  void PlaceEditor();
  void Ok();
  void Cancel();

  DesktopSettings& settings_;
  DesktopShell& shell_;
  QStackedWidget* pages_;
};

}  // namespace scrivtar::ui
