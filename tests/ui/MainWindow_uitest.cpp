// The Scrivtar window driven as a user drives it, through its widgets and keys, on a scratch
// program directory: adding (dialog, drop, paste), refusals, sorting, deleting, Convert All by
// key, the file-exists prompt's answers, Cancel, Options, Add directory, the log viewer, and
// what the program leaves on disk for the next start.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <functional>
#include <memory>

#include "DesktopProgram.h"
#include "DesktopShell.h"
#include "FileListModel.h"
#include "UnAddDir.h"
#include "UnFileExists.h"
#include "UnOption.h"
#include "UnProgress.h"
#include "UnViewLog.h"

using namespace scrivtar;
using namespace scrivtar::ui;

namespace {

class TestShell : public DesktopShell {
 public:
  QStringList ChooseFiles(QWidget*, const QString& filter) override {
    filters << filter;
    return std::exchange(files, {});
  }
  QString ChooseSaveFile(QWidget*, const QString&, const QString&) override { return saveAs; }
  void Open(const QString& path) override { calls << "open " + path; }
  void ShowItem(const QString& path) override { calls << "show " + path; }
  void OpenFolder(const QString& folder) override { calls << "folder " + folder; }
  void OpenHelp(const QString& page) override { calls << "help " + page; }
  QStringList files, filters, calls;
  QString saveAs;
};

// Runs fn on the next modal window once it is up (a dialog the code under test opens with
// exec()), from inside that dialog's own event loop.
void OnNextModal(std::function<void(QWidget*)> fn) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, fn] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    timer->stop();
    timer->deleteLater();
    fn(modal);
  });
  timer->start();
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

QString LogText(const QString& programDir) {
  const QByteArray bytes = ReadAll(programDir + "scrivact.log");
  if (!bytes.startsWith("\xFF\xFE")) return {};
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                            (bytes.size() - 2) / 2);
}

}  // namespace

class MainWindow : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase();
  void AddsByDialogDropAndPaste();
  void SortsByHeaderClicks();
  void DeletesTheSelection();
  void ConvertsAllByCtrlGOnly();
  void PromptAnswersEachWay();
  void CancelStopsBeforeTheNextEntry();
  void OptionsStoreWhatWasEdited();
  void AddDirectoryWithOnlyHtmlTicked();
  void LogViewerShowsClearsExports();
  void RestartShowsTheSameList();

 private:
  TFmMain& w() { return program_->window(); }
  QString In(const QString& name) const { return dir_.path() + "/in/" + name; }
  QString Out(const QString& name) const { return dir_.path() + "/out/" + name; }
  void ClickHeader(int column);
  void Key(int key, Qt::KeyboardModifiers mods) {
    QTest::keyClick(w().listView(), Qt::Key(key), mods);
  }
  int Find(const QString& source) const;
  void WaitRun();

  QTemporaryDir dir_;
  QString programDir_;
  DesktopPaths paths_;
  TestShell shell_;
  std::unique_ptr<DesktopProgram> program_;
  QByteArray doc_;
};

void MainWindow::initTestCase() {
  QVERIFY(dir_.isValid());
  programDir_ = dir_.path() + "/program/";
  QDir().mkpath(programDir_);
  QDir().mkpath(dir_.path() + "/out");
  paths_.ProgramDir = programDir_.toStdString();
  paths_.DocumentsDir = (dir_.path() + "/out/").toStdString();
  doc_ = ReadAll(QString(SCRIVTAR_SOURCE_DIR) + "/samples/letter.doc");
  QVERIFY(!doc_.isEmpty());
  for (const char* name : {"a.doc", "b.doc", "c.doc", "d.doc"}) Write(In(name), doc_);
  Write(In("big.doc"), QByteArray(doc_.size() * 2, 'x'));  // the largest, and no document
  Write(In("page.html"), "<html><body><p>Hello page</p></body></html>");
  Write(In("notes.do"), "x");
  program_ = std::make_unique<DesktopProgram>(paths_, shell_);
  w().show();
  QVERIFY(QTest::qWaitForWindowExposed(&w()));
  QCOMPARE(w().windowTitle(), QString("Scrivtar"));
  QCOMPARE(w().size(), QSize(580, 430));
  QCOMPARE(w().statusText(0), QString("Scrivtar 3.2"));
  QCOMPARE(w().statusText(1), QString("0 File(s)"));
}

int MainWindow::Find(const QString& source) const {
  const auto& entries = const_cast<MainWindow*>(this)->w().entries();
  for (size_t i = 0; i < entries.size(); ++i)
    if (QString::fromStdString(entries[i].Source) == source) return static_cast<int>(i);
  return -1;
}

void MainWindow::ClickHeader(int column) {
  QHeaderView* header = w().listView()->horizontalHeader();
  const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

void MainWindow::WaitRun() {
  QTRY_VERIFY_WITH_TIMEOUT(!w().busy(), 60000);
  QVERIFY(!w().progress()->isVisible());
}

void MainWindow::AddsByDialogDropAndPaste() {
  // The Add file dialog's answer, in its order.
  shell_.files = {In("b.doc"), In("a.doc")};
  Key(Qt::Key_F, Qt::ControlModifier);
  QVERIFY(shell_.filters.last().startsWith("All Support File (*.pdf *.doc *.xls"));
  QVERIFY(shell_.filters.last().contains(";;HTML File(*.htm *.html)"));
  QCOMPARE(w().entries().size(), size_t(2));
  QCOMPARE(w().entries()[0].Name, std::string("b.doc"));
  QCOMPARE(w().entries()[1].Type, std::string("DOC"));
  QCOMPARE(w().entries()[1].Target, Out("a.txt").toStdString());
  QCOMPARE(w().statusText(1), QString("2 File(s)"));

  // Refusals, with their status texts and log lines; the rest of the batch still goes in.
  shell_.files = {In("a.doc"), In("notes.do"), In("c.doc")};
  w().MenuItemClick(TFmMain::ActAddFile);
  QCOMPARE(w().entries().size(), size_t(3));
  QCOMPARE(w().statusText(2), "File [" + In("notes.do") + "] type not support!");
  shell_.files = {In("a.doc")};
  w().MenuItemClick(TFmMain::ActAddFile);
  QCOMPARE(w().statusText(2), "File [" + In("a.doc") + "] already added!");
  const QString log = LogText(programDir_);
  QVERIFY(log.contains("]: Add file failed: type not support (" + In("notes.do") + ")\r\n"));
  QVERIFY(log.contains("]: Add file failed: already added (" + In("a.doc") + ")\r\n"));

  // A drop of a folder and a file adds the file only.
  w().DropPaths({dir_.path() + "/in", In("d.doc")});
  QCOMPARE(w().entries().size(), size_t(4));
  QCOMPARE(w().entries()[3].Name, std::string("d.doc"));

  // Paste takes the file URLs of the clipboard.
  auto* data = new QMimeData;
  data->setUrls({QUrl::fromLocalFile(In("big.doc"))});
  QGuiApplication::clipboard()->setMimeData(data);
  w().UpdateActionStates();
  QVERIFY(w().action(TFmMain::ActPasteFile)->isEnabled());
  Key(Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(w().entries().size(), size_t(5));
  QCOMPARE(w().statusText(1), QString("5 File(s)"));
  // Paste keeps the selection: d.doc from the drop and the pasted file; the 50 ms text says so.
  QTRY_COMPARE(w().statusText(2), QString("Select 2 file(s)."));
}

void MainWindow::SortsByHeaderClicks() {
  FileListModel* model = w().model();
  ClickHeader(3);
  QCOMPARE(model->caption(3), QString("(->)Size(Byte)"));
  QCOMPARE(w().entries().back().Name, std::string("big.doc"));
  ClickHeader(3);
  QCOMPARE(model->caption(3), QString("(<-)Size(Byte)"));
  QCOMPARE(w().entries().front().Name, std::string("big.doc"));
  ClickHeader(1);
  QCOMPARE(model->caption(3), QString("Size(Byte)"));
  QCOMPARE(model->caption(1), QString("(->)Name"));
  QStringList names;
  for (const FileEntry& e : w().entries()) names << QString::fromStdString(e.Name);
  QCOMPARE(names, QStringList({"a.doc", "b.doc", "big.doc", "c.doc", "d.doc"}));
}

void MainWindow::DeletesTheSelection() {
  QTableView* view = w().listView();
  view->selectRow(Find(In("d.doc")));
  Key(Qt::Key_Delete, {});
  QCOMPARE(Find(In("d.doc")), -1);
  QCOMPARE(w().entries().size(), size_t(4));
  QCOMPARE(w().statusText(1), QString("4 File(s)"));
}

void MainWindow::ConvertsAllByCtrlGOnly() {
  Key(Qt::Key_G, Qt::ControlModifier | Qt::AltModifier);
  QTest::qWait(50);
  QVERIFY(!w().progress()->isVisible());
  QCOMPARE(w().entries()[0].State, int32_t(kStateNew));

  Key(Qt::Key_G, Qt::ControlModifier);
  QVERIFY(w().progress()->isVisible());
  QVERIFY(w().busy());
  w().MenuItemClick(TFmMain::ActDelete);  // refused during the run
  QCOMPARE(w().entries().size(), size_t(4));
  WaitRun();
  QCOMPARE(w().progress()->countText(), QString("4"));
  QCOMPARE(w().progress()->totalText(), QString("/4"));
  for (const char* name : {"a", "b", "c"}) {
    const FileEntry& e = w().entries()[Find(In(QString(name) + ".doc"))];
    QCOMPARE(e.State, int32_t(kStateConverted));
    QCOMPARE(e.Message, std::string("Convert successfully"));
    QVERIFY(ReadAll(Out(QString(name) + ".txt")).startsWith("\xEF\xBB\xBF"));  // UTF-8 locale
  }
  const FileEntry& big = w().entries()[Find(In("big.doc"))];
  QCOMPARE(big.State, int32_t(kStateFailed));
  QVERIFY(!big.Message.empty());
  const QString log = LogText(programDir_);
  QVERIFY(log.contains("]: Conversion start...\r\n"));
  QVERIFY(log.contains("]: Convert successfully (" + In("a.doc") + ")\r\n"));
  QVERIFY(log.contains("]: Failed: " + QString::fromStdString(big.Message) + " (" + In("big.doc") +
                       ")\r\n"));
  QVERIFY(log.endsWith("]: Conversion end. Successful: 3, Failed: 1, Total: 4\r\n\r\n"));
}

void MainWindow::PromptAnswersEachWay() {
  // Four new entries whose text files exist; the prompt is answered one way for each.
  program_->context().settings.FileOverTp = kPrompt;
  QStringList sources;
  for (const char* name : {"p1", "p2", "p3", "p4"}) {
    Write(In(QString(name) + ".doc"), doc_);
    Write(Out(QString(name) + ".txt"), "old");
    sources << In(QString(name) + ".doc");
  }
  shell_.files = sources;
  w().MenuItemClick(TFmMain::ActAddFile);
  QStringList answers = {"BtnAutoRename", "BtnOverwrite", "BtnCancel", "BtnStopConvert"};
  QStringList asked;
  std::function<void()> answerNext = [&] {
    OnNextModal([&](QWidget* modal) {
      auto* dialog = qobject_cast<TFmFileExists*>(modal);
      QVERIFY(dialog);
      asked << dialog->pathText();
      dialog->findChild<QPushButton*>(answers.takeFirst())->click();
      if (!answers.isEmpty()) answerNext();
    });
  };
  answerNext();
  Key(Qt::Key_G, Qt::ControlModifier);
  WaitRun();
  QCOMPARE(asked, QStringList({Out("p1.txt"), Out("p2.txt"), Out("p3.txt"), Out("p4.txt")}));
  auto entry = [&](int i) { return w().entries()[Find(sources[i])]; };
  QCOMPARE(entry(0).Target, Out("p1(1).txt").toStdString());
  QCOMPARE(ReadAll(Out("p1.txt")), QByteArray("old"));
  QVERIFY(ReadAll(Out("p1(1).txt")).size() > 3);
  QCOMPARE(entry(1).State, int32_t(kStateConverted));
  QVERIFY(ReadAll(Out("p2.txt")) != "old");
  QCOMPARE(entry(2).State, int32_t(kStateFailed));
  QCOMPARE(entry(2).Message, std::string("Target file already exists, user canceled"));
  QCOMPARE(ReadAll(Out("p3.txt")), QByteArray("old"));
  QCOMPARE(entry(3).State, int32_t(kStateNew));  // "Stop Convert" leaves it untouched
  QCOMPARE(ReadAll(Out("p4.txt")), QByteArray("old"));
  // The three progress steps before the stop: p1, p2, p3 (plus the four converted before).
  QCOMPARE(w().progress()->countText(), QString("7"));
  QVERIFY(
      LogText(programDir_).endsWith("Conversion end. Successful: 2, Failed: 1, Total: 3\r\n\r\n"));
  program_->context().settings.FileOverTp = kAutoRename;
}

void MainWindow::CancelStopsBeforeTheNextEntry() {
  QStringList many;
  for (int i = 0; i < 150; ++i) {
    const QString path = In(QString("many/m%1.doc").arg(i, 3, 10, QChar('0')));
    Write(path, doc_);
    many << path;
  }
  shell_.files = many;
  w().MenuItemClick(TFmMain::ActAddFile);
  // The first target exists and the policy asks: while the run waits for the answer, Cancel is
  // pressed; the entry in hand is still converted, the next one is not started.
  Write(Out("m000.txt"), "old");
  program_->context().settings.FileOverTp = kPrompt;
  OnNextModal([&](QWidget* modal) {
    w().progress()->cancelButton()->click();
    modal->findChild<QPushButton*>("BtnOverwrite")->click();
  });
  w().MenuItemClick(TFmMain::ActConvertSelect);
  WaitRun();
  program_->context().settings.FileOverTp = kAutoRename;
  int converted = 0, untouched = 0;
  for (const QString& path : many) {
    const int32_t state = w().entries()[Find(path)].State;
    converted += state == kStateConverted;
    untouched += state == kStateNew;
  }
  QCOMPARE(converted, 1);
  QCOMPARE(converted + untouched, 150);
  QVERIFY(LogText(programDir_)
              .endsWith(QString("Conversion end. Successful: %1, Failed: 0, Total: %1\r\n\r\n")
                            .arg(converted)));
  // Leave the list small for the tests that follow.
  for (const QString& path : many)
    w().listView()->selectionModel()->select(
        w().model()->index(Find(path), 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  for (const QString& path : {In("p1.doc"), In("p2.doc"), In("p3.doc"), In("p4.doc")})
    w().listView()->selectionModel()->select(
        w().model()->index(Find(path), 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  w().MenuItemClick(TFmMain::ActDelete);
  QCOMPARE(w().entries().size(), size_t(4));
}

void MainWindow::OptionsStoreWhatWasEdited() {
  DesktopSettings& settings = program_->context().settings;
  const QString newTarget = dir_.path() + "/out2";
  // Letters as the code page: the error, the dialog stays, the target directory is stored.
  QString error;
  OnNextModal([&](QWidget* modal) {
    auto* options = qobject_cast<TFmOption*>(modal);
    QVERIFY(options);
    QCOMPARE(options->windowTitle(), QString("Options"));
    QVERIFY(options->CBSameDir->hasFocus() || !options->isActiveWindow());
    options->EditTargetDir->setText(newTarget);
    // "User defined" of the HTM row, through the in-place editor.
    options->PageButtons[1]->click();
    options->ListView1->setCurrentItem(options->ListView1->topLevelItem(8));
    QVERIFY(options->EditFileExt->isVisible());
    QTest::keyClicks(options->EditFileExt, "*.xhtml");
    QCOMPARE(options->ListView1->topLevelItem(8)->text(3), QString("*.xhtml"));
    options->PageButtons[0]->click();
    options->ComBSourceCode->setEditText("abc");
    OnNextModal([&](QWidget* box) {
      auto* message = qobject_cast<QMessageBox*>(box);
      QVERIFY(message);
      error = message->windowTitle() + ": " + message->text();
      message->accept();
      QTimer::singleShot(0, [options] {
        QVERIFY(options->isVisible());
        options->ComBSourceCode->setEditText("437");
        options->BtnOK->click();
      });
    });
    options->BtnOK->click();
  });
  w().MenuItemClick(TFmMain::ActOptions);
  QCOMPARE(error, QString("Error: Code page identifier must be numeric!"));
  QCOMPARE(settings.TargetDir, (newTarget + "/").toStdString());
  QCOMPARE(settings.SourceCode, 437);
  QCOMPARE(settings.UserFileExt[8], std::string("*.xhtml"));

  // Reopened: the bare 437; choosing the UTF-8 item stores 65001.
  QString shown;
  OnNextModal([&](QWidget* modal) {
    auto* options = qobject_cast<TFmOption*>(modal);
    shown = options->ComBSourceCode->currentText();
    options->ComBSourceCode->setCurrentIndex(
        TFmOption::CodePageItems().indexOf("65001 Unicode (UTF-8)"));
    QTest::keyClick(options, Qt::Key_Return);
  });
  w().MenuItemClick(TFmMain::ActOptions);
  QCOMPARE(shown, QString("437"));
  QCOMPARE(settings.SourceCode, 65001);

  // Cancel drops the edits.
  OnNextModal([&](QWidget* modal) {
    auto* options = qobject_cast<TFmOption*>(modal);
    options->CBSameDir->click();
    QVERIFY(!options->EditTargetDir->isEnabled());
    options->BtnCancel->click();
  });
  w().MenuItemClick(TFmMain::ActOptions);
  QVERIFY(!settings.SameDir);

  // The new extension is addable as HTM; the new target directory is used.
  Write(In("x.XHTML"), "<html><body>x</body></html>");
  shell_.files = {In("x.XHTML")};
  w().MenuItemClick(TFmMain::ActAddFile);
  QCOMPARE(w().entries().back().Type, std::string("HTM"));
  QCOMPARE(w().entries().back().Target, (newTarget + "/x.txt").toStdString());
}

void MainWindow::AddDirectoryWithOnlyHtmlTicked() {
  const QString scan = dir_.path() + "/scan";
  Write(scan + "/a.htm", "<p>a</p>");
  Write(scan + "/b.HTML", "<p>b</p>");
  Write(scan + "/c.txt", "c");
  Write(scan + "/d.doc", doc_);
  Write(scan + "/.hidden.htm", "<p>h</p>");
  Write(scan + "/sub/e.htm", "<p>e</p>");
  const size_t before = w().entries().size();
  QString shownDir;
  OnNextModal([&](QWidget* modal) {
    auto* addDir = qobject_cast<TFmAddDir*>(modal);
    QVERIFY(addDir);
    QCOMPARE(addDir->windowTitle(), QString("Add directory"));
    shownDir = addDir->EditDir->text();
    addDir->findChild<QPushButton*>("BtnSelectNone")->click();
    // No type ticked: the error, and the dialog stays open.
    OnNextModal([addDir](QWidget* box) {
      auto* message = qobject_cast<QMessageBox*>(box);
      QVERIFY(message);
      QCOMPARE(message->text(), QString("Please select the type of file to be converted!"));
      message->accept();
      QTimer::singleShot(0, [addDir] {
        QVERIFY(addDir->isVisible());
        addDir->SetTicked(9, true);
        QCOMPARE(addDir->CheckListBox1->item(8)->text(),
                 QString("HTML File(*.htm;*.html;*.xhtml)"));
        addDir->BtnOK->click();
      });
    });
    addDir->BtnOK->click();
  });
  QSignalSpy scanned(&w(), &TFmMain::scanFinished);
  w().DropPaths({scan});  // one folder dropped opens Add directory with it
  QVERIFY(scanned.wait(20000));
  QCOMPARE(shownDir, scan);
  QCOMPARE(w().entries().size(), before + 2);  // a.htm and b.HTML; not recursive
  QCOMPARE(w().statusText(2), QString("Done Scanning, add 2 file(s)."));
  QVERIFY(Find(scan + "/a.htm") >= 0 && Find(scan + "/b.HTML") >= 0);
  QCOMPARE(program_->context().settings.AddDir, scan.toStdString());
}

void MainWindow::LogViewerShowsClearsExports() {
  const QString exported = dir_.path() + "/exported.log";
  shell_.saveAs = exported;
  QString shown;
  bool clearedEmpty = false;
  OnNextModal([&](QWidget* modal) {
    auto* viewer = qobject_cast<TFmViewLog*>(modal);
    QVERIFY(viewer);
    QCOMPARE(viewer->windowTitle(), QString("Log"));
    shown = viewer->MemoLog->toPlainText();
    QVERIFY(viewer->BtnExport->isEnabled());
    viewer->BtnExport->click();
    viewer->BtnClear->click();
    clearedEmpty = viewer->MemoLog->toPlainText().isEmpty() && !viewer->BtnClear->isEnabled() &&
                   !viewer->BtnExport->isEnabled();
    viewer->CBNotLog->click();
    viewer->BtnClose->click();
  });
  w().MenuItemClick(TFmMain::ActViewLog);
  QVERIFY(shown.contains("]: Conversion start...\n"));
  const QByteArray bytes = ReadAll(exported);
  QVERIFY(bytes.startsWith("\xFF\xFE"));
  QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                              (bytes.size() - 2) / 2),
           QString(shown).replace("\n", "\r\n"));
  QVERIFY(clearedEmpty);
  QVERIFY(!QFile::exists(programDir_ + "scrivact.log"));
  QVERIFY(program_->context().settings.NotLog);
  shell_.files = {In("a.doc")};  // refused, but not logged now
  w().MenuItemClick(TFmMain::ActAddFile);
  QVERIFY(!QFile::exists(programDir_ + "scrivact.log"));
}

void MainWindow::RestartShowsTheSameList() {
  const std::vector<FileEntry> before = w().entries();
  program_->context().settings.SelExt = {};  // the dialog's ticks must win at exit
  QVERIFY(program_->Finish());
  program_.reset();
  const QByteArray settings = ReadAll(programDir_ + "Scrivtar.dat");
  QVERIFY(settings.contains("sourcecode=65001\r\n"));
  QVERIFY(settings.contains("userfileext9=*.xhtml\r\n"));
  QVERIFY(settings.contains("selext8=0\r\nselext9=1\r\nselext10=0\r\n"));
  QVERIFY(settings.contains("notlog=1\r\n"));
  QVERIFY(ReadAll(programDir_ + "Scrivtar.job").startsWith("LFW"));

  program_ = std::make_unique<DesktopProgram>(paths_, shell_);
  w().show();
  QCOMPARE(w().entries().size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) {
    QCOMPARE(w().entries()[i].Source, before[i].Source);
    QCOMPARE(w().entries()[i].State, before[i].State);
    QCOMPARE(w().entries()[i].Target, before[i].Target);
    QCOMPARE(w().entries()[i].Message, before[i].Message);
    QVERIFY(!w().entries()[i].Selected);
  }
  QCOMPARE(w().statusText(1), QString("%1 File(s)").arg(before.size()));
  QCOMPARE(program_->context().settings.SourceCode, 65001);
  program_.reset();
}

QTEST_MAIN(MainWindow)
#include "MainWindow_uitest.moc"
