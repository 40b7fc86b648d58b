#include "UnViewLog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "DesktopShell.h"

namespace scrivtar::ui {

TFmViewLog::TFmViewLog(DesktopSettings& settings, const ActivityLog& log, DesktopShell& shell,
                       QWidget* parent)
    : QDialog(parent), settings_(settings), log_(log), shell_(shell) {
  setObjectName("FmViewLog");
  setWindowTitle("Log");
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  MemoLog = new QPlainTextEdit(this);
  MemoLog->setObjectName("MemoLog");
  MemoLog->setReadOnly(true);
  MemoLog->setLineWrapMode(QPlainTextEdit::NoWrap);
  MemoLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  CBNotLog = new QCheckBox("Not logging", this);
  CBNotLog->setObjectName("CBNotLog");
  CBNotLog->setChecked(settings_.NotLog);
  BtnClear = new QPushButton("Clear &Log", this);
  BtnClear->setObjectName("BtnClear");
  BtnExport = new QPushButton("&Export to file", this);
  BtnExport->setObjectName("BtnExport");
  BtnClose = new QPushButton("&Close", this);
  BtnClose->setObjectName("BtnClose");
  auto* bar = new QHBoxLayout;
  bar->addWidget(CBNotLog);
  bar->addStretch();
  bar->addWidget(BtnClear);
  bar->addWidget(BtnExport);
  bar->addWidget(BtnClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MemoLog, 1);
  layout->addLayout(bar);
  resize(454, 313);

  connect(CBNotLog, &QCheckBox::clicked, this, [this](bool on) { settings_.NotLog = on; });
  connect(BtnClear, &QPushButton::clicked, this, [this] {
    log_.Clear();
    ReloadLogView();
  });
  connect(BtnExport, &QPushButton::clicked, this, &TFmViewLog::Export);
  connect(BtnClose, &QPushButton::clicked, this, &QDialog::accept);
}

void TFmViewLog::ReloadLogView() {
  MemoLog->clear();
  // The records end in CR LF; the memo holds lines.
  MemoLog->setPlainText(QString::fromStdString(log_.ReadText()).replace("\r\n", "\n"));
  MemoLog->moveCursor(QTextCursor::End);
  const bool hasText = MemoLog->textCursor().position() > 0;
  BtnClear->setEnabled(hasText);
  BtnExport->setEnabled(hasText);
  MemoLog->verticalScrollBar()->setValue(MemoLog->verticalScrollBar()->maximum());
}

void TFmViewLog::Export() {
  const QString name = shell_.ChooseSaveFile(this, "Scrivtar Log File(*.log)", "log");
  if (name.isEmpty()) return;
  // The memo keeps line ends as LF; the file gets the log's own CR LF back.
  QString text = MemoLog->toPlainText();
  text.replace('\n', "\r\n");
  if (!ActivityLog::ExportText(name.toStdString(), text.toStdString()))
    QMessageBox::critical(this, "Error", "Cannot write " + name);
}

}  // namespace scrivtar::ui
