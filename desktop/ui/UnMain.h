// The main window: the file list, its menus, keys and buttons, the status bar, and the two
// long operations (the batch run and the directory scan), which run on worker threads, each
// with its own engine, and hand their results to this thread.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <atomic>
#include <map>
#include <memory>
#include <vector>

#include "ActivityLog.h"
#include "DesktopSettings.h"
#include "FileEntry.h"
#include "FileList.h"
#include "VtFileFind.h"

class QLabel;
class QMenu;
class QPushButton;
class QTableView;
class QThread;

namespace scrivtar::ui {

class DesktopShell;
class FileListModel;
class TFmAbout;
class TFmAddDir;
class TFmCancelFind;
class TFmDirectory;
class TFmFileExists;
class TFmOption;
class TFmProgress;
class TFmViewLog;

// What the program sets up before any window exists and saves after they are all gone.
struct DesktopContext {
  DesktopPaths paths;
  DesktopSettings settings;
  ExtensionLookup lookup;
  std::unique_ptr<ActivityLog> log;
  std::string jobFile;
  std::string settingsFile;
  int32_t systemCodePage = 1252;  // of the legacy job file and the settings texts
};

class TFmMain : public QMainWindow {
  Q_OBJECT
 public:
  enum Tag {
    ActOptions = 11,
    ActExit = 12,
    ActViewLog = 13,
    ActAddFile = 21,
    ActAddDir = 22,
    ActPasteFile = 23,
    ActDelete = 24,
    ActSelectAll = 25,
    ActConvertAll = 31,
    ActConvertSelect = 32,
    ActReConvert = 33,
    ActLaunchSource = 34,
    ActLaunchTarget = 35,
    ActExploreSource = 36,
    ActExploreTarget = 37,
    ActContents = 91,
    ActAbout = 96,
  };

  TFmMain(DesktopContext& context, DesktopShell& shell);
  ~TFmMain() override;

  // Every command: menus, popup menu, buttons and keys.
  void MenuItemClick(int tag);
  // The one way files enter the list, in order; then the count panel is refreshed.
  void AddFiles(const QStringList& paths);
  // A drop of local files or folders, as the window's drop handler takes it.
  void DropPaths(const QStringList& paths);
  void SortByColumn(int column);
  // Recomputes the enabled states (done when a menu opens).
  void UpdateActionStates();

  bool busy() const;  // a progress window is visible
  const std::vector<FileEntry>& entries() const { return list_.entries(); }
  const FileList& list() const { return list_; }
  QString statusText(int panel) const;
  QTableView* listView() const { return ListView1; }
  QAction* action(int tag) const;
  QMenu* popupMenu() const { return popup_; }
  TFmOption* options() const { return options_; }
  TFmAddDir* addDir() const { return addDir_; }
  TFmViewLog* viewLog() const { return viewLog_; }
  TFmProgress* progress() const { return progress_; }
  TFmFileExists* fileExists() const { return fileExists_; }
  TFmCancelFind* cancelFind() const { return cancelFind_; }
  TFmAbout* about() const { return about_; }
  FileListModel* model() const { return model_; }

 signals:
  void runFinished();
  void scanFinished();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  class WindowRunObserver;
  QAction* MakeAction(int tag, const QString& caption, const QString& hint);
  QPushButton* MakeButton(const QString& caption, int tag, const QString& icon);
  void BuildMenus();
  void SetStatus(int panel, const QString& text);
  void RefreshCount();
  bool AddOne(const QString& path);
  void SelectionFromView();
  void SelectionToView();
  void ShowFocused();
  void RunConversion(int mode);
  void Scan();
  void LaunchOrExplore(int tag);
  bool ClipboardHasFiles() const;
  QStringList ClipboardFiles() const;

  DesktopContext& context_;
  DesktopShell& shell_;
  FileList list_;
  FileListModel* model_;
  QTableView* ListView1;
  QLabel* panels_[3];
  QMenu* popup_;
  std::map<int, QAction*> actions_;
  QTimer selectionTimer_;
  bool syncingSelection_ = false;
  std::atomic<bool> cancelRequested_{false};
  std::unique_ptr<TVtFileSearch> search_;
  QThread* worker_ = nullptr;

  TFmOption* options_;
  TFmDirectory* directory_;
  TFmAddDir* addDir_;
  TFmCancelFind* cancelFind_;
  TFmProgress* progress_;
  TFmAbout* about_;
  TFmFileExists* fileExists_;
  TFmViewLog* viewLog_;
};

}  // namespace scrivtar::ui
