// A test-side writer of Compound File Binary containers: streams by name (nested storages with
// "Storage/Stream"), version 3 or 4 sectors, the mini stream for streams under 4,096 bytes, the
// DIFAT once there are more than 109 FAT sectors, and hooks for deliberate damage on the result.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace scrivtar::test {

// A built container, with where its parts went so that a test can damage them.
struct CfbImage {
  struct Place {
    uint32_t directoryIndex = 0;
    uint32_t firstSector = 0;  // a mini sector number when mini is set
    bool mini = false;
  };

  std::string bytes;
  uint32_t sectorSize = 512;
  std::map<std::string, Place> streams;  // by the name given to AddStream
  std::vector<uint32_t> fatSectors;      // in FAT order
  uint32_t firstDirectorySector = 0;

  size_t SectorOffset(uint32_t sector) const { return (size_t{sector} + 1) * sectorSize; }
  uint32_t FatEntry(uint32_t sector) const;
  void SetFatEntry(uint32_t sector, uint32_t next);
  // Rewrites the size field of a stream's directory entry.
  void SetStreamSize(const std::string& name, uint64_t size);
  void SetHeaderField32(size_t offset, uint32_t value);
};

class CfbBuilder {
 public:
  explicit CfbBuilder(int majorVersion = 3) : majorVersion_(majorVersion) {}

  // Adds a stream; "A/B" puts stream B into storage A (created on first use).
  CfbBuilder& AddStream(const std::string& name, std::string bytes);
  CfbBuilder& AddStream(const std::u16string& name, std::string bytes);
  // Declares this many more FAT sectors than the file needs (all free), e.g. 110 to force a
  // DIFAT sector even for a small file.
  CfbBuilder& PadFatSectors(uint32_t count) {
    padFatSectors_ = count;
    return *this;
  }

  CfbImage Build() const;

 private:
  struct Item {
    std::u16string path;  // "/"-separated
    std::string key;      // the name as given
    std::string bytes;
  };
  int majorVersion_;
  uint32_t padFatSectors_ = 0;
  std::vector<Item> items_;
};

// Little-endian helpers for byte-level fixtures.
void PutLe16(std::string& bytes, size_t offset, uint16_t value);
void PutLe32(std::string& bytes, size_t offset, uint32_t value);
void AppendLe16(std::string& bytes, uint16_t value);
void AppendLe32(std::string& bytes, uint32_t value);
uint32_t GetLe32(const std::string& bytes, size_t offset);

}  // namespace scrivtar::test
