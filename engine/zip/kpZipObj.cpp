#include "zip/kpZipObj.h"

#include <algorithm>
#include <tuple>

namespace scrivtar {

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return lower;
}

bool TSortedZip::Insert(TZipHeaderInfo entry) {
  uint64_t key = (static_cast<uint64_t>(entry.diskNumberStart) << 32) | entry.localHeaderOffset;
  if (!positions_.insert(key).second) return false;
  if (!entries_.empty()) {
    const TZipHeaderInfo& last = entries_.back();
    if (std::tie(last.diskNumberStart, last.localHeaderOffset) >
        std::tie(entry.diskNumberStart, entry.localHeaderOffset)) {
      ordered_ = false;
    }
  }
  entries_.push_back(std::move(entry));
  indexStale_ = true;
  return true;
}

void TSortedZip::Clear() {
  entries_.clear();
  positions_.clear();
  byPath_.clear();
  ordered_ = true;
  indexStale_ = true;
}

void TSortedZip::EnsureOrdered() const {
  if (ordered_) return;
  std::stable_sort(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) {
    return std::tie(a.diskNumberStart, a.localHeaderOffset) <
           std::tie(b.diskNumberStart, b.localHeaderOffset);
  });
  ordered_ = true;
  indexStale_ = true;
}

const TZipHeaderInfo& TSortedZip::Item(int index) const {
  EnsureOrdered();
  return entries_[static_cast<size_t>(index)];
}

TZipHeaderInfo& TSortedZip::Item(int index) {
  EnsureOrdered();
  indexStale_ = true;  // the caller may change the name
  return entries_[static_cast<size_t>(index)];
}

int TSortedZip::IndexOfOffset(uint32_t localHeaderOffset) const {
  EnsureOrdered();
  auto it = std::lower_bound(entries_.begin(), entries_.end(), localHeaderOffset,
                             [](const TZipHeaderInfo& e, uint32_t offset) {
                               return std::tie(e.diskNumberStart, e.localHeaderOffset) <
                                      std::make_tuple(uint16_t{0}, offset);
                             });
  if (it == entries_.end() || it->diskNumberStart != 0 ||
      it->localHeaderOffset != localHeaderOffset)
    return -1;
  return static_cast<int>(it - entries_.begin());
}

void TSortedZip::RebuildIndex() const {
  EnsureOrdered();
  if (!indexStale_) return;
  byPath_.clear();
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].fileName.empty()) continue;  // directory entries are never selected
    byPath_[LowerAscii(entries_[i].StoredPath())].push_back(static_cast<int>(i));
  }
  indexStale_ = false;
}

std::vector<int> TSortedZip::Matching(std::string_view name) const {
  RebuildIndex();
  auto it = byPath_.find(LowerAscii(name));
  if (it == byPath_.end()) return {};
  return it->second;
}

}  // namespace scrivtar
