#include "DesktopShell.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>
#include <QUuid>

namespace scrivtar::ui {

QStringList DesktopShell::ChooseFiles(QWidget* parent, const QString& filter) {
  return QFileDialog::getOpenFileNames(parent, QString(), QString(), filter);
}

QString DesktopShell::ChooseDirectory(QWidget* parent, const QString& title, const QString& start) {
  const QString begin = QFileInfo(start).isDir() ? start : QString();
  return QFileDialog::getExistingDirectory(parent, title, begin);
}

QString DesktopShell::ChooseSaveFile(QWidget* parent, const QString& filter,
                                     const QString& defaultSuffix) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(filter);
  dialog.setDefaultSuffix(defaultSuffix);
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

void DesktopShell::Open(const QString& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void DesktopShell::ShowItem(const QString& path) {
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1",
                                                     "/org/freedesktop/FileManager1",
                                                     "org.freedesktop.FileManager1", "ShowItems");
  call << QStringList{QUrl::fromLocalFile(path).toString()}
       << QUuid::createUuid().toString(QUuid::WithoutBraces);
  const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
  if (reply.type() != QDBusMessage::ReplyMessage) OpenFolder(QFileInfo(path).absolutePath());
}

void DesktopShell::OpenFolder(const QString& folder) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void DesktopShell::OpenHelp(const QString& page) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QDir(HelpDir()).filePath(page)));
}

QString HelpDir() {
  const QDir program(QCoreApplication::applicationDirPath());
  if (program.exists("help/index.html")) return program.filePath("help");
  return QDir::cleanPath(program.filePath("../share/scrivtar/help"));
}

}  // namespace scrivtar::ui
