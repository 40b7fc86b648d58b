// The About window: the animated logo, the product name and version, and OK.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QTimer>
#include <array>

class QLabel;

namespace scrivtar::ui {

class TFmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TFmAbout(QWidget* parent = nullptr);
  int frame() const { return frame_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void NextFrame();

  // The "ANIABOUT" strip: four frames, 32 pixels wide each.
  std::array<QPixmap, 4> frames_;
  int frame_ = 0;
  QLabel* logo_;
  QTimer timer_;
};

}  // namespace scrivtar::ui
