// The scan progress window "Searching Files ...": an animation, the folder being searched and
// the button that stops the scan. Esc and closing it stop the scan too.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QTimer>
#include <array>

class QLabel;
class QPushButton;

namespace scrivtar::ui {

class TFmCancelFind : public QDialog {
  Q_OBJECT
 public:
  explicit TFmCancelFind(QWidget* parent = nullptr);
  void SetFolder(const QString& folder);
  QString folderText() const;
  QPushButton* stopButton() const { return stop_; }

 signals:
  void stopRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  std::array<QPixmap, 4> frames_;
  int frame_ = 0;
  QTimer timer_;
  QLabel* animation_;
  QLabel* status_;
  QPushButton* stop_;
};

}  // namespace scrivtar::ui
