// The conversion progress window "Converting Files...": modeless, shown only during a run.
// Cancel, Esc and closing it all ask the run to stop before its next entry.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace scrivtar::ui {

class TFmProgress : public QDialog {
  Q_OBJECT
 public:
  explicit TFmProgress(QWidget* parent = nullptr);

  // Gauge 0..total at position 0, count "0", total "/" + total.
  void Prepare(int total);
  void SetFile(const QString& path);
  void Step();  // one progress step
  int position() const;
  QString fileText() const;
  QString countText() const;
  QString totalText() const;
  QPushButton* cancelButton() const { return cancel_; }

 signals:
  void cancelRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* file_;
  QLabel* count_;
  QLabel* total_;
  QProgressBar* gauge_;
  QPushButton* cancel_;
};

}  // namespace scrivtar::ui
