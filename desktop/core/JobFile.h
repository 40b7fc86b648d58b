// The job file "Scrivtar.job": the file list between program starts.
//
// Current form "LFW": count N (u16), then per entry a text count K (u16, 6), State (i32), a
// caption (u16 byte length, always 0), and K texts (u16 byte length, UTF-16LE): Name, Source,
// Size, Type, Target, Message. Legacy form "LVF" (read only): the same with 8-bit texts in the
// system code page and byte lengths. All little-endian.
//
// Limits of the format and how they are kept: a text is cut to its first 32,767 UTF-16 units
// (never inside a surrogate pair); a list of more than 65,535 entries is written with the count
// 65,535 and every further record after those, and the reader reads records after a count of
// 65,535 until the end of the file, so no entry is lost and an older reader still gets the first
// 65,535.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "FileEntry.h"

namespace scrivtar {

inline constexpr size_t kJobFileMaxCount = 65535;
inline constexpr size_t kJobFileMaxTextUnits = 32767;

enum class JobFileStatus {
  kRead,          // every record read
  kMissing,       // no such file: the list starts empty
  kBadSignature,  // neither "LFW" nor "LVF": ignored, the list starts empty
  kDamaged,       // truncated or damaged: the records before the damage are kept
};

struct JobFileContents {
  JobFileStatus Status = JobFileStatus::kMissing;
  std::vector<FileEntry> Entries;  // nothing selected
};

// Parses job file bytes; never reads past them.
JobFileContents ParseJobFile(std::string_view bytes, int32_t systemCodePage);
JobFileContents LoadJobFile(const std::filesystem::path& file, int32_t systemCodePage);

// The current form of the entries, in their order.
std::string JobFileBytes(const std::vector<FileEntry>& entries);
// Writes through a temporary file in the same directory and a rename, so a failed write leaves
// the old job file; false with a reason in *error.
bool SaveJobFile(const std::filesystem::path& file, const std::vector<FileEntry>& entries,
                 std::string* error = nullptr);

}  // namespace scrivtar
