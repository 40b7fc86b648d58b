#include "CfbBuilder.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace scrivtar::test {

namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint32_t kFatSector = 0xFFFFFFFD;
constexpr uint32_t kDifatSector = 0xFFFFFFFC;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr uint32_t kMiniSectorSize = 64;
constexpr size_t kMiniCutoff = 4096;

struct Node {
  std::u16string name;
  uint8_t type = 2;  // 1 storage, 2 stream, 5 root
  std::vector<uint32_t> children;
  const std::string* data = nullptr;
  std::string key;
  uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
  uint32_t start = kEndOfChain;
  uint64_t size = 0;
  bool mini = false;
};

char16_t Upper(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

// The order of siblings in a directory tree: shorter names first, then by upper-case units.
bool NameLess(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return Upper(a[i]) < Upper(b[i]);
  }
  return false;
}

uint32_t Ceil(uint64_t value, uint64_t unit) {
  return static_cast<uint32_t>((value + unit - 1) / unit);
}

}  // namespace

void PutLe16(std::string& bytes, size_t offset, uint16_t value) {
  bytes[offset] = static_cast<char>(value & 0xFF);
  bytes[offset + 1] = static_cast<char>(value >> 8);
}

void PutLe32(std::string& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void AppendLe16(std::string& bytes, uint16_t value) {
  bytes.push_back(static_cast<char>(value & 0xFF));
  bytes.push_back(static_cast<char>(value >> 8));
}

void AppendLe32(std::string& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetLe32(const std::string& bytes, size_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
  return value;
}

uint32_t CfbImage::FatEntry(uint32_t sector) const {
  uint32_t perSector = sectorSize / 4;
  return GetLe32(bytes, SectorOffset(fatSectors.at(sector / perSector)) + 4 * (sector % perSector));
}

void CfbImage::SetFatEntry(uint32_t sector, uint32_t next) {
  uint32_t perSector = sectorSize / 4;
  PutLe32(bytes, SectorOffset(fatSectors.at(sector / perSector)) + 4 * (sector % perSector), next);
}

void CfbImage::SetStreamSize(const std::string& name, uint64_t size) {
  uint32_t index = streams.at(name).directoryIndex;
  // Directory entries follow each other in the directory's first sectors (the builder writes
  // them contiguously).
  size_t offset = SectorOffset(firstDirectorySector) + size_t{index} * 128 + 0x78;
  PutLe32(bytes, offset, static_cast<uint32_t>(size));
  PutLe32(bytes, offset + 4, static_cast<uint32_t>(size >> 32));
}

void CfbImage::SetHeaderField32(size_t offset, uint32_t value) {
  PutLe32(bytes, offset, value);
}

CfbBuilder& CfbBuilder::AddStream(const std::string& name, std::string bytes) {
  items_.push_back({std::u16string(name.begin(), name.end()), name, std::move(bytes)});
  return *this;
}

CfbBuilder& CfbBuilder::AddStream(const std::u16string& name, std::string bytes) {
  std::string key;
  for (char16_t c : name) key.push_back(static_cast<char>(c));
  items_.push_back({name, key, std::move(bytes)});
  return *this;
}

CfbImage CfbBuilder::Build() const {
  const uint32_t sectorSize = majorVersion_ == 4 ? 4096 : 512;
  const uint32_t perSector = sectorSize / 4;

  // The directory: the root, then storages and streams in the order they were named.
  std::vector<Node> nodes(1);
  nodes[0].name = u"Root Entry";
  nodes[0].type = 5;
  for (const Item& item : items_) {
    uint32_t parent = 0;
    size_t begin = 0;
    while (true) {
      size_t slash = item.path.find(u'/', begin);
      std::u16string part = item.path.substr(begin, slash - begin);
      bool last = slash == std::u16string::npos;
      uint32_t found = kNoStream;
      for (uint32_t c : nodes[parent].children) {
        if (nodes[c].name == part) found = c;
      }
      if (found == kNoStream || last) {
        Node node;
        node.name = part;
        node.type = last ? 2 : 1;
        if (last) {
          node.data = &item.bytes;
          node.key = item.key;
        }
        nodes.push_back(std::move(node));
        found = static_cast<uint32_t>(nodes.size() - 1);
        nodes[parent].children.push_back(found);
      }
      if (last) break;
      parent = found;
      begin = slash + 1;
    }
  }
  // Each storage's children as a balanced binary search tree in the format's name order.
  std::function<uint32_t(std::vector<uint32_t>&, size_t, size_t)> buildTree =
      [&](std::vector<uint32_t>& sorted, size_t lo, size_t hi) -> uint32_t {
    if (lo >= hi) return kNoStream;
    size_t mid = (lo + hi) / 2;
    uint32_t index = sorted[mid];
    nodes[index].left = buildTree(sorted, lo, mid);
    nodes[index].right = buildTree(sorted, mid + 1, hi);
    return index;
  };
  for (Node& node : nodes) {
    std::vector<uint32_t> sorted = node.children;
    std::sort(sorted.begin(), sorted.end(),
              [&](uint32_t a, uint32_t b) { return NameLess(nodes[a].name, nodes[b].name); });
    node.child = buildTree(sorted, 0, sorted.size());
  }

  // Mini stream and mini FAT for the small streams.
  std::string miniStream;
  std::vector<uint32_t> miniFat;
  for (Node& node : nodes) {
    if (node.type != 2) continue;
    node.size = node.data->size();
    if (node.size == 0 || node.size >= kMiniCutoff) continue;
    node.mini = true;
    uint32_t first = static_cast<uint32_t>(miniFat.size());
    uint32_t count = Ceil(node.size, kMiniSectorSize);
    for (uint32_t i = 0; i < count; ++i) {
      miniFat.push_back(i + 1 < count ? first + i + 1 : kEndOfChain);
    }
    node.start = first;
    miniStream += *node.data;
    miniStream.resize(miniFat.size() * kMiniSectorSize, '\0');
  }

  // Sector counts: directory, mini FAT, mini stream, then the large streams.
  uint32_t dirSectors = Ceil(nodes.size() * 128, sectorSize);
  uint32_t miniFatSectors = Ceil(miniFat.size() * 4, sectorSize);
  uint32_t miniStreamSectors = Ceil(miniStream.size(), sectorSize);
  uint32_t dataSectors = dirSectors + miniFatSectors + miniStreamSectors;
  for (const Node& node : nodes) {
    if (node.type == 2 && !node.mini) dataSectors += Ceil(node.size, sectorSize);
  }
  uint32_t fatCount = 1, difatCount = 0;
  while (true) {
    difatCount = fatCount > 109 ? Ceil(fatCount - 109, perSector - 1) : 0;
    if (uint64_t{fatCount} * perSector >= uint64_t{dataSectors} + fatCount + difatCount) break;
    ++fatCount;
  }
  fatCount += padFatSectors_;
  difatCount = fatCount > 109 ? Ceil(fatCount - 109, perSector - 1) : 0;

  CfbImage image;
  image.sectorSize = sectorSize;
  std::vector<uint32_t> fat(size_t{fatCount} * perSector, kFreeSector);
  uint32_t next = 0;
  auto allocate = [&](uint32_t count) {
    uint32_t first = next;
    for (uint32_t i = 0; i < count; ++i)
      fat[first + i] = i + 1 < count ? first + i + 1 : kEndOfChain;
    next += count;
    return count ? first : kEndOfChain;
  };
  for (uint32_t i = 0; i < fatCount; ++i) {
    image.fatSectors.push_back(next);
    fat[next++] = kFatSector;
  }
  std::vector<uint32_t> difatSectors;
  for (uint32_t i = 0; i < difatCount; ++i) {
    difatSectors.push_back(next);
    fat[next++] = kDifatSector;
  }
  uint32_t dirStart = allocate(dirSectors);
  uint32_t miniFatStart = allocate(miniFatSectors);
  uint32_t miniStreamStart = allocate(miniStreamSectors);
  nodes[0].start = miniStreamStart;
  nodes[0].size = miniStream.size();
  for (Node& node : nodes) {
    if (node.type == 2 && !node.mini) node.start = allocate(Ceil(node.size, sectorSize));
  }
  image.firstDirectorySector = dirStart;

  // The file: header sector, then every sector in order.
  std::string& out = image.bytes;
  out.assign(size_t{sectorSize} * (next + 1), '\0');
  static const char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
  out.replace(0, 8, kSignature, 8);
  PutLe16(out, 0x18, 0x3E);
  PutLe16(out, 0x1A, static_cast<uint16_t>(majorVersion_));
  PutLe16(out, 0x1C, 0xFFFE);
  PutLe16(out, 0x1E, majorVersion_ == 4 ? 12 : 9);
  PutLe16(out, 0x20, 6);
  PutLe32(out, 0x28, majorVersion_ == 4 ? dirSectors : 0);
  PutLe32(out, 0x2C, fatCount);
  PutLe32(out, 0x30, dirStart);
  PutLe32(out, 0x38, kMiniCutoff);
  PutLe32(out, 0x3C, miniFatStart);
  PutLe32(out, 0x40, miniFatSectors);
  PutLe32(out, 0x44, difatCount ? difatSectors[0] : kEndOfChain);
  PutLe32(out, 0x48, difatCount);
  for (uint32_t i = 0; i < 109; ++i) {
    PutLe32(out, 0x4C + 4 * i, i < fatCount ? image.fatSectors[i] : kFreeSector);
  }
  for (uint32_t d = 0; d < difatCount; ++d) {
    size_t base = image.SectorOffset(difatSectors[d]);
    for (uint32_t i = 0; i + 1 < perSector; ++i) {
      uint32_t index = 109 + d * (perSector - 1) + i;
      PutLe32(out, base + 4 * i, index < fatCount ? image.fatSectors[index] : kFreeSector);
    }
    PutLe32(out, base + 4 * (perSector - 1),
            d + 1 < difatCount ? difatSectors[d + 1] : kEndOfChain);
  }
  for (size_t i = 0; i < fat.size(); ++i) {
    PutLe32(out, image.SectorOffset(image.fatSectors[i / perSector]) + 4 * (i % perSector), fat[i]);
  }
  auto writeRun = [&](uint32_t start, const std::string& data) {
    if (!data.empty()) out.replace(image.SectorOffset(start), data.size(), data);
  };
  std::string miniFatBytes;
  for (uint32_t entry : miniFat) AppendLe32(miniFatBytes, entry);
  writeRun(miniFatStart, miniFatBytes);
  writeRun(miniStreamStart, miniStream);

  std::string directory(size_t{dirSectors} * sectorSize, '\0');
  for (size_t i = 0; i < directory.size() / 128; ++i) {
    size_t base = i * 128;
    if (i >= nodes.size()) {  // unused entries
      PutLe32(directory, base + 0x44, kNoStream);
      PutLe32(directory, base + 0x48, kNoStream);
      PutLe32(directory, base + 0x4C, kNoStream);
      continue;
    }
    const Node& node = nodes[i];
    size_t chars = std::min<size_t>(node.name.size(), 31);
    for (size_t c = 0; c < chars; ++c) PutLe16(directory, base + 2 * c, node.name[c]);
    PutLe16(directory, base + 0x40, static_cast<uint16_t>((chars + 1) * 2));
    directory[base + 0x42] = static_cast<char>(node.type);
    directory[base + 0x43] = 1;  // black
    PutLe32(directory, base + 0x44, node.left);
    PutLe32(directory, base + 0x48, node.right);
    PutLe32(directory, base + 0x4C, node.type == 2 ? kNoStream : node.child);
    PutLe32(directory, base + 0x74, node.type == 1 ? 0 : node.start);
    PutLe32(directory, base + 0x78, static_cast<uint32_t>(node.size));
    if (node.type == 2) image.streams[node.key] = {static_cast<uint32_t>(i), node.start, node.mini};
  }
  writeRun(dirStart, directory);
  for (const Node& node : nodes) {
    if (node.type == 2 && !node.mini) writeRun(node.start, *node.data);
  }
  return image;
}

}  // namespace scrivtar::test
