// The dialogs that stand on their own, driven through their widgets: the About animation, the
// conversion progress window, the file-exists prompt and the Directory list editor.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "DesktopShell.h"
#include "UnAbout.h"
#include "UnDirectory.h"
#include "UnFileExists.h"
#include "UnProgress.h"

using namespace scrivtar::ui;

class Dialogs : public QObject {
  Q_OBJECT
 private slots:
  void AboutShowsFourFramesInALoop();
  void ProgressCountsStepsAndCancels();
  void FileExistsGivesEachAnswer_data();
  void FileExistsGivesEachAnswer();
  void FileExistsClosedAnswersCancel();
  void DirectoryEditsTheList();
};

void Dialogs::AboutShowsFourFramesInALoop() {
  TFmAbout about;
  QCOMPARE(about.windowTitle(), QString("About Scrivtar"));
  QVERIFY(about.findChild<QLabel*>() != nullptr);
  about.show();
  QCOMPARE(about.frame(), 0);
  QTRY_COMPARE_WITH_TIMEOUT(about.frame(), 1, 1000);
  QTRY_COMPARE_WITH_TIMEOUT(about.frame(), 0, 3000);  // after frame 3 it starts again
  QPushButton* ok = about.findChild<QPushButton*>("BtnOK");
  QCOMPARE(ok->text(), QString("OK"));
  ok->click();
  QVERIFY(!about.isVisible());
}

void Dialogs::ProgressCountsStepsAndCancels() {
  TFmProgress progress;
  QCOMPARE(progress.windowTitle(), QString("Converting Files..."));
  progress.Prepare(3);
  QCOMPARE(progress.countText(), QString("0"));
  QCOMPARE(progress.totalText(), QString("/3"));
  progress.Step();
  progress.Step();
  QCOMPARE(progress.position(), 2);
  QCOMPARE(progress.countText(), QString("2"));
  QCOMPARE(progress.findChild<QProgressBar*>()->maximum(), 3);
  QSignalSpy cancel(&progress, &TFmProgress::cancelRequested);
  progress.show();
  QCOMPARE(progress.cancelButton()->text(), QString("&Cancel"));
  progress.cancelButton()->click();
  QTest::keyClick(&progress, Qt::Key_Escape);
  progress.close();
  QCOMPARE(cancel.count(), 3);
  QVERIFY(progress.isVisible());  // only the run closes it
  progress.hide();
}

void Dialogs::FileExistsGivesEachAnswer_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<int>("answer");
  QTest::newRow("auto rename") << "BtnAutoRename" << int(TFmFileExists::kAutoRename);
  QTest::newRow("overwrite") << "BtnOverwrite" << int(TFmFileExists::kOverwrite);
  QTest::newRow("cancel") << "BtnCancel" << int(TFmFileExists::kCancel);
  QTest::newRow("stop") << "BtnStopConvert" << int(TFmFileExists::kStopConvert);
}

void Dialogs::FileExistsGivesEachAnswer() {
  QFETCH(QString, button);
  QFETCH(int, answer);
  TFmFileExists dialog;
  QStringList captions;
  for (auto* b : dialog.findChildren<QPushButton*>()) captions << b->text();
  QCOMPARE(captions, QStringList({"&Auto Rename", "&Overwrite", "&Cancel", "&Stop Convert"}));
  QTimer::singleShot(0, &dialog, [&] {
    QCOMPARE(dialog.pathText(), QString("/tmp/out/a.txt"));
    dialog.findChild<QPushButton*>(button)->click();
  });
  QCOMPARE(int(dialog.Ask("/tmp/out/a.txt")), answer);
  QCOMPARE(dialog.windowTitle(), QString("Scrivtar"));
}

void Dialogs::FileExistsClosedAnswersCancel() {
  TFmFileExists dialog;
  QTimer::singleShot(0, &dialog, [&] { dialog.close(); });
  QCOMPARE(dialog.Ask("/tmp/x.txt"), TFmFileExists::kCancel);
}

namespace {
class PickerShell : public DesktopShell {
 public:
  QString ChooseDirectory(QWidget*, const QString& title, const QString&) override {
    titles << title;
    return "/srv/picked";
  }
  QStringList titles;
};
}  // namespace

void Dialogs::DirectoryEditsTheList() {
  PickerShell shell;
  TFmDirectory dialog(shell);
  QCOMPARE(dialog.windowTitle(), QString("Directory"));
  dialog.Load("/a;/b");
  QCOMPARE(dialog.LBOXDirs->count(), 2);
  QCOMPARE(dialog.EditDir->text(), QString("/a"));
  QVERIFY(!dialog.BtnAdd->isEnabled() && !dialog.BtnReplace->isEnabled());
  QVERIFY(dialog.BtnDelete->isEnabled());

  // A text already listed (letter case ignored) cannot be added; a new one can.
  dialog.EditDir->clear();
  QTest::keyClicks(dialog.EditDir, "/B");
  QVERIFY(!dialog.BtnAdd->isEnabled());
  QTest::keyClicks(dialog.EditDir, "2");
  QVERIFY(dialog.BtnAdd->isEnabled() && dialog.BtnReplace->isEnabled());
  dialog.BtnAdd->click();
  QCOMPARE(dialog.Joined(), QString("/a;/b;/B2"));
  QVERIFY(!dialog.BtnAdd->isEnabled());

  // Replace the selected first line, then delete it.
  dialog.EditDir->clear();
  QTest::keyClicks(dialog.EditDir, "/c");
  dialog.LBOXDirs->setCurrentRow(0);
  dialog.BtnReplace->click();
  QCOMPARE(dialog.Joined(), QString("/c;/b;/B2"));
  dialog.BtnDelete->click();
  QCOMPARE(dialog.Joined(), QString("/b;/B2"));
  QVERIFY(dialog.EditDir->text().isEmpty());

  dialog.BtnBrowse->click();
  QCOMPARE(shell.titles, QStringList{"Select directory"});
  QCOMPARE(dialog.EditDir->text(), QString("/srv/picked"));

  dialog.Load("");
  QCOMPARE(dialog.LBOXDirs->count(), 0);
  QVERIFY(!dialog.BtnDelete->isEnabled());
  QCOMPARE(dialog.Joined(), QString());
}

QTEST_MAIN(Dialogs)
#include "Dialogs_uitest.moc"
