// scrbatch: the desktop program's batch run without a window. Converts a job file's list, or
// the files and directories named on the command line, with the saved settings; flags override
// them for this run and are never saved. Never prompts.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "ActivityLog.h"
#include "BatchRun.h"
#include "DesktopSettings.h"
#include "FileList.h"
#include "JobFile.h"
#include "VtFileFind.h"
#include "scrivtar/CodePages.h"
#include "scrivtar/Engine.h"
#include "scrivtar/UserLocale.h"

namespace {

using namespace scrivtar;

constexpr const char* kUsage =
    "Usage: scrbatch [--job FILE] [options] [SOURCE...]\n"
    "\n"
    "Without SOURCE: converts every new entry of the job file (default: Scrivtar.job in the\n"
    "program directory) and saves the job file back. With SOURCE: adds the files and\n"
    "directories as Add File and Add directory do and converts them; with --job too, they are\n"
    "added to that job file's list, which is saved back.\n"
    "\n"
    "Options (they override the saved settings for this run only):\n"
    "  -r, --recursive          search directories recursively\n"
    "  --types LIST             file types searched in directories, e.g. pdf,doc,htm\n"
    "  --target-dir DIR         write the text files into DIR\n"
    "  --same-dir               write each text file next to its source\n"
    "  --if-exists POLICY       rename, overwrite or skip an existing text file\n"
    "  -c N, -cN                output code page (65001 UTF-8, 1200 UTF-16LE, 1252, ...)\n"
    "  --page-breaks            PDF: insert page breaks\n"
    "  --text-order N           PDF: 0 reading order, 1 original layout, 2 raw order\n"
    "  --keep-raw               DOC and XLS: keep raw characters\n"
    "  --no-log                 do not write the activity log\n"
    "  -h, --help               show this text\n"
    "\n"
    "Prints one line per entry and the summary; exits 0 when no entry failed, 1 otherwise.\n";

struct Options {
  std::string jobFile;
  std::vector<std::string> sources;
  bool recursive = false;
  std::string types;
  std::string targetDir;
  bool sameDir = false;
  std::string ifExists;
  std::string codePage;
  bool pageBreaks = false;
  std::string textOrder;
  bool keepRaw = false;
  bool noLog = false;
};

bool ParseInt(const std::string& text, int32_t& value) {
  try {
    size_t used = 0;
    long long v = std::stoll(text, &used);
    if (used != text.size() || v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int32_t>(v);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

int Usage(const std::string& problem) {
  std::fprintf(stderr, "scrbatch: %s\n%s", problem.c_str(), kUsage);
  return 1;
}

class ConsoleObserver : public RunObserver {
 public:
  ConsoleObserver(std::vector<FileEntry>& entries, const ActivityLog& log, bool notLog)
      : entries_(entries), log_(log), notLog_(notLog) {}
  void OnEntryResult(size_t index, const FileEntry& entry) override { entries_[index] = entry; }
  void OnLog(const std::string& message) override {
    std::string line = message;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    std::printf("%s\n", line.c_str());
    log_.LogActivity(message, notLog_);
  }

 private:
  std::vector<FileEntry>& entries_;
  const ActivityLog& log_;
  bool notLog_;
};

int Run(int argc, char** argv) {
  Options o;
  std::vector<std::string> args(argv + 1, argv + argc);
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--job") {
      if (!value(o.jobFile)) return Usage("--job needs a file");
    } else if (a == "-r" || a == "--recursive") {
      o.recursive = true;
    } else if (a == "--types") {
      if (!value(o.types)) return Usage("--types needs a list");
    } else if (a == "--target-dir") {
      if (!value(o.targetDir)) return Usage("--target-dir needs a directory");
    } else if (a == "--same-dir") {
      o.sameDir = true;
    } else if (a == "--if-exists") {
      if (!value(o.ifExists)) return Usage("--if-exists needs a policy");
      if (o.ifExists != "rename" && o.ifExists != "overwrite" && o.ifExists != "skip") {
        return Usage("unknown --if-exists policy: " + o.ifExists);
      }
    } else if (a == "-c") {
      if (!value(o.codePage)) return Usage("-c needs a code page");
    } else if (a.rfind("-c", 0) == 0 && a.size() > 2 && a[2] != '-') {
      o.codePage = a.substr(2);
    } else if (a == "--page-breaks") {
      o.pageBreaks = true;
    } else if (a == "--text-order") {
      if (!value(o.textOrder)) return Usage("--text-order needs 0, 1 or 2");
    } else if (a == "--keep-raw") {
      o.keepRaw = true;
    } else if (a == "--no-log") {
      o.noLog = true;
    } else if (a == "--") {
      o.sources.insert(o.sources.end(), args.begin() + static_cast<long>(i) + 1, args.end());
      break;
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option: " + a);
    } else {
      o.sources.push_back(a);
    }
  }

  const UserLocale& locale = UserLocale::Process();
  DesktopPaths paths = ResolveDesktopPaths(DesktopEnvironment::FromProcess());
  DesktopSettings settings =
      LoadSettings(paths.ProgramDir + std::string(kSettingsFileName), paths, locale.ansiCodePage);
  // Overrides for this run; the settings file is never written.
  if (o.recursive) settings.Recursive = true;
  if (!o.types.empty()) {
    settings.SelExt.fill(false);
    size_t pos = 0;
    while (pos <= o.types.size()) {
      size_t end = o.types.find(',', pos);
      if (end == std::string::npos) end = o.types.size();
      std::string name = o.types.substr(pos, end - pos);
      for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (name == "HTML") name = "HTM";
      bool known = false;
      for (int t = 1; t <= kFileTypeCount; ++t) {
        if (FileTypeName(t) == name) settings.SelExt[t - 1] = known = true;
      }
      if (!known) return Usage("unknown type in --types: " + o.types.substr(pos, end - pos));
      pos = end + 1;
    }
  }
  if (!o.targetDir.empty()) {
    settings.TargetDir = std::filesystem::absolute(o.targetDir).lexically_normal().string();
    if (settings.TargetDir.back() != '/') settings.TargetDir += '/';
    settings.SameDir = false;
  }
  if (o.sameDir) settings.SameDir = true;
  if (o.ifExists == "rename") settings.FileOverTp = kAutoRename;
  if (o.ifExists == "overwrite") settings.FileOverTp = kOverwrite;
  if (o.ifExists == "skip") settings.FileOverTp = kCancelExisting;
  if (EffectiveFileOverType(settings.FileOverTp) == kPrompt) settings.FileOverTp = kCancelExisting;
  if (!o.codePage.empty() && !ParseInt(o.codePage, settings.SourceCode)) {
    return Usage("bad code page: " + o.codePage);
  }
  if (o.pageBreaks) settings.PageBreak = true;
  if (!o.textOrder.empty() && !ParseInt(o.textOrder, settings.TextOrder)) {
    return Usage("bad text order: " + o.textOrder);
  }
  if (o.keepRaw) settings.KeepRaw = 1;
  if (o.noLog) settings.NotLog = true;

  ActivityLog log(paths.ProgramDir + std::string(kLogFileName), locale);
  ExtensionLookup lookup = RebuildExtensionLookup(settings);
  FileList list;
  bool useJob = o.sources.empty() || !o.jobFile.empty();
  std::string jobFile =
      o.jobFile.empty() ? paths.ProgramDir + std::string(kJobFileName) : o.jobFile;
  if (useJob) {
    JobFileContents job = LoadJobFile(jobFile, locale.ansiCodePage);
    if (job.Status == JobFileStatus::kBadSignature) {
      std::fprintf(stderr, "scrbatch: %s is not a job file; starting with an empty list\n",
                   jobFile.c_str());
    } else if (job.Status == JobFileStatus::kDamaged) {
      std::fprintf(stderr, "scrbatch: %s is damaged; read %zu entries\n", jobFile.c_str(),
                   job.Entries.size());
    }
    list.Assign(std::move(job.Entries));
  }

  size_t firstNew = list.entries().size();
  AddContext context{settings, lookup, &log};
  auto add = [&](const std::string& path) {
    AddOutcome outcome = list.AddFileToList(path, context);
    if (outcome.Result != AddResult::kAdded) std::printf("%s\n", outcome.StatusText.c_str());
  };
  TVtFileSearch search;
  search.RecurseSubFolders = settings.Recursive;
  search.SearchExts = BuildSearchExts(settings);
  search.OnFileFind = [&](const std::string& folder, const FindInfo& info) {
    add(folder + info.Name);
  };
  for (const std::string& source : o.sources) {
    std::error_code ec;
    std::string path = std::filesystem::absolute(source, ec).lexically_normal().string();
    if (std::filesystem::is_directory(path, ec)) {
      search.SearchDir = path;
      search.Execute();
    } else {
      add(path);
    }
  }
  // With sources, only what they added is converted; a job file's other entries stay as they are.
  std::vector<FileEntry> snapshot = list.entries();
  RunMode mode = RunMode::kConvertAll;
  if (!o.sources.empty()) {
    for (size_t i = 0; i < snapshot.size(); ++i) snapshot[i].Selected = i >= firstNew;
    mode = RunMode::kConvertSelected;
  }

  Engine engine;
  RunParameters parameters = MakeRunParameters(settings, DefaultCodePage(locale));
  ConsoleObserver observer(list.entries(), log, settings.NotLog);
  RunSummary summary = RunConversion(engine, snapshot, mode, parameters, observer);

  int status = summary.Failed == 0 ? 0 : 1;
  if (useJob) {
    std::string error;
    if (!SaveJobFile(jobFile, list.entries(), &error)) {
      std::fprintf(stderr, "scrbatch: the job file was not saved: %s\n", error.c_str());
      status = 1;
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "scrbatch: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "scrbatch: unexpected failure\n");
  }
  return 1;
}
