// The parsed Compound File Binary container behind the compound document reader: header, FAT
// (with its DIFAT beyond the first 109 entries), mini FAT and mini stream, and the directory.
// Every sector number, chain and directory entry is checked against the bytes of the file;
// a damaged chain ends where the damage starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileBytes.h"

namespace scrivtar::cfb {

// A run of stream bytes that lie one after another in the file.
struct Extent {
  uint64_t streamOffset;
  uint64_t fileOffset;
  uint64_t length;
};

// One stream: where its bytes lie in the file and how many of them there are.
class StreamData {
 public:
  StreamData(std::shared_ptr<const platform::FileBytes> file, std::vector<Extent> extents);

  // The true size: the directory entry's size, cut to the bytes its chain really covers.
  uint64_t size() const { return size_; }
  // Copies up to count bytes from offset; the number copied (0 at or past the end).
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) const;
  // Where the stream byte at offset lies in the file and how many bytes follow it in the same
  // run; false past the end.
  bool Locate(uint64_t offset, uint64_t* fileOffset, uint64_t* runLength) const;
  // The file's bytes from the stream byte at offset to the end of its run, at most maxCount;
  // nullptr past the end.
  const uint8_t* View(uint64_t offset, size_t maxCount, size_t* count) const;

 private:
  std::shared_ptr<const platform::FileBytes> file_;
  std::vector<Extent> extents_;
  uint64_t size_ = 0;
};

enum class OpenStatus { kOk, kNotFound, kNotCompound, kDamaged };

// The 8-byte signature every compound document starts with.
bool HasCompoundSignature(const uint8_t* bytes, size_t size);

class CompoundFile {
 public:
  // The size of a compound file header (all of it must be present).
  static constexpr size_t kHeaderSize = 512;

  // Parses the container; nullptr with the reason in *status.
  static std::shared_ptr<const CompoundFile> Open(std::shared_ptr<const platform::FileBytes> file,
                                                  OpenStatus* status);

  // The stream of that name that lies directly in the root storage (names compare without regard
  // to letter case), or nullptr.
  std::shared_ptr<const StreamData> OpenRootStream(std::u16string_view name) const;

  uint32_t sectorSize() const { return sectorSize_; }

  struct DirectoryEntry {
    std::u16string name;
    uint8_t type = 0;  // 1 storage, 2 stream, 5 root
    uint32_t left = 0, right = 0, child = 0;
    uint32_t startSector = 0;
    uint64_t size = 0;
  };

 private:
  CompoundFile() = default;
  bool Parse();
  bool LoadFat();
  std::vector<uint32_t> WalkChain(const std::vector<uint32_t>& table, uint32_t start,
                                  size_t maxCount) const;
  std::vector<Extent> SectorExtents(uint32_t start, uint64_t size) const;
  std::vector<Extent> MiniSectorExtents(uint32_t start, uint64_t size) const;
  std::shared_ptr<const StreamData> MakeStream(const DirectoryEntry& entry) const;

  std::shared_ptr<const platform::FileBytes> file_;
  uint32_t sectorShift_ = 9;
  uint32_t sectorSize_ = 512;
  bool version4_ = false;
  uint64_t fileSectors_ = 0;  // sectors that start inside the file
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> miniFat_;
  std::shared_ptr<const StreamData> miniStream_;
  std::vector<DirectoryEntry> directory_;
};

}  // namespace scrivtar::cfb
