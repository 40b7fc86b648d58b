// The file list of the main window without its drawing: the entries in screen order, adding
// with duplicate and type refusal, delete, select all, the column sort with its caption
// markers, and the enabled states of the actions.
//
// The list belongs to the thread that shows it. Workers (the batch run, the directory scan)
// never touch it: they work on snapshots and hand their results back (BatchRun.h, VtFileFind.h),
// and the owner applies them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FileEntry.h"

namespace scrivtar {

struct DesktopSettings;
struct ExtensionLookup;
class ActivityLog;

inline constexpr int kColumnCount = 7;
// The plain captions of the list's columns: "State", "Name", "Source file", "Size(Byte)",
// "Type", "Target file", "Convert Message".
extern const std::array<std::string_view, kColumnCount> kColumnCaptions;

enum class AddResult { kAdded, kAlreadyAdded, kTypeNotSupported };

// What AddFileToList did. statusText is for the status bar's message panel ("" when added);
// the log line has already been written when there is one.
struct AddOutcome {
  AddResult Result = AddResult::kAdded;
  std::string StatusText;  // "File [path] already added!" or "File [path] type not support!"
};

// What the adding needs: the settings for the target path, the extension lookup and the log.
struct AddContext {
  const DesktopSettings& Settings;
  const ExtensionLookup& Lookup;
  const ActivityLog* Log = nullptr;  // nullptr: nothing is logged
};

// The enabled states of the actions, recomputed when a menu opens.
struct ActionStates {
  bool ConvertAll = false;       // some entry has State 0
  bool ConvertSelected = false;  // some selected entry has State 0
  bool ReConvert = false;        // some selected entry has State other than 0
  bool Delete = false;           // some entry is selected; Launch and Explore follow it
};

class FileList {
 public:
  FileList();

  std::vector<FileEntry>& entries() { return entries_; }
  const std::vector<FileEntry>& entries() const { return entries_; }
  // The number shown as FileCount + " File(s)".
  int32_t FileCount() const { return static_cast<int32_t>(entries_.size()); }
  // "N File(s)" for the status bar's count panel.
  std::string FileCountText() const;

  // Replaces every entry (job file load); nothing selected, no focus.
  void Assign(std::vector<FileEntry> entries);

  // The one way an entry enters the list: refused when the same path (lexically normalised,
  // compared exactly) is listed, or when its extension has no file type; otherwise appended
  // as new, selected and focused. Size comes from the file system ("0" when it cannot be read).
  AddOutcome AddFileToList(std::string_view path, const AddContext& context);

  // Removes the selected entries; returns how many.
  size_t DeleteSelected();
  void SelectAll();
  void ClearSelection();
  size_t SelectedCount() const;
  // "Select N file(s)."
  std::string SelectionText() const;

  // The focused entry (the last one added), -1 when none.
  std::ptrdiff_t FocusedIndex() const { return focused_; }
  void SetFocusedIndex(std::ptrdiff_t index) { focused_ = index; }
  // The focused entry, else the first selected one, else -1: the row to make visible.
  std::ptrdiff_t VisibleIndex() const;
  // The first selected entry, -1 when none (Launch and Explore use it).
  std::ptrdiff_t FirstSelectedIndex() const;

  // A click on a column header: the markers "(->)" / "(<-)" move to the clicked column, a
  // second click on the same column sorts the other way. State and Size compare as numbers,
  // the other columns as text without regard to letter case. The sort is stable.
  void SortByColumn(int column);
  int SortColumn() const { return sortColumn_; }
  bool SortAscending() const { return sortAscending_; }
  const std::array<std::string, kColumnCount>& Captions() const { return captions_; }

  ActionStates EnabledStates() const;

 private:
  std::vector<FileEntry> entries_;
  std::ptrdiff_t focused_ = -1;
  int sortColumn_ = -1;
  bool sortAscending_ = true;
  std::array<std::string, kColumnCount> captions_;
};

}  // namespace scrivtar
