#include "UnOption.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "DesktopShell.h"

namespace scrivtar::ui {

namespace {
constexpr int kUserColumn = 3;
}

TVtListView::TVtListView(QWidget* parent) : QTreeWidget(parent) {
  // A divider drag ends with the mouse release on the header; Qt reports every step of it, so
  // each step places the editor again, which keeps it over its cell throughout.
  connect(header(), &QHeaderView::sectionResized, this, &TVtListView::OnEndColumnResize);
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &TVtListView::OnHScroll);
}

const QStringList& TFmOption::CodePageItems() {
  static const QStringList kItems = {
      "0         Default",
      "1252   Latin 1: European Western",
      "1200   Unicode (UTF-16, ISO 10646)",
      "65001 Unicode (UTF-8)",
      "1250   European Eastern",
      "1256   Arabic",
      "1257   Baltic",
      "1251   Cyrillic",
      "1253   Greek",
      "1255   Hebrew",
      "1254   Turkish",
      "874     Thai",
      "932     Japanese",
      "936     Chinese Simplified",
      "950     Chinese Traditional",
      "949     Korean Hangul",
      "1361   Korean Johab",
  };
  return kItems;
}

TFmOption::TFmOption(DesktopSettings& settings, DesktopShell& shell, QWidget* parent)
    : QDialog(parent), settings_(settings), shell_(shell) {
  setObjectName("FmOption");
  setWindowTitle("Options");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  // "General"
  auto* general = new QWidget;
  CBSameDir = new QCheckBox("Target file directory same as source file", general);
  CBSameDir->setObjectName("CBSameDir");
  EditTargetDir = new QLineEdit(general);
  EditTargetDir->setObjectName("EditTargetDir");
  BtnDir = new QPushButton("&Browse", general);
  BtnDir->setObjectName("BtnDir");
  ComBFileOverTp = new QComboBox(general);
  ComBFileOverTp->setObjectName("ComBFileOverTp");
  ComBFileOverTp->addItems({"Auto rename", "Overwrite", "Prompt", "Cancel"});
  ComBSourceCode = new QComboBox(general);
  ComBSourceCode->setObjectName("ComBSourceCode");
  ComBSourceCode->setEditable(true);
  ComBSourceCode->setInsertPolicy(QComboBox::NoInsert);
  ComBSourceCode->addItems(CodePageItems());
  auto* dirRow = new QHBoxLayout;
  dirRow->addWidget(EditTargetDir, 1);
  dirRow->addWidget(BtnDir);
  auto* generalLayout = new QFormLayout(general);
  generalLayout->addRow(CBSameDir);
  generalLayout->addRow("Target file dir", dirRow);
  generalLayout->addRow("When target file exists", ComBFileOverTp);
  generalLayout->addRow("File code page", ComBSourceCode);

  // "File Extension"
  auto* extensions = new QWidget;
  ListView1 = new TVtListView(extensions);
  ListView1->setObjectName("ListView1");
  ListView1->setRootIsDecorated(false);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->setFrameShape(QFrame::Box);
  ListView1->setStyleSheet(
      "QTreeView::item { border-right: 1px solid #d0d0d0; "
      "border-bottom: 1px solid #d0d0d0; }");
  ListView1->setHeaderLabels({"Type", "Description", "Default ext", "User defined"});
  for (auto [column, width] : {std::pair{0, 38}, {1, 100}, {2, 76}, {3, 80}})
    ListView1->setColumnWidth(column, width);
  for (const FileTypeRow& row : FileTypeTable) {
    auto* item = new QTreeWidgetItem(ListView1);
    item->setText(0, QString::fromUtf8(row.TypeName.data(), row.TypeName.size()));
    item->setText(1, QString::fromUtf8(row.Description.data(), row.Description.size()));
    item->setText(2, QString::fromUtf8(row.DefaultMask.data(), row.DefaultMask.size()));
  }
  EditFileExt = new QLineEdit(ListView1->viewport());
  EditFileExt->setObjectName("EditFileExt");
  EditFileExt->setFrame(false);
  EditFileExt->setTextMargins(EditFileExt->font().pointSize() / 2, 0, 0, 0);
  EditFileExt->hide();
  auto* extensionsLayout = new QVBoxLayout(extensions);
  extensionsLayout->setContentsMargins(0, 0, 0, 0);
  extensionsLayout->addWidget(ListView1);

  // "Special"
  auto* special = new QWidget;
  auto* pdf = new QGroupBox("PDF", special);
  CMBTextOrder = new QComboBox(pdf);
  CMBTextOrder->setObjectName("CMBTextOrder");
  CMBTextOrder->addItems({"Default reading order", "Maintain original layout", "Keep raw order"});
  CBPageBreak = new QCheckBox("Insert page break", pdf);
  CBPageBreak->setObjectName("CBPageBreak");
  auto* pdfLayout = new QFormLayout(pdf);
  pdfLayout->addRow("Text output order", CMBTextOrder);
  pdfLayout->addRow(CBPageBreak);
  auto* doc = new QGroupBox("DOC", special);
  CBKeepRaw = new QCheckBox("Keep raw characters", doc);
  CBKeepRaw->setObjectName("CBKeepRaw");
  auto* docLayout = new QVBoxLayout(doc);
  docLayout->addWidget(CBKeepRaw);
  auto* specialLayout = new QVBoxLayout(special);
  specialLayout->addWidget(pdf);
  specialLayout->addWidget(doc);
  specialLayout->addStretch();

  pages_ = new QStackedWidget(this);
  pages_->addWidget(general);
  pages_->addWidget(extensions);
  pages_->addWidget(special);
  auto* pageBar = new QHBoxLayout;
  auto* group = new QButtonGroup(this);
  const char* kPageNames[] = {"General", "File Extension", "Special"};
  for (int i = 0; i < 3; ++i) {
    PageButtons[i] = new QPushButton(kPageNames[i], this);
    PageButtons[i]->setObjectName(QString("BtnPage%1").arg(i));
    PageButtons[i]->setFlat(true);
    PageButtons[i]->setCheckable(true);
    PageButtons[i]->setAutoDefault(false);
    group->addButton(PageButtons[i], i);
    pageBar->addWidget(PageButtons[i]);
  }
  pageBar->addStretch();
  connect(group, &QButtonGroup::idClicked, this, &TFmOption::ShowPage);

  BtnOK = new QPushButton("&OK", this);
  BtnCancel = new QPushButton("&Cancel", this);
  BtnHelp = new QPushButton("&Help", this);
  BtnOK->setObjectName("BtnOK");
  BtnCancel->setObjectName("BtnCancel");
  BtnHelp->setObjectName("BtnHelp");
  for (QPushButton* b : {BtnOK, BtnCancel, BtnHelp}) b->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BtnOK);
  buttons->addWidget(BtnCancel);
  buttons->addWidget(BtnHelp);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(pageBar);
  layout->addWidget(pages_, 1);
  layout->addLayout(buttons);
  setFixedSize(440, 330);

  connect(CBSameDir, &QCheckBox::clicked, this, &TFmOption::ApplySameDirRule);
  connect(BtnDir, &QPushButton::clicked, this, [this] {
    const QString chosen =
        shell_.ChooseDirectory(this, "Select target directory", EditTargetDir->text());
    if (!chosen.isEmpty()) EditTargetDir->setText(chosen);
  });
  connect(ListView1, &QTreeWidget::itemSelectionChanged, this, &TFmOption::PlaceEditor);
  connect(ListView1, &TVtListView::OnEndColumnResize, this, &TFmOption::PlaceEditor);
  connect(ListView1, &TVtListView::OnHScroll, this, &TFmOption::PlaceEditor);
  connect(EditFileExt, &QLineEdit::textChanged, this, [this](const QString& text) {
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    if (!selected.isEmpty()) selected.first()->setText(kUserColumn, text);
  });
  connect(BtnOK, &QPushButton::clicked, this, &TFmOption::Ok);
  connect(BtnCancel, &QPushButton::clicked, this, &TFmOption::Cancel);
  connect(BtnHelp, &QPushButton::clicked, this, [this] { shell_.OpenHelp("Options.htm"); });
  ShowPage(0);
}

void TFmOption::ShowPage(int page) {
  pages_->setCurrentIndex(page);
  PageButtons[page]->setChecked(true);
  if (page == 0) CBSameDir->setFocus();
  if (page == 1) ListView1->setFocus();
}

void TFmOption::LoadControls() {
  EditTargetDir->setText(QString::fromStdString(settings_.TargetDir));
  CBSameDir->setChecked(settings_.SameDir);
  ApplySameDirRule();
  ComBFileOverTp->setCurrentIndex(settings_.FileOverTp < 4 ? settings_.FileOverTp : -1);
  // The number, replaced by the first item that begins with it and a space.
  QString code = QString::number(settings_.SourceCode);
  for (const QString& item : CodePageItems()) {
    if (item.startsWith(code + ' ')) {
      code = item;
      break;
    }
  }
  ComBSourceCode->setCurrentIndex(CodePageItems().indexOf(code));
  ComBSourceCode->setEditText(code);
  for (int n = 1; n <= kFileTypeCount; ++n)
    ListView1->topLevelItem(n - 1)->setText(kUserColumn,
                                            QString::fromStdString(settings_.UserFileExt[n - 1]));
  const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
  if (!selected.isEmpty()) EditFileExt->setText(selected.first()->text(kUserColumn));
  CMBTextOrder->setCurrentIndex(
      settings_.TextOrder >= 0 && settings_.TextOrder < 3 ? settings_.TextOrder : -1);
  CBPageBreak->setChecked(settings_.PageBreak);
  CBKeepRaw->setChecked(settings_.KeepRaw == 1);
}

void TFmOption::ApplySameDirRule() {
  const bool own = !CBSameDir->isChecked();
  EditTargetDir->setEnabled(own);
  BtnDir->setEnabled(own);
}

void TFmOption::PlaceEditor() {
  const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
  if (selected.isEmpty() || ListView1->topLevelItemCount() != kFileTypeCount) {
    EditFileExt->hide();
    return;
  }
  QTreeWidgetItem* item = selected.first();
  const QRect row = ListView1->visualItemRect(item);
  const int left = ListView1->header()->sectionViewportPosition(kUserColumn);
  EditFileExt->setGeometry(left + 1, row.top() + 1, ListView1->columnWidth(kUserColumn) - 1,
                           row.height() - 1);
  if (EditFileExt->text() != item->text(kUserColumn)) EditFileExt->setText(item->text(kUserColumn));
  EditFileExt->show();
  EditFileExt->setFocus();
}

void TFmOption::Ok() {
  QString dir = EditTargetDir->text();
  if (!dir.endsWith('/')) dir += '/';
  settings_.TargetDir = dir.toStdString();
  settings_.SameDir = CBSameDir->isChecked();
  settings_.FileOverTp = static_cast<uint8_t>(ComBFileOverTp->currentIndex());
  QString code = ComBSourceCode->currentText();
  for (const QString& item : CodePageItems()) {
    if (item.compare(code, Qt::CaseInsensitive) == 0) {
      code = code.left(code.indexOf(' '));
      break;
    }
  }
  bool numeric = false;
  const int value = code.toInt(&numeric);
  if (!numeric) {
    QMessageBox::critical(this, "Error", "Code page identifier must be numeric!");
    ComBSourceCode->setFocus();
    return;
  }
  settings_.SourceCode = value;
  for (int n = 1; n <= kFileTypeCount; ++n)
    settings_.UserFileExt[n - 1] = ListView1->topLevelItem(n - 1)->text(kUserColumn).toStdString();
  if (onExtensionsChanged) onExtensionsChanged();
  settings_.TextOrder = CMBTextOrder->currentIndex();
  settings_.PageBreak = CBPageBreak->isChecked();
  settings_.KeepRaw = CBKeepRaw->isChecked() ? 1 : 0;
  accept();
}

void TFmOption::Cancel() {
  LoadControls();
  reject();
}

void TFmOption::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return Ok();
  if (event->key() == Qt::Key_Escape) return Cancel();
  QDialog::keyPressEvent(event);
}

void TFmOption::showEvent(QShowEvent* event) {
  LoadControls();
  QDialog::showEvent(event);
}

void TFmOption::closeEvent(QCloseEvent* event) {
  LoadControls();  // closing drops the edits as Cancel does
  QDialog::closeEvent(event);
}

}  // namespace scrivtar::ui
