#include "FileList.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "ActivityLog.h"
#include "DesktopSettings.h"

namespace scrivtar {

const std::array<std::string_view, kColumnCount> kColumnCaptions = {
    "State", "Name", "Source file", "Size(Byte)", "Type", "Target file", "Convert Message"};

namespace {

std::string Normalised(std::string_view path) {
  return std::filesystem::path(std::string(path)).lexically_normal().string();
}

int64_t SizeValue(const std::string& size) {
  int64_t v = 0;
  std::from_chars(size.data(), size.data() + size.size(), v);
  return v;
}

int CompareNoCase(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareColumn(const FileEntry& a, const FileEntry& b, int column) {
  auto numeric = [](int64_t x, int64_t y) { return x < y ? -1 : (x > y ? 1 : 0); };
  switch (column) {
    case 0:
      return numeric(a.State, b.State);
    case 1:
      return CompareNoCase(a.Name, b.Name);
    case 2:
      return CompareNoCase(a.Source, b.Source);
    case 3:
      return numeric(SizeValue(a.Size), SizeValue(b.Size));
    case 4:
      return CompareNoCase(a.Type, b.Type);
    case 5:
      return CompareNoCase(a.Target, b.Target);
    default:
      return CompareNoCase(a.Message, b.Message);
  }
}

}  // namespace

FileList::FileList() {
  for (int i = 0; i < kColumnCount; ++i) captions_[i] = std::string(kColumnCaptions[i]);
}

std::string FileList::FileCountText() const {
  return std::to_string(FileCount()) + " File(s)";
}

void FileList::Assign(std::vector<FileEntry> entries) {
  entries_ = std::move(entries);
  for (FileEntry& e : entries_) e.Selected = false;
  focused_ = -1;
}

AddOutcome FileList::AddFileToList(std::string_view path, const AddContext& context) {
  AddOutcome outcome;
  std::string wanted = Normalised(path);
  for (const FileEntry& e : entries_) {
    if (Normalised(e.Source) == wanted) {
      outcome.Result = AddResult::kAlreadyAdded;
      outcome.StatusText = "File [" + std::string(path) + "] already added!";
      if (context.Log) {
        context.Log->LogActivity(AddFailedAlreadyAddedLine(path), context.Settings.NotLog);
      }
      return outcome;
    }
  }
  int type = FileTypeOfExtension(context.Lookup, ExtensionPart(path));
  if (type == 0) {
    outcome.Result = AddResult::kTypeNotSupported;
    outcome.StatusText = "File [" + std::string(path) + "] type not support!";
    if (context.Log) {
      context.Log->LogActivity(AddFailedTypeNotSupportLine(path), context.Settings.NotLog);
    }
    return outcome;
  }
  FileEntry entry;
  entry.State = kStateNew;
  entry.Selected = true;
  entry.Name = std::string(FileNamePart(path));
  entry.Source = std::string(path);
  std::error_code ec;
  uintmax_t size = std::filesystem::file_size(std::string(path), ec);
  entry.Size = ec ? "0" : std::to_string(size);
  entry.Type = std::string(FileTypeName(type));
  entry.Target = TargetPathFor(path, context.Settings);
  entries_.push_back(std::move(entry));
  focused_ = static_cast<std::ptrdiff_t>(entries_.size()) - 1;
  return outcome;
}

size_t FileList::DeleteSelected() {
  size_t before = entries_.size();
  std::erase_if(entries_, [](const FileEntry& e) { return e.Selected; });
  focused_ = -1;
  return before - entries_.size();
}

void FileList::SelectAll() {
  for (FileEntry& e : entries_) e.Selected = true;
}

void FileList::ClearSelection() {
  for (FileEntry& e : entries_) e.Selected = false;
}

size_t FileList::SelectedCount() const {
  return static_cast<size_t>(std::count_if(entries_.begin(), entries_.end(),
                                           [](const FileEntry& e) { return e.Selected; }));
}

std::string FileList::SelectionText() const {
  return "Select " + std::to_string(SelectedCount()) + " file(s).";
}

std::ptrdiff_t FileList::FirstSelectedIndex() const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].Selected) return static_cast<std::ptrdiff_t>(i);
  }
  return -1;
}

std::ptrdiff_t FileList::VisibleIndex() const {
  if (focused_ >= 0 && focused_ < static_cast<std::ptrdiff_t>(entries_.size())) return focused_;
  return FirstSelectedIndex();
}

void FileList::SortByColumn(int column) {
  if (column < 0 || column >= kColumnCount) return;
  for (std::string& caption : captions_) {
    if (!caption.empty() && caption.front() == '(') caption.erase(0, 4);
  }
  if (column != sortColumn_) sortAscending_ = true;
  captions_[column].insert(0, sortAscending_ ? "(->)" : "(<-)");
  sortColumn_ = column;
  bool ascending = sortAscending_;
  std::stable_sort(entries_.begin(), entries_.end(),
                   [column, ascending](const FileEntry& a, const FileEntry& b) {
                     int c = CompareColumn(a, b, column);
                     return ascending ? c < 0 : c > 0;
                   });
  focused_ = -1;
  sortAscending_ = !sortAscending_;
}

ActionStates FileList::EnabledStates() const {
  ActionStates s;
  for (const FileEntry& e : entries_) {
    if (e.State == kStateNew) s.ConvertAll = true;
    if (e.Selected) {
      s.Delete = true;
      if (e.State == kStateNew)
        s.ConvertSelected = true;
      else
        s.ReConvert = true;
    }
  }
  return s;
}

}  // namespace scrivtar
