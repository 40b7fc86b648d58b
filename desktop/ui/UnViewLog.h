// The log viewer: shows the activity log, clears it, exports it, and switches logging off.
#pragma once

#include <QDialog>
#include "ActivityLog.h"
#include "DesktopSettings.h"

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace scrivtar::ui {

class DesktopShell;

class TFmViewLog : public QDialog {
  Q_OBJECT
 public:
  TFmViewLog(DesktopSettings& settings, const ActivityLog& log, DesktopShell& shell,
             QWidget* parent = nullptr);

  void ReloadLogView();

  QPlainTextEdit* MemoLog;
  QCheckBox* CBNotLog;
  QPushButton* BtnClear;
  QPushButton* BtnExport;
  QPushButton* BtnClose;

 private:
  void Export();

  DesktopSettings& settings_;
  const ActivityLog& log_;
  DesktopShell& shell_;
};

}  // namespace scrivtar::ui
