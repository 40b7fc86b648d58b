#include "UnAbout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "Icons.h"

namespace scrivtar::ui {

namespace {
constexpr int kFrameWidth = 32;
constexpr int kFrameMs = 400;
}  // namespace

TFmAbout::TFmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("FmAbout");
  setWindowTitle("About Scrivtar");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  const QPixmap strip = SvgPixmap("aniabout", kFrameWidth);
  for (int i = 0; i < 4; ++i) frames_[i] = strip.copy(i * kFrameWidth, 0, kFrameWidth, kFrameWidth);

  logo_ = new QLabel(this);
  logo_->setObjectName("ImageLogo");
  logo_->setFixedSize(kFrameWidth, kFrameWidth);
  logo_->setPixmap(frames_[0]);
  auto* name = new QLabel("Scrivtar", this);
  QFont bold = name->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.5);
  name->setFont(bold);
  auto* version = new QLabel("Version 3.2", this);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("BtnOK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* texts = new QVBoxLayout;
  texts->addWidget(name);
  texts->addWidget(version);
  auto* top = new QHBoxLayout;
  top->addWidget(logo_, 0, Qt::AlignTop);
  top->addSpacing(12);
  top->addLayout(texts);
  top->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  timer_.setInterval(kFrameMs);
  connect(&timer_, &QTimer::timeout, this, &TFmAbout::NextFrame);
}

void TFmAbout::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  timer_.start();
}

void TFmAbout::hideEvent(QHideEvent* event) {
  timer_.stop();
  QDialog::hideEvent(event);
}

void TFmAbout::NextFrame() {
  frame_ = (frame_ + 1) % 4;
  logo_->setPixmap(frames_[frame_]);
}

}  // namespace scrivtar::ui
