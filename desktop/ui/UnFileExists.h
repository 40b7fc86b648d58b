// The file-exists prompt of the conversion run: the target path and four answers.
#pragma once

#include <QDialog>

class QLabel;

namespace scrivtar::ui {

class TFmFileExists : public QDialog {
  Q_OBJECT
 public:
  enum Answer { kAutoRename, kOverwrite, kCancel, kStopConvert };

  explicit TFmFileExists(QWidget* parent = nullptr);
  // Shows the dialog modally; closing it answers kCancel.
  Answer Ask(const QString& path);
  QString pathText() const;

 private:
  QLabel* path_;
  Answer answer_ = kCancel;
};

}  // namespace scrivtar::ui
