#include "UnMain.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTableView>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>

#include "BatchRun.h"
#include "DesktopShell.h"
#include "FileList.h"
#include "FileListModel.h"
#include "Icons.h"
#include "JobFile.h"
#include "UnAbout.h"
#include "UnAddDir.h"
#include "UnCancelFind.h"
#include "UnDirectory.h"
#include "UnFileExists.h"
#include "UnOption.h"
#include "UnProgress.h"
#include "UnViewLog.h"
#include "scrivtar/CodePages.h"
#include "scrivtar/Engine.h"

namespace scrivtar::ui {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

void CentreOn(QWidget* window, const QRect& area) {
  window->adjustSize();
  window->move(area.center() - window->rect().center());
}

QRect ScreenArea(QWidget* w) {
  QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

// The run's reports, from its worker thread to the window's. The posted calls outlive this
// object (it ends with the run), so they hold the window, never the observer.
class TFmMain::WindowRunObserver : public RunObserver {
 public:
  explicit WindowRunObserver(TFmMain& window) : w_(&window) {}
  void OnEntryStart(size_t, const std::string& source) override {
    Post([w = w_, s = Q(source)] { w->progress_->SetFile(s); });
  }
  void OnProgressStep(int32_t) override {
    Post([w = w_] { w->progress_->Step(); });
  }
  void OnEntryResult(size_t index, const FileEntry& entry) override {
    Post([w = w_, index, entry] {
      auto& entries = w->list_.entries();
      if (index >= entries.size()) return;
      const bool selected = entries[index].Selected;
      entries[index] = entry;
      entries[index].Selected = selected;
      w->model_->RowChanged(static_cast<int>(index));
    });
  }
  void OnLog(const std::string& message) override {
    Post([w = w_, message] { w->context_.log->LogActivity(message, w->context_.settings.NotLog); });
  }
  FileExistsAnswer OnFileExists(const std::string& target) override {
    // The run waits for the answer; the window stays live meanwhile.
    auto answer = FileExistsAnswer::kCancel;
    QMetaObject::invokeMethod(
        w_,
        [w = w_, &answer, p = Q(target)] {
          answer = static_cast<FileExistsAnswer>(w->fileExists_->Ask(p));
        },
        Qt::BlockingQueuedConnection);
    return answer;
  }
  bool CancelRequested() override { return w_->cancelRequested_.load(); }

 private:
  template <typename F>
  void Post(F&& f) {
    QMetaObject::invokeMethod(w_, std::forward<F>(f), Qt::QueuedConnection);
  }
  TFmMain* w_;
};

TFmMain::TFmMain(DesktopContext& context, DesktopShell& shell) : context_(context), shell_(shell) {
  setObjectName("FmMain");
  setWindowTitle("Scrivtar");
  setWindowIcon(SvgIcon("scrivtar"));
  resize(580, 430);
  setAcceptDrops(true);

  model_ = new FileListModel(list_, this);
  ListView1 = new QTableView(this);
  ListView1->setObjectName("ListView1");
  ListView1->setModel(model_);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->setShowGrid(true);
  ListView1->setWordWrap(false);
  ListView1->verticalHeader()->hide();
  ListView1->verticalHeader()->setDefaultSectionSize(ListView1->fontMetrics().height() + 6);
  ListView1->horizontalHeader()->setSectionsClickable(true);
  ListView1->horizontalHeader()->setHighlightSections(false);
  ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
  ListView1->setAcceptDrops(false);
  ListView1->setDragDropMode(QAbstractItemView::NoDragDrop);
  QPalette palette = ListView1->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
  ListView1->setPalette(palette);
  for (int c = 0; c < FileListModel::kColumnCount; ++c)
    ListView1->setColumnWidth(c, FileListModel::kColumnWidths[c]);
  ListView1->setIconSize(QSize(16, 16));

  // Windows that live as long as the program and are shown when needed.
  options_ = new TFmOption(context_.settings, shell_, this);
  options_->onExtensionsChanged = [this] {
    context_.lookup = RebuildExtensionLookup(context_.settings);
  };
  directory_ = new TFmDirectory(shell_, this);
  directory_->Load(Q(context_.settings.AddDir));
  addDir_ = new TFmAddDir(context_.settings, *directory_, shell_, this);
  cancelFind_ = new TFmCancelFind(this);
  progress_ = new TFmProgress(this);
  about_ = new TFmAbout(this);
  fileExists_ = new TFmFileExists(this);
  viewLog_ = new TFmViewLog(context_.settings, *context_.log, shell_, this);
  connect(progress_, &TFmProgress::cancelRequested, this, [this] { cancelRequested_ = true; });
  // The search runs on the scan's worker; what it finds comes back to this thread in order.
  search_ = std::make_unique<TVtFileSearch>();
  search_->OnFileFind = [this](const std::string& folder, const FindInfo& info) {
    QMetaObject::invokeMethod(
        this, [this, p = Q(folder + info.Name)] { AddOne(p); }, Qt::QueuedConnection);
  };
  search_->OnChangeFolder = [this](const std::string& folder) {
    QMetaObject::invokeMethod(
        this, [this, f = Q(folder)] { cancelFind_->SetFolder(f); }, Qt::QueuedConnection);
  };
  connect(cancelFind_, &TFmCancelFind::stopRequested, this, [this] { search_->Stop(); });

  BuildMenus();

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ListView1, 1);
  auto* bar = new QHBoxLayout;
  constexpr int kLeft = 6;
  // "&Convert" keeps to the right edge at the left offset of "&Add File" plus 4 pixels.
  bar->setContentsMargins(kLeft, 4, kLeft + 4, 4);
  bar->addWidget(MakeButton("&Add File", ActAddFile, "add-file"));
  bar->addWidget(MakeButton("Add &Dir", ActAddDir, "add-dir"));
  bar->addWidget(MakeButton("&Options", ActOptions, "options"));
  bar->addWidget(MakeButton("&Log", ActViewLog, "log"));
  bar->addStretch();
  bar->addWidget(MakeButton("&Convert", ActConvertAll, "convert"));
  layout->addLayout(bar);
  setCentralWidget(central);

  const char* kPanelNames[] = {"Panel0", "Panel1", "Panel2"};
  for (int i = 0; i < 3; ++i) {
    panels_[i] = new QLabel(this);
    panels_[i]->setObjectName(kPanelNames[i]);
    panels_[i]->setTextFormat(Qt::PlainText);
    panels_[i]->setFrameShape(QFrame::StyledPanel);
    panels_[i]->setFrameShadow(QFrame::Sunken);
    statusBar()->addWidget(panels_[i], i == 2 ? 1 : 0);
  }
  panels_[0]->setMinimumWidth(90);
  panels_[1]->setMinimumWidth(80);
  statusBar()->setSizeGripEnabled(true);
  SetStatus(0, "Scrivtar 3.2");
  SetStatus(1, "0 File(s)");

  selectionTimer_.setSingleShot(true);
  selectionTimer_.setInterval(50);
  connect(&selectionTimer_, &QTimer::timeout, this,
          [this] { SetStatus(2, Q(list_.SelectionText())); });
  connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TFmMain::SelectionFromView);
  connect(ListView1->horizontalHeader(), &QHeaderView::sectionClicked, this,
          &TFmMain::SortByColumn);
  connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (busy()) return;  // no popup while a progress window is visible
    UpdateActionStates();
    popup_->exec(ListView1->viewport()->mapToGlobal(at));
  });
  qApp->installEventFilter(this);

  // The job file: the list of the last session, nothing selected.
  list_.Assign(LoadJobFile(context_.jobFile, context_.systemCodePage).Entries);
  model_->Reset();
  RefreshCount();
}

TFmMain::~TFmMain() {
  qApp->removeEventFilter(this);
  if (worker_) {
    cancelRequested_ = true;
    search_->Stop();
    worker_->wait();
  }
  SaveJobFile(context_.jobFile, list_.entries());
}

QAction* TFmMain::MakeAction(int tag, const QString& caption, const QString& hint) {
  auto* action = new QAction(caption, this);
  action->setObjectName(QString("Act%1").arg(tag));
  action->setStatusTip(hint);
  action->setData(tag);
  connect(action, &QAction::triggered, this, [this, tag] { MenuItemClick(tag); });
  actions_[tag] = action;
  return action;
}

QPushButton* TFmMain::MakeButton(const QString& caption, int tag, const QString& icon) {
  auto* button = new QPushButton(SvgIcon(icon), caption, this);
  button->setObjectName(QString("Btn%1").arg(tag));
  button->setStatusTip(actions_.at(tag)->statusTip());
  button->setAutoDefault(false);
  connect(button, &QPushButton::clicked, this, [this, tag] { MenuItemClick(tag); });
  return button;
}

void TFmMain::BuildMenus() {
  MakeAction(ActOptions, "&Options", "Set Scrivtar options");
  MakeAction(ActExit, "&Exit", "Exit from Scrivtar");
  MakeAction(ActViewLog, "&View Log", "View Scrivtar logs");
  MakeAction(ActAddFile, "Add &File                   CTRL+F", "Add file(s) by selecting file(s)");
  MakeAction(ActAddDir, "Add &Dir                    CTRL+D",
             "Add file(s) by selecting director(ies)");
  MakeAction(ActPasteFile, "&Paste File                CTRL+V",
             "Add file(s) by pasting from clipboard");
  MakeAction(ActDelete, "Delete                     Delete",
             "Delete selected file(s) name from listview");
  MakeAction(ActSelectAll, "Select &All                 CTRL+A", "Select all file(s) in listview");
  MakeAction(ActConvertAll, "&Convert All               Ctrl+G", "Convert all file(s) in listview");
  MakeAction(ActConvertSelect, "Convert &Selected", "Convert selected file(s)");
  MakeAction(ActReConvert, "&ReConvert Selected", "Convert selected file(s) again");
  MakeAction(ActLaunchSource, "Source", "Open source file with default program");
  MakeAction(ActLaunchTarget, "Target", "Open target file with default program");
  MakeAction(ActExploreSource, "Source", "Explore folder which source file in");
  MakeAction(ActExploreTarget, "Target", "Explore folder which target file in");
  MakeAction(ActContents, "&Contents           F1", "Show help contents");
  MakeAction(ActAbout, "&About", "Show about window");
  actions_[ActAddFile]->setIcon(SvgIcon("add-file"));
  actions_[ActAddDir]->setIcon(SvgIcon("add-dir"));
  actions_[ActOptions]->setIcon(SvgIcon("options"));
  actions_[ActViewLog]->setIcon(SvgIcon("log"));
  actions_[ActConvertAll]->setIcon(SvgIcon("convert"));

  QMenu* file = menuBar()->addMenu("&File ");
  file->addAction(actions_[ActOptions]);
  file->addSeparator();
  file->addAction(actions_[ActViewLog]);
  file->addSeparator();
  file->addAction(actions_[ActExit]);
  QMenu* edit = menuBar()->addMenu("&Edit ");
  for (int tag : {ActAddFile, ActAddDir, ActPasteFile}) edit->addAction(actions_[tag]);
  edit->addSeparator();
  edit->addAction(actions_[ActDelete]);
  edit->addAction(actions_[ActSelectAll]);
  QMenu* convert = menuBar()->addMenu("Con&vert ");
  for (int tag : {ActConvertAll, ActConvertSelect, ActReConvert}) convert->addAction(actions_[tag]);
  convert->addSeparator();
  QMenu* launch = convert->addMenu("&Launch");
  launch->addAction(actions_[ActLaunchSource]);
  launch->addAction(actions_[ActLaunchTarget]);
  QMenu* explore = convert->addMenu("&Explore");
  explore->addAction(actions_[ActExploreSource]);
  explore->addAction(actions_[ActExploreTarget]);
  QMenu* help = menuBar()->addMenu("&Help ");
  help->addAction(actions_[ActContents]);
  help->addSeparator();
  help->addAction(actions_[ActAbout]);
  for (QMenu* menu : {file, edit, convert, help})
    connect(menu, &QMenu::aboutToShow, this, &TFmMain::UpdateActionStates);

  popup_ = new QMenu(this);
  popup_->setObjectName("PopupMenu1");
  for (int tag : {ActConvertAll, ActConvertSelect, ActReConvert}) popup_->addAction(actions_[tag]);
  popup_->addSeparator();
  for (int tag : {ActAddFile, ActAddDir, ActDelete}) popup_->addAction(actions_[tag]);
  popup_->addSeparator();
  popup_->addAction(actions_[ActSelectAll]);
  popup_->addSeparator();
  QMenu* popupLaunch = popup_->addMenu("Launch");
  popupLaunch->addAction(actions_[ActLaunchSource]);
  popupLaunch->addAction(actions_[ActLaunchTarget]);
  QMenu* popupExplore = popup_->addMenu("Explore");
  popupExplore->addAction(actions_[ActExploreSource]);
  popupExplore->addAction(actions_[ActExploreTarget]);
}

QAction* TFmMain::action(int tag) const {
  auto it = actions_.find(tag);
  return it == actions_.end() ? nullptr : it->second;
}

void TFmMain::SetStatus(int panel, const QString& text) {
  panels_[panel]->setText(text);
}
QString TFmMain::statusText(int panel) const {
  return panels_[panel]->text();
}

void TFmMain::RefreshCount() {
  SetStatus(1, Q(list_.FileCountText()));
}

bool TFmMain::busy() const {
  return progress_->isVisible() || cancelFind_->isVisible() || worker_;
}

void TFmMain::UpdateActionStates() {
  const ActionStates states = list_.EnabledStates();
  actions_[ActConvertAll]->setEnabled(states.ConvertAll);
  actions_[ActConvertSelect]->setEnabled(states.ConvertSelected);
  actions_[ActReConvert]->setEnabled(states.ReConvert);
  for (int tag : {ActDelete, ActLaunchSource, ActLaunchTarget, ActExploreSource, ActExploreTarget})
    actions_[tag]->setEnabled(states.Delete);
  actions_[ActPasteFile]->setEnabled(ClipboardHasFiles());
}

void TFmMain::MenuItemClick(int tag) {
  // While a run or a scan is on, nothing may change the list or start another run.
  const bool changesList = tag == ActAddFile || tag == ActAddDir || tag == ActPasteFile ||
                           tag == ActDelete || tag == ActConvertAll || tag == ActConvertSelect ||
                           tag == ActReConvert || tag == ActOptions;
  if (changesList && busy()) return;
  switch (tag) {
    case ActOptions:
      options_->exec();
      break;
    case ActExit:
      close();
      break;
    case ActViewLog:
      viewLog_->ReloadLogView();
      viewLog_->exec();
      break;
    case ActAddFile: {
      // "All Support File" first, then one filter per type; Qt wants the masks space-separated.
      auto masks = [](std::string text) {
        QString q = Q(text);
        if (q.endsWith(';')) q.chop(1);
        return q.replace(';', ' ');
      };
      QStringList filters{"All Support File (" + masks(context_.lookup.SupportedMasks) + ")"};
      for (int n = 1; n <= kFileTypeCount; ++n) {
        const FileTypeRow& row = FileTypeTable[n - 1];
        std::string all(row.DefaultMask);
        if (!context_.settings.UserFileExt[n - 1].empty())
          all += ";" + context_.settings.UserFileExt[n - 1];
        filters << QString::fromUtf8(row.Description.data(), row.Description.size()) + "(" +
                       masks(all) + ")";
      }
      const QStringList chosen = shell_.ChooseFiles(this, filters.join(";;"));
      if (chosen.isEmpty()) break;
      list_.ClearSelection();
      AddFiles(chosen);
      break;
    }
    case ActAddDir:
      Scan();
      break;
    case ActPasteFile:
      if (ClipboardHasFiles()) AddFiles(ClipboardFiles());
      RefreshCount();
      break;
    case ActDelete: {
      list_.DeleteSelected();
      model_->Reset();
      SelectionToView();
      RefreshCount();
      break;
    }
    case ActSelectAll:
      list_.SelectAll();
      SelectionToView();
      break;
    case ActConvertAll:
    case ActConvertSelect:
    case ActReConvert:
      RunConversion(tag - ActConvertAll);
      break;
    case ActLaunchSource:
    case ActLaunchTarget:
    case ActExploreSource:
    case ActExploreTarget:
      LaunchOrExplore(tag);
      break;
    case ActContents:
      shell_.OpenHelp("index.html");
      break;
    case ActAbout:
      CentreOn(about_, ScreenArea(this));
      about_->exec();
      break;
    default:
      break;  // 81 and 82 open submenus only
  }
}

bool TFmMain::AddOne(const QString& path) {
  const AddOutcome outcome = list_.AddFileToList(
      path.toStdString(), AddContext{context_.settings, context_.lookup, context_.log.get()});
  if (outcome.Result != AddResult::kAdded) {
    SetStatus(2, Q(outcome.StatusText));
    return false;
  }
  model_->RowAppended();
  return true;
}

void TFmMain::AddFiles(const QStringList& paths) {
  if (busy()) return;
  for (const QString& path : paths) AddOne(path);
  SelectionToView();
  ShowFocused();
  RefreshCount();
}

void TFmMain::DropPaths(const QStringList& paths) {
  if (busy()) return;
  list_.ClearSelection();
  SelectionToView();
  if (paths.size() == 1) {
    if (QFileInfo(paths.first()).isDir()) {
      addDir_->EditDir->setText(paths.first());
      raise();
      activateWindow();
      MenuItemClick(ActAddDir);
    } else {
      AddOne(paths.first());
      SelectionToView();
      ShowFocused();
    }
  } else {
    for (const QString& path : paths)
      if (!QFileInfo(path).isDir()) AddOne(path);
    SelectionToView();
  }
  RefreshCount();
  raise();
  activateWindow();
}

void TFmMain::SelectionFromView() {
  if (syncingSelection_) return;
  const QItemSelectionModel* selection = ListView1->selectionModel();
  for (int i = 0; i < static_cast<int>(list_.entries().size()); ++i)
    list_.entries()[i].Selected = selection->isRowSelected(i, {});
  if (!selectionTimer_.isActive()) selectionTimer_.start();
}

void TFmMain::SelectionToView() {
  syncingSelection_ = true;
  QItemSelection selection;
  int last = -1;
  for (int i = 0; i < static_cast<int>(list_.entries().size()); ++i) {
    if (!list_.entries()[i].Selected) continue;
    selection.select(model_->index(i, 0), model_->index(i, FileListModel::kColumnCount - 1));
    last = i;
  }
  QItemSelectionModel* model = ListView1->selectionModel();
  model->select(selection, QItemSelectionModel::ClearAndSelect);
  const std::ptrdiff_t focused = list_.FocusedIndex() >= 0 ? list_.FocusedIndex() : last;
  if (focused >= 0 && focused < static_cast<std::ptrdiff_t>(list_.entries().size()))
    model->setCurrentIndex(model_->index(static_cast<int>(focused), 0),
                           QItemSelectionModel::NoUpdate);
  syncingSelection_ = false;
  if (!selectionTimer_.isActive()) selectionTimer_.start();
}

void TFmMain::ShowFocused() {
  const std::ptrdiff_t row = list_.VisibleIndex();
  if (row >= 0) ListView1->scrollTo(model_->index(static_cast<int>(row), 0));
}

void TFmMain::SortByColumn(int column) {
  if (busy()) return;
  list_.SortByColumn(column);
  model_->CaptionsChanged();
  model_->Reset();
  SelectionToView();
  ShowFocused();
}

void TFmMain::LaunchOrExplore(int tag) {
  const std::ptrdiff_t index = list_.FirstSelectedIndex();
  if (index < 0) return;
  const FileEntry* first = &list_.entries()[index];
  const bool source = tag == ActLaunchSource || tag == ActExploreSource;
  const QString path = Q(source ? first->Source : first->Target);
  if (tag == ActLaunchSource || tag == ActLaunchTarget) return shell_.Open(path);
  if (QFileInfo(path).isFile()) return shell_.ShowItem(path);
  QString folder = path.left(path.lastIndexOf('/'));
  if (folder.isEmpty()) folder = "/";
  shell_.OpenFolder(folder);
}

bool TFmMain::ClipboardHasFiles() const {
  return !ClipboardFiles().isEmpty();
}

QStringList TFmMain::ClipboardFiles() const {
  QStringList paths;
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  return paths;
}

void TFmMain::RunConversion(int mode) {
  if (busy() || list_.entries().empty()) return;
  cancelRequested_ = false;
  progress_->Prepare(static_cast<int>(list_.entries().size()));
  CentreOn(progress_, ScreenArea(this));
  progress_->show();
  // The run works on its own copy of the list and settings; each entry it changes, each log
  // line and each progress step comes back to this thread in order, before the run's end does.
  const RunParameters parameters = MakeRunParameters(context_.settings, DefaultCodePage());
  std::vector<FileEntry> entries = list_.entries();
  const std::filesystem::path programDir = QCoreApplication::applicationDirPath().toStdString();
  worker_ = QThread::create([this, parameters, entries = std::move(entries), mode, programDir] {
    EngineConfig config;
    config.programDir = programDir;
    Engine engine(config);
    WindowRunObserver observer(*this);
    scrivtar::RunConversion(engine, entries, static_cast<RunMode>(mode), parameters, observer);
  });
  connect(worker_, &QThread::finished, this, [this] {
    worker_->deleteLater();
    worker_ = nullptr;
    progress_->hide();
    emit runFinished();
  });
  worker_->start();
}

void TFmMain::Scan() {
  CentreOn(addDir_, geometry());
  if (addDir_->exec() != QDialog::Accepted) return;
  list_.ClearSelection();
  SelectionToView();
  search_->RecurseSubFolders = addDir_->recursive();
  search_->SearchExts = addDir_->SearchExts();
  const std::vector<std::string> dirs = SplitDirectoryList(context_.settings.AddDir);
  const int before = static_cast<int>(list_.entries().size());
  CentreOn(cancelFind_, geometry());
  cancelFind_->show();
  worker_ = QThread::create([this, dirs] { ScanDirectories(*search_, dirs); });
  connect(worker_, &QThread::finished, this, [this, before] {
    worker_->deleteLater();
    worker_ = nullptr;
    cancelFind_->hide();
    SelectionToView();
    ShowFocused();
    RefreshCount();
    SetStatus(2, Q(DoneScanningText(static_cast<int32_t>(list_.entries().size()) - before)));
    emit scanFinished();
  });
  worker_->start();
}

bool TFmMain::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    // The hint of the control or menu item under the mouse goes into the message panel.
    const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    if (!tip.isEmpty()) SetStatus(2, tip);
    return true;
  }
  return QMainWindow::event(event);
}

bool TFmMain::eventFilter(QObject* watched, QEvent* event) {
  // The window's keys are seen before the focused control.
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  QWidget* widget = static_cast<QWidget*>(watched);
  if (widget->window() != this) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  const Qt::KeyboardModifiers mods = key->modifiers();
  if (mods & Qt::AltModifier) return false;  // nothing happens while Alt is held
  const bool ctrl = mods & Qt::ControlModifier;
  int tag = 0;
  switch (key->key()) {
    case Qt::Key_F1:
      tag = ActContents;
      break;
    case Qt::Key_Delete:
      tag = ActDelete;
      break;
    case Qt::Key_A:
      tag = ctrl ? ActSelectAll : 0;
      break;
    case Qt::Key_V:
      tag = ctrl ? ActPasteFile : 0;
      break;
    case Qt::Key_F:
      tag = ctrl ? ActAddFile : 0;
      break;
    case Qt::Key_D:
      tag = ctrl ? ActAddDir : 0;
      break;
    case Qt::Key_G:
      tag = ctrl ? ActConvertAll : 0;
      break;
    default:
      break;
  }
  if (tag == 0) return false;
  MenuItemClick(tag);
  return true;
}

void TFmMain::closeEvent(QCloseEvent* event) {
  if (worker_) {
    // The conversion in progress ends and is recorded; then the window closes.
    cancelRequested_ = true;
    search_->Stop();
    QEventLoop wait;
    connect(worker_, &QThread::finished, &wait, &QEventLoop::quit);
    if (worker_) wait.exec();
  }
  event->accept();
}

void TFmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!busy() && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TFmMain::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  event->acceptProposedAction();
  if (!paths.isEmpty()) DropPaths(paths);
}

void TFmMain::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    if (progress_->isVisible()) progress_->raise();
    if (cancelFind_->isVisible()) cancelFind_->raise();
  }
  QMainWindow::changeEvent(event);
}

}  // namespace scrivtar::ui
