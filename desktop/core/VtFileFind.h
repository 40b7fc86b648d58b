// The file search of Add directory: TVtFileSearch walks one directory (and its subdirectories
// when asked) and reports matching files through its events; the scan helpers build its masks
// from the ticked types and walk the ";"-joined directory list.
//
// Threading: Execute may run on a worker thread; the events fire on that thread, so the window
// forwards OnFileFind to its own thread, where AddFileToList runs. Stop() may be called from any
// thread; the search ends at its next directory entry.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace scrivtar {

struct DesktopSettings;

// What the search knows of a found file.
struct FindInfo {
  std::string Name;  // the file name inside the folder
  uintmax_t Size = 0;
};

class TVtFileSearch {
 public:
  using FindFileEvent = std::function<void(const std::string& fullpath, const FindInfo& info)>;
  using ChangeFolderEvent = std::function<void(const std::string& fullpath)>;
  using NotifyEvent = std::function<void()>;

  std::string SearchDir;   // directory to search
  std::string SearchExts;  // "*.pdf|*.htm|*.html|": masks, each followed by "|"
  bool RecurseSubFolders = true;
  FindFileEvent OnFileFind;          // fullpath: the folder, ending in "/"; info: the file's name
  ChangeFolderEvent OnChangeFolder;  // a folder is about to be searched; ends in "/"
  NotifyEvent OnFinish;              // the search has ended, stopped or not

  // Searches SearchDir. Names beginning with "." are hidden and left out; a directory already
  // searched in this run (a symbolic-link loop) is not searched again; a folder that cannot be
  // read yields nothing.
  void Execute();
  // Sets UserStopped; the running search ends at its next directory entry.
  void Stop() { userStopped_.store(true); }
  bool UserStopped() const { return userStopped_.load(); }

 private:
  std::atomic<bool> userStopped_{false};
};

// The masks of the ticked types (SelExt) with their user extensions, joined by "|", each
// followed by "|": with PDF and HTM ticked, "*.pdf|*.htm|*.html|".
std::string BuildSearchExts(const DesktopSettings& settings);
std::string BuildSearchExts(const std::array<bool, 10>& ticked,
                            const std::array<std::string, 10>& userFileExt);

// AddDir split at ";"; empty entries are skipped (an empty entry never means the root).
std::vector<std::string> SplitDirectoryList(std::string_view addDir);

// Searches each directory in order with the search's masks and recursion, and leaves the loop
// when the user stopped during a directory. True when it was stopped.
bool ScanDirectories(TVtFileSearch& search, const std::vector<std::string>& directories);

// "Done Scanning, add N file(s)."
std::string DoneScanningText(int32_t added);

}  // namespace scrivtar
