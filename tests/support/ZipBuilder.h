// A test-side zip writer for byte-level fixtures: entries stored or deflated, with knobs for the
// damage no real writer produces (wrong CRC, lying sizes, data descriptors, announced but missing
// extra fields). Build() gives the whole archive and where its parts start.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scrivtar::test {

struct ZipEntrySpec {
  std::string name;                 // as stored, e.g. "word/document.xml"
  std::string data;                 // uncompressed bytes
  uint16_t method = 8;              // 0 stored, 8 deflated (others are written stored)
  bool dataDescriptor = false;      // flag bit 3: zero CRC and sizes locally, descriptor after data
  uint16_t extraFlags = 0;          // more general-purpose flag bits (1 = encrypted, 0x800 UTF-8)
  uint16_t versionMadeBy = 0x0314;  // host 3 (Unix); 0x0014 for MS-DOS
  std::optional<uint32_t> crc;      // overrides the true CRC-32 (both headers)
  std::optional<uint32_t> compressedSize;    // overrides the central (and local) size
  std::optional<uint32_t> uncompressedSize;  // overrides the central (and local) size
  std::string centralExtra;                  // written extra field
  uint16_t phantomCentralExtra = 0;          // announced in the central header but not written
  std::string comment;
};

struct ZipLayout {
  std::vector<uint32_t> localOffsets;
  uint32_t centralOffset = 0;
  uint32_t centralSize = 0;
  uint32_t endOffset = 0;
};

class ZipBuilder {
 public:
  ZipBuilder& Add(ZipEntrySpec entry);
  ZipBuilder& Add(std::string name, std::string data, uint16_t method = 8);
  ZipBuilder& Comment(std::string comment);
  std::string Build(ZipLayout* layout = nullptr) const;

 private:
  std::vector<ZipEntrySpec> entries_;
  std::string comment_;
};

// Raw DEFLATE (RFC 1951) of data at the given level, through libdeflate.
std::string Deflate(std::string_view data, int level = 6);
// An end of central directory record.
std::string EndRecord(uint16_t entries, uint32_t directorySize, uint32_t directoryOffset,
                      std::string_view comment = {}, uint16_t disk = 0);
void PutLe16(std::string& out, uint16_t v);
void PutLe32(std::string& out, uint32_t v);

}  // namespace scrivtar::test
