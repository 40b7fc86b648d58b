#include "UnAddDir.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "UnDirectory.h"
#include "VtFileFind.h"

namespace scrivtar::ui {

TFmAddDir::TFmAddDir(DesktopSettings& settings, TFmDirectory& directory, DesktopShell& shell,
                     QWidget* parent)
    : QDialog(parent), settings_(settings), directory_(directory), shell_(shell) {
  setObjectName("FmAddDir");
  setWindowTitle("Add directory");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  auto* dirLabel = new QLabel("Directory", this);
  EditDir = new QLineEdit(QString::fromStdString(settings_.AddDir), this);
  EditDir->setObjectName("EditDir");
  BtnDir = new QPushButton("&Browse", this);
  BtnDir->setObjectName("BtnDir");
  auto* typeLabel = new QLabel("Select type of file to be converted:", this);
  CheckListBox1 = new QListWidget(this);
  CheckListBox1->setObjectName("CheckListBox1");
  for (int n = 1; n <= kFileTypeCount; ++n) {
    auto* line = new QListWidgetItem(CheckListBox1);
    line->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    line->setCheckState(settings_.SelExt[n - 1] ? Qt::Checked : Qt::Unchecked);
  }
  RebuildLines();
  auto* selectAll = new QPushButton("&Select All", this);
  auto* invert = new QPushButton("&Invert selection", this);
  auto* selectNone = new QPushButton("Select &None", this);
  selectAll->setObjectName("BtnSelectAll");
  invert->setObjectName("BtnInvert");
  selectNone->setObjectName("BtnSelectNone");
  CBRecursive = new QCheckBox("Recursive Sub Directory", this);
  CBRecursive->setObjectName("CBRecursive");
  CBRecursive->setChecked(settings_.Recursive);
  BtnOK = new QPushButton("&OK", this);
  BtnOK->setObjectName("BtnOK");
  BtnOK->setDefault(true);
  BtnCancel = new QPushButton("&Cancel", this);
  BtnCancel->setObjectName("BtnCancel");

  auto* dirRow = new QHBoxLayout;
  dirRow->addWidget(dirLabel);
  dirRow->addWidget(EditDir, 1);
  dirRow->addWidget(BtnDir);
  auto* tickButtons = new QVBoxLayout;
  tickButtons->addWidget(selectAll);
  tickButtons->addWidget(invert);
  tickButtons->addWidget(selectNone);
  tickButtons->addStretch();
  auto* middle = new QHBoxLayout;
  middle->addWidget(CheckListBox1, 1);
  middle->addLayout(tickButtons);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(CBRecursive);
  bottom->addStretch();
  bottom->addWidget(BtnOK);
  bottom->addWidget(BtnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(dirRow);
  layout->addWidget(typeLabel);
  layout->addLayout(middle);
  layout->addLayout(bottom);
  setFixedSize(QSize(480, 330));

  auto tickAll = [this](auto change) {
    for (int i = 0; i < CheckListBox1->count(); ++i) {
      QListWidgetItem* line = CheckListBox1->item(i);
      line->setCheckState(change(line->checkState() == Qt::Checked) ? Qt::Checked : Qt::Unchecked);
    }
  };
  connect(selectAll, &QPushButton::clicked, this,
          [tickAll] { tickAll([](bool) { return true; }); });
  connect(invert, &QPushButton::clicked, this, [tickAll] { tickAll([](bool t) { return !t; }); });
  connect(selectNone, &QPushButton::clicked, this,
          [tickAll] { tickAll([](bool) { return false; }); });
  connect(BtnDir, &QPushButton::clicked, this, [this] {
    directory_.Load(EditDir->text());
    if (directory_.exec() == QDialog::Accepted) EditDir->setText(directory_.Joined());
  });
  connect(BtnOK, &QPushButton::clicked, this, &TFmAddDir::Ok);
  connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFmAddDir::~TFmAddDir() {
  for (int n = 1; n <= kFileTypeCount; ++n) settings_.SelExt[n - 1] = IsTicked(n);
  settings_.Recursive = CBRecursive->isChecked();
}

bool TFmAddDir::IsTicked(int typeIndex) const {
  return CheckListBox1->item(typeIndex - 1)->checkState() == Qt::Checked;
}

void TFmAddDir::SetTicked(int typeIndex, bool ticked) {
  CheckListBox1->item(typeIndex - 1)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

bool TFmAddDir::recursive() const {
  return CBRecursive->isChecked();
}

std::string TFmAddDir::SearchExts() const {
  std::array<bool, kFileTypeCount> ticked{};
  for (int n = 1; n <= kFileTypeCount; ++n) ticked[n - 1] = IsTicked(n);
  return BuildSearchExts(ticked, settings_.UserFileExt);
}

void TFmAddDir::showEvent(QShowEvent* event) {
  RebuildLines();  // user extensions changed in Options show up; the ticks stay
  QDialog::showEvent(event);
}

void TFmAddDir::RebuildLines() {
  for (int n = 1; n <= kFileTypeCount; ++n)
    CheckListBox1->item(n - 1)->setText(QString::fromStdString(FileTypeCaption(settings_, n)));
}

void TFmAddDir::Ok() {
  settings_.AddDir = EditDir->text().toStdString();
  for (int n = 1; n <= kFileTypeCount; ++n)
    if (IsTicked(n)) return accept();
  QMessageBox::critical(this, "Error", "Please select the type of file to be converted!");
}

}  // namespace scrivtar::ui
