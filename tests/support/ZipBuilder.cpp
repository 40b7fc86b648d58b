#include "ZipBuilder.h"

#include <libdeflate.h>

#include <stdexcept>

namespace scrivtar::test {

void PutLe16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void PutLe32(std::string& out, uint32_t v) {
  PutLe16(out, static_cast<uint16_t>(v & 0xFFFF));
  PutLe16(out, static_cast<uint16_t>(v >> 16));
}

std::string Deflate(std::string_view data, int level) {
  libdeflate_compressor* c = libdeflate_alloc_compressor(level);
  if (!c) throw std::bad_alloc();
  std::string out(libdeflate_deflate_compress_bound(c, data.size()), '\0');
  size_t n = libdeflate_deflate_compress(c, data.data(), data.size(), out.data(), out.size());
  libdeflate_free_compressor(c);
  out.resize(n);
  return out;
}

std::string EndRecord(uint16_t entries, uint32_t directorySize, uint32_t directoryOffset,
                      std::string_view comment, uint16_t disk) {
  std::string r;
  PutLe32(r, 0x06054B50);
  PutLe16(r, disk);
  PutLe16(r, disk);
  PutLe16(r, entries);
  PutLe16(r, entries);
  PutLe32(r, directorySize);
  PutLe32(r, directoryOffset);
  PutLe16(r, static_cast<uint16_t>(comment.size()));
  r.append(comment);
  return r;
}

ZipBuilder& ZipBuilder::Add(ZipEntrySpec entry) {
  entries_.push_back(std::move(entry));
  return *this;
}

ZipBuilder& ZipBuilder::Add(std::string name, std::string data, uint16_t method) {
  ZipEntrySpec e;
  e.name = std::move(name);
  e.data = std::move(data);
  e.method = method;
  return Add(std::move(e));
}

ZipBuilder& ZipBuilder::Comment(std::string comment) {
  comment_ = std::move(comment);
  return *this;
}

std::string ZipBuilder::Build(ZipLayout* layout) const {
  std::string out, central;
  ZipLayout l;
  for (const ZipEntrySpec& e : entries_) {
    std::string payload = e.method == 8 ? Deflate(e.data) : e.data;
    uint32_t crc =
        e.crc.value_or(static_cast<uint32_t>(libdeflate_crc32(0, e.data.data(), e.data.size())));
    uint32_t csize = e.compressedSize.value_or(static_cast<uint32_t>(payload.size()));
    uint32_t usize = e.uncompressedSize.value_or(static_cast<uint32_t>(e.data.size()));
    uint16_t flags = static_cast<uint16_t>(e.extraFlags | (e.dataDescriptor ? 0x0008 : 0));
    auto offset = static_cast<uint32_t>(out.size());
    l.localOffsets.push_back(offset);
    PutLe32(out, 0x04034B50);
    PutLe16(out, 20);
    PutLe16(out, flags);
    PutLe16(out, e.method);
    PutLe32(out, 0x5A210000);  // 2025-01-01 00:00
    PutLe32(out, e.dataDescriptor ? 0 : crc);
    PutLe32(out, e.dataDescriptor ? 0 : csize);
    PutLe32(out, e.dataDescriptor ? 0 : usize);
    PutLe16(out, static_cast<uint16_t>(e.name.size()));
    PutLe16(out, 0);
    out += e.name;
    out += payload;
    if (e.dataDescriptor) {
      PutLe32(out, 0x08074B50);
      PutLe32(out, crc);
      PutLe32(out, csize);
      PutLe32(out, usize);
    }
    PutLe32(central, 0x02014B50);
    PutLe16(central, e.versionMadeBy);
    PutLe16(central, 20);
    PutLe16(central, flags);
    PutLe16(central, e.method);
    PutLe32(central, 0x5A210000);
    PutLe32(central, crc);
    PutLe32(central, csize);
    PutLe32(central, usize);
    PutLe16(central, static_cast<uint16_t>(e.name.size()));
    PutLe16(central, static_cast<uint16_t>(e.centralExtra.size() + e.phantomCentralExtra));
    PutLe16(central, static_cast<uint16_t>(e.comment.size()));
    PutLe16(central, 0);
    PutLe16(central, 0);
    PutLe32(central, 0);
    PutLe32(central, offset);
    central += e.name;
    central += e.centralExtra;
    central += e.comment;
  }
  l.centralOffset = static_cast<uint32_t>(out.size());
  l.centralSize = static_cast<uint32_t>(central.size());
  out += central;
  l.endOffset = static_cast<uint32_t>(out.size());
  out +=
      EndRecord(static_cast<uint16_t>(entries_.size()), l.centralSize, l.centralOffset, comment_);
  if (layout) *layout = l;
  return out;
}

}  // namespace scrivtar::test
