#include "UnCancelFind.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "Icons.h"

namespace scrivtar::ui {

TFmCancelFind::TFmCancelFind(QWidget* parent) : QDialog(parent) {
  setObjectName("FmCancelFind");
  setWindowTitle("Searching Files ...");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setModal(false);
  const QPixmap strip = SvgPixmap("findfile", 32);
  for (int i = 0; i < 4; ++i) frames_[i] = strip.copy(i * 32, 0, 32, 32);
  animation_ = new QLabel(this);
  animation_->setPixmap(frames_[0]);
  stop_ = new QPushButton("Press to abort search operation", this);
  stop_->setObjectName("BtnStop");
  status_ = new QLabel(this);
  status_->setObjectName("LblStatus");
  status_->setTextFormat(Qt::PlainText);
  status_->setFixedWidth(320);
  connect(stop_, &QPushButton::clicked, this, &TFmCancelFind::stopRequested);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(animation_, 0, Qt::AlignHCenter);
  layout->addWidget(stop_);
  layout->addWidget(status_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  timer_.setInterval(150);
  connect(&timer_, &QTimer::timeout, this, [this] {
    frame_ = (frame_ + 1) % 4;
    animation_->setPixmap(frames_[frame_]);
  });
}

void TFmCancelFind::SetFolder(const QString& folder) {
  status_->setText(status_->fontMetrics().elidedText(folder, Qt::ElideMiddle, status_->width()));
  status_->setToolTip(folder);
}

QString TFmCancelFind::folderText() const {
  return status_->toolTip();
}

void TFmCancelFind::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  timer_.start();
}

void TFmCancelFind::hideEvent(QHideEvent* event) {
  timer_.stop();
  QDialog::hideEvent(event);
}

void TFmCancelFind::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    emit stopRequested();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TFmCancelFind::closeEvent(QCloseEvent* event) {
  emit stopRequested();
  event->ignore();  // the scan closes the window when it has ended
}

}  // namespace scrivtar::ui
