#include "VtFileFind.h"

#include <dirent.h>
#include <sys/stat.h>

#include <set>
#include <utility>

#include "DesktopSettings.h"

namespace scrivtar {

namespace {

// Deep trees end here rather than at the stack's end.
constexpr int kMaxDepth = 256;

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

struct SearchRun {
  TVtFileSearch& search;
  std::string exts;                           // upper case
  std::set<std::pair<dev_t, ino_t>> visited;  // directories searched in this run

  void Folder(const std::string& folder, int depth) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    if (!visited.emplace(st.st_dev, st.st_ino).second || depth > kMaxDepth) return;
    if (search.OnChangeFolder) search.OnChangeFolder(folder);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (!search.UserStopped()) {
      dirent* entry = ::readdir(dir);
      if (!entry) break;
      std::string name = entry->d_name;
      if (name.empty() || name.front() == '.') continue;  // ".", ".." and hidden names
      std::string full = folder + name;
      struct stat es {};
      if (::stat(full.c_str(), &es) != 0) continue;
      if (S_ISDIR(es.st_mode)) {
        if (search.RecurseSubFolders) Folder(full + "/", depth + 1);
        continue;
      }
      size_t dot = name.rfind('.');
      if (dot == std::string::npos) continue;
      std::string mask = "*" + Upper(std::string_view(name).substr(dot)) + "|";
      if (exts.find(mask) != std::string::npos && search.OnFileFind) {
        search.OnFileFind(folder, FindInfo{name, static_cast<uintmax_t>(es.st_size)});
      }
    }
    ::closedir(dir);
  }
};

}  // namespace

void TVtFileSearch::Execute() {
  userStopped_.store(false);
  SearchRun run{*this, Upper(SearchExts), {}};
  std::string folder = SearchDir;
  if (folder.empty() || folder.back() != '/') folder.push_back('/');
  run.Folder(folder, 0);
  if (OnFinish) OnFinish();
}

std::string BuildSearchExts(const std::array<bool, 10>& ticked,
                            const std::array<std::string, 10>& userFileExt) {
  std::string exts;
  for (int i = 0; i < kFileTypeCount; ++i) {
    if (!ticked[i]) continue;
    exts += std::string(FileTypeTable[i].DefaultMask) + ";";
    if (!userFileExt[i].empty()) exts += userFileExt[i] + ";";
  }
  for (char& c : exts) {
    if (c == ';') c = '|';
  }
  return exts;
}

std::string BuildSearchExts(const DesktopSettings& settings) {
  return BuildSearchExts(settings.SelExt, settings.UserFileExt);
}

std::vector<std::string> SplitDirectoryList(std::string_view addDir) {
  std::vector<std::string> dirs;
  size_t pos = 0;
  while (pos <= addDir.size()) {
    size_t end = addDir.find(';', pos);
    if (end == std::string_view::npos) end = addDir.size();
    if (end > pos) dirs.emplace_back(addDir.substr(pos, end - pos));
    pos = end + 1;
  }
  return dirs;
}

bool ScanDirectories(TVtFileSearch& search, const std::vector<std::string>& directories) {
  for (const std::string& dir : directories) {
    search.SearchDir = dir;
    search.Execute();
    if (search.UserStopped()) return true;
  }
  return false;
}

std::string DoneScanningText(int32_t added) {
  return "Done Scanning, add " + std::to_string(added) + " file(s).";
}

}  // namespace scrivtar
