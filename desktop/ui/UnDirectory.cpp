#include "UnDirectory.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "DesktopShell.h"

namespace scrivtar::ui {

TFmDirectory::TFmDirectory(DesktopShell& shell, QWidget* parent) : QDialog(parent), shell_(shell) {
  setObjectName("FmDirectory");
  setWindowTitle("Directory");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  auto* label = new QLabel("List of directories:", this);
  LBOXDirs = new QListWidget(this);
  LBOXDirs->setObjectName("LBOXDirs");
  EditDir = new QLineEdit(this);
  EditDir->setObjectName("EditDir");
  BtnBrowse = new QPushButton("&Browse", this);
  BtnReplace = new QPushButton("&Replace", this);
  BtnAdd = new QPushButton("&Add", this);
  BtnDelete = new QPushButton("&Delete", this);
  BtnOK = new QPushButton("&OK", this);
  BtnCancel = new QPushButton("&Cancel", this);
  BtnOK->setDefault(true);
  for (auto [b, n] : {std::pair{BtnBrowse, "BtnBrowse"},
                      {BtnReplace, "BtnReplace"},
                      {BtnAdd, "BtnAdd"},
                      {BtnDelete, "BtnDelete"},
                      {BtnOK, "BtnOK"},
                      {BtnCancel, "BtnCancel"}})
    b->setObjectName(n);

  auto* edit = new QHBoxLayout;
  edit->addWidget(EditDir, 1);
  edit->addWidget(BtnBrowse);
  auto* side = new QVBoxLayout;
  side->addWidget(BtnReplace);
  side->addWidget(BtnAdd);
  side->addWidget(BtnDelete);
  side->addStretch();
  auto* middle = new QHBoxLayout;
  middle->addWidget(LBOXDirs, 1);
  middle->addLayout(side);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(BtnOK);
  bottom->addWidget(BtnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addLayout(middle);
  layout->addLayout(edit);
  layout->addLayout(bottom);
  resize(420, 300);
  setFixedSize(sizeHint().expandedTo(QSize(420, 300)));

  connect(LBOXDirs, &QListWidget::itemClicked, this, [this] {
    QListWidgetItem* item = LBOXDirs->currentItem();
    EditDir->setText(item && item->isSelected() ? item->text() : QString());
  });
  connect(EditDir, &QLineEdit::textEdited, this, &TFmDirectory::UpdateButtons);
  connect(BtnAdd, &QPushButton::clicked, this, [this] {
    LBOXDirs->addItem(EditDir->text());
    UpdateButtons();
  });
  connect(BtnReplace, &QPushButton::clicked, this, [this] {
    QListWidgetItem* item = LBOXDirs->currentItem();
    if (item && item->isSelected()) item->setText(EditDir->text());
    UpdateButtons();
  });
  connect(BtnDelete, &QPushButton::clicked, this, [this] {
    QListWidgetItem* item = LBOXDirs->currentItem();
    if (item && item->isSelected()) delete item;
    EditDir->clear();
  });
  connect(BtnBrowse, &QPushButton::clicked, this, [this] {
    const QString chosen = shell_.ChooseDirectory(this, "Select directory", EditDir->text());
    if (!chosen.isEmpty()) {
      EditDir->setText(chosen);
      UpdateButtons();
    }
  });
  connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFmDirectory::Load(const QString& text) {
  LBOXDirs->clear();
  if (!text.isEmpty()) LBOXDirs->addItems(text.split(';'));
  BtnAdd->setEnabled(false);
  BtnReplace->setEnabled(false);
  BtnDelete->setEnabled(false);
  EditDir->clear();
  if (LBOXDirs->count() > 0) {
    LBOXDirs->setCurrentRow(0);
    EditDir->setText(LBOXDirs->item(0)->text());
    BtnDelete->setEnabled(true);
  }
}

QString TFmDirectory::Joined() const {
  QStringList lines;
  for (int i = 0; i < LBOXDirs->count(); ++i) lines << LBOXDirs->item(i)->text();
  return lines.join(';');
}

void TFmDirectory::UpdateButtons() {
  const QString text = EditDir->text();
  bool listed = false;
  for (int i = 0; i < LBOXDirs->count() && !listed; ++i)
    listed = LBOXDirs->item(i)->text().compare(text, Qt::CaseInsensitive) == 0;
  const bool canAdd = !text.isEmpty() && !listed;
  BtnAdd->setEnabled(canAdd);
  BtnReplace->setEnabled(canAdd);
}

}  // namespace scrivtar::ui
