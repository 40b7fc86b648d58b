#include "UnFileExists.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "Icons.h"

namespace scrivtar::ui {

TFmFileExists::TFmFileExists(QWidget* parent) : QDialog(parent) {
  setObjectName("FmFileExists");
  setWindowTitle("Scrivtar");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  auto* icon = new QLabel(this);
  icon->setPixmap(SvgPixmap("scrivtar", 32));
  path_ = new QLabel(this);
  path_->setObjectName("LblPath");
  path_->setTextFormat(Qt::PlainText);
  path_->setWordWrap(true);
  path_->setMinimumWidth(320);
  auto* text = new QLabel("The file already exist.", this);

  auto* texts = new QVBoxLayout;
  texts->addWidget(path_);
  texts->addWidget(text);
  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addLayout(texts, 1);
  auto* buttons = new QHBoxLayout;
  const struct {
    const char* caption;
    const char* name;
    Answer answer;
  } kButtons[] = {{"&Auto Rename", "BtnAutoRename", kAutoRename},
                  {"&Overwrite", "BtnOverwrite", kOverwrite},
                  {"&Cancel", "BtnCancel", kCancel},
                  {"&Stop Convert", "BtnStopConvert", kStopConvert}};
  for (const auto& b : kButtons) {
    auto* button = new QPushButton(b.caption, this);
    button->setObjectName(b.name);
    const Answer answer = b.answer;
    connect(button, &QPushButton::clicked, this, [this, answer] {
      answer_ = answer;
      accept();
    });
    buttons->addWidget(button);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

TFmFileExists::Answer TFmFileExists::Ask(const QString& path) {
  path_->setText(path);
  answer_ = kCancel;
  exec();
  return answer_;
}

QString TFmFileExists::pathText() const {
  return path_->text();
}

}  // namespace scrivtar::ui
