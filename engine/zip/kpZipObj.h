// Zip directory records: the end of central directory record, one header per entry, and the
// entry list kept in archive order (disk number, then local header offset).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace scrivtar {

// The end of central directory record as read (22 bytes plus comment).
struct TEndCentral {
  uint32_t signature = 0;
  uint16_t thisDisk = 0;
  uint16_t startDisk = 0;
  uint16_t entriesOnDisk = 0;
  uint16_t totalEntries = 0;
  uint32_t directorySize = 0;
  uint32_t directoryOffset = 0;
  uint16_t commentLength = 0;
  std::string comment;         // loaded only when asked for
  uint64_t commentOffset = 0;  // end record position + 22
};

// One entry of the central directory (or of the directory rebuilt from local headers).
struct TZipHeaderInfo {
  uint16_t versionMadeBy = 0;  // low byte: format version; high byte: host system (0 = MS-DOS)
  uint16_t versionNeeded = 0;
  uint16_t flags = 0;              // bit 0 encrypted, bit 3 data descriptor, bit 11 UTF-8 name
  uint16_t compressionMethod = 0;  // 0 stored, 8 deflated
  uint32_t dateTime = 0;           // MS-DOS time and date
  uint32_t crc32 = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t fileNameLength = 0;
  uint16_t centralExtraLength = 0;
  uint16_t localExtraLength = 0;
  uint16_t commentLength = 0;
  uint16_t diskNumberStart = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  uint32_t localHeaderOffset = 0;
  uint32_t centralHeaderOffset = 0;
  std::string fileName;   // the last path component
  std::string directory;  // the rest, ending in "\" when not empty
  std::string comment;    // loaded only when asked for
  bool selected = false;

  bool IsEncrypted() const { return (flags & 0x0001) != 0; }
  bool HasDataDescriptor() const { return (flags & 0x0008) != 0; }
  // directory + fileName: what lookups compare against, e.g. "word\document.xml".
  std::string StoredPath() const { return directory + fileName; }
};

// The entry list in the order the system keeps (ByNone): ascending disk number start, then
// ascending local header offset. Two entries with the same disk and offset are refused, which
// is how an overlapping or repeated directory is noticed. Lookup by stored path ignores the
// letter case of A to Z and costs one hash probe.
class TSortedZip {
 public:
  // False (and the entry dropped) when an entry with the same disk and offset is present.
  bool Insert(TZipHeaderInfo entry);
  void Clear();

  int Count() const { return static_cast<int>(entries_.size()); }
  const TZipHeaderInfo& Item(int index) const;
  TZipHeaderInfo& Item(int index);
  // Index of the entry with this local header offset (disk 0), or -1.
  int IndexOfOffset(uint32_t localHeaderOffset) const;

  // Indexes, in list order, of the entries with a non-empty file name whose stored path equals
  // name apart from the letter case of A to Z.
  std::vector<int> Matching(std::string_view name) const;

 private:
  void EnsureOrdered() const;
  void RebuildIndex() const;

  // Entries arrive in directory order, which is nearly always archive order already; they are
  // sorted once before the first access instead of on every insertion.
  mutable std::vector<TZipHeaderInfo> entries_;
  mutable bool ordered_ = true;
  std::unordered_set<uint64_t> positions_;  // (disk << 32 | offset) of every entry
  // Lower-cased stored path to the indexes of its entries; rebuilt lazily after changes.
  mutable std::unordered_map<std::string, std::vector<int>> byPath_;
  mutable bool indexStale_ = true;
};

// "A" to "Z" become "a" to "z"; every other byte stays.
std::string LowerAscii(std::string_view text);

}  // namespace scrivtar
