#include "UnProgress.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace scrivtar::ui {

TFmProgress::TFmProgress(QWidget* parent) : QDialog(parent) {
  setObjectName("FmProgress");
  setWindowTitle("Converting Files...");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setModal(false);
  file_ = new QLabel(this);
  file_->setObjectName("LblFile");
  file_->setMinimumWidth(360);
  file_->setMaximumWidth(360);
  file_->setTextFormat(Qt::PlainText);
  count_ = new QLabel("0", this);
  count_->setObjectName("LblCount");
  total_ = new QLabel("/0", this);
  total_->setObjectName("LblTotal");
  gauge_ = new QProgressBar(this);
  gauge_->setObjectName("Gauge");
  gauge_->setTextVisible(false);
  auto* text = new QLabel("Press CANCEL to abort current operation.", this);
  cancel_ = new QPushButton("&Cancel", this);
  cancel_->setObjectName("BtnCancel");
  connect(cancel_, &QPushButton::clicked, this, &TFmProgress::cancelRequested);

  auto* counts = new QHBoxLayout;
  counts->addStretch();
  counts->addWidget(count_);
  counts->addWidget(total_);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(text);
  bottom->addStretch();
  bottom->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(file_);
  layout->addLayout(counts);
  layout->addWidget(gauge_);
  layout->addLayout(bottom);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFmProgress::Prepare(int total) {
  gauge_->setRange(0, total);
  gauge_->setValue(0);
  count_->setText("0");
  total_->setText("/" + QString::number(total));
  file_->clear();
}

void TFmProgress::SetFile(const QString& path) {
  file_->setText(path);
}

void TFmProgress::Step() {
  gauge_->setValue(gauge_->value() + 1);
  count_->setText(QString::number(gauge_->value()));
}

int TFmProgress::position() const {
  return gauge_->value();
}
QString TFmProgress::fileText() const {
  return file_->text();
}
QString TFmProgress::countText() const {
  return count_->text();
}
QString TFmProgress::totalText() const {
  return total_->text();
}

void TFmProgress::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    emit cancelRequested();
    return;  // the window stays until the run has ended
  }
  QDialog::keyPressEvent(event);
}

void TFmProgress::closeEvent(QCloseEvent* event) {
  emit cancelRequested();
  event->ignore();  // the run closes the window when it has ended
}

}  // namespace scrivtar::ui
