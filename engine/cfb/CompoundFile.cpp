#include "cfb/CompoundFile.h"

#include <algorithm>
#include <cstring>

namespace scrivtar::cfb {

namespace {

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// Special sector numbers of the FAT.
constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint32_t kNoStream = 0xFFFFFFFF;

// Streams below this size live in the mini stream, in 64-byte mini sectors.
constexpr uint64_t kMiniStreamCutoff = 4096;
constexpr uint32_t kMiniSectorSize = 64;
constexpr size_t kDirectoryEntrySize = 128;
constexpr size_t kHeaderDifatEntries = 109;

constexpr uint8_t kTypeStream = 2;

uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t Le64(const uint8_t* p) {
  return Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32);
}

// The structured-storage service compares names by their upper-case forms; stream names are
// ASCII in practice, Latin-1 letters are folded too.
char16_t FoldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  return c;
}

bool NamesEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

// Adds a run to the list, joining it to the previous one when it continues it in the file.
void AppendRun(std::vector<Extent>& extents, uint64_t fileOffset, uint64_t length) {
  if (!extents.empty()) {
    Extent& last = extents.back();
    if (last.fileOffset + last.length == fileOffset) {
      last.length += length;
      return;
    }
  }
  uint64_t streamOffset = extents.empty() ? 0 : extents.back().streamOffset + extents.back().length;
  extents.push_back({streamOffset, fileOffset, length});
}

}  // namespace

bool HasCompoundSignature(const uint8_t* bytes, size_t size) {
  return size >= sizeof kSignature && std::memcmp(bytes, kSignature, sizeof kSignature) == 0;
}

StreamData::StreamData(std::shared_ptr<const platform::FileBytes> file, std::vector<Extent> extents)
    : file_(std::move(file)), extents_(std::move(extents)) {
  if (!extents_.empty()) size_ = extents_.back().streamOffset + extents_.back().length;
}

bool StreamData::Locate(uint64_t offset, uint64_t* fileOffset, uint64_t* runLength) const {
  if (offset >= size_) return false;
  // The last extent that starts at or before offset.
  auto it =
      std::upper_bound(extents_.begin(), extents_.end(), offset,
                       [](uint64_t value, const Extent& e) { return value < e.streamOffset; });
  const Extent& extent = *(it - 1);
  uint64_t inside = offset - extent.streamOffset;
  *fileOffset = extent.fileOffset + inside;
  *runLength = extent.length - inside;
  return true;
}

const uint8_t* StreamData::View(uint64_t offset, size_t maxCount, size_t* count) const {
  uint64_t fileOffset = 0, runLength = 0;
  if (!Locate(offset, &fileOffset, &runLength)) {
    *count = 0;
    return nullptr;
  }
  *count = static_cast<size_t>(std::min<uint64_t>(runLength, maxCount));
  return file_->data() + fileOffset;
}

size_t StreamData::ReadAt(uint64_t offset, void* buffer, size_t count) const {
  auto* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < count) {
    uint64_t fileOffset = 0, runLength = 0;
    if (!Locate(offset + done, &fileOffset, &runLength)) break;
    size_t take = static_cast<size_t>(std::min<uint64_t>(runLength, count - done));
    std::memcpy(out + done, file_->data() + fileOffset, take);
    done += take;
  }
  return done;
}

std::shared_ptr<const CompoundFile> CompoundFile::Open(
    std::shared_ptr<const platform::FileBytes> file, OpenStatus* status) {
  if (!file || file->size() < kHeaderSize || !HasCompoundSignature(file->data(), file->size())) {
    *status = OpenStatus::kNotCompound;
    return nullptr;
  }
  std::shared_ptr<CompoundFile> compound(new CompoundFile());
  compound->file_ = std::move(file);
  if (!compound->Parse()) {
    *status = OpenStatus::kDamaged;
    return nullptr;
  }
  *status = OpenStatus::kOk;
  return compound;
}

bool CompoundFile::Parse() {
  const uint8_t* header = file_->data();
  // Version 3 files use 512-byte sectors, version 4 files 4,096-byte ones. The major version
  // and byte-order fields are not insisted on: the sector shift is what the layout depends on.
  sectorShift_ = Le16(header + 0x1E);
  if (sectorShift_ != 9 && sectorShift_ != 12) return false;
  sectorSize_ = 1u << sectorShift_;
  version4_ = sectorShift_ == 12;
  uint64_t fileSize = file_->size();
  fileSectors_ =
      fileSize > sectorSize_ ? (fileSize - sectorSize_ + sectorSize_ - 1) / sectorSize_ : 0;
  if (!LoadFat()) return false;

  // The directory: 128-byte entries along the chain of its first sector.
  std::vector<Extent> dirExtents = SectorExtents(Le32(header + 0x30), fileSectors_ * sectorSize_);
  StreamData dirStream(file_, std::move(dirExtents));
  uint64_t entryCount = dirStream.size() / kDirectoryEntrySize;
  if (entryCount == 0) return false;
  directory_.resize(static_cast<size_t>(entryCount));
  uint8_t raw[kDirectoryEntrySize];
  for (size_t i = 0; i < directory_.size(); ++i) {
    dirStream.ReadAt(i * kDirectoryEntrySize, raw, sizeof raw);
    DirectoryEntry& entry = directory_[i];
    size_t nameBytes = std::min<size_t>(Le16(raw + 0x40), 64);
    size_t nameChars = nameBytes >= 2 ? nameBytes / 2 - 1 : 0;
    for (size_t c = 0; c < nameChars; ++c) {
      char16_t ch = Le16(raw + 2 * c);
      if (ch == 0) break;
      entry.name.push_back(ch);
    }
    entry.type = raw[0x42];
    entry.left = Le32(raw + 0x44);
    entry.right = Le32(raw + 0x48);
    entry.child = Le32(raw + 0x4C);
    entry.startSector = Le32(raw + 0x74);
    // Version 3 writers may leave garbage in the high half of the size.
    entry.size = version4_ ? Le64(raw + 0x78) : Le32(raw + 0x78);
  }

  // The mini stream is the root entry's stream; the mini FAT maps its 64-byte sectors.
  const DirectoryEntry& root = directory_[0];
  miniStream_ = std::make_shared<StreamData>(file_, SectorExtents(root.startSector, root.size));
  std::vector<Extent> miniFatExtents =
      SectorExtents(Le32(header + 0x3C), fileSectors_ * sectorSize_);
  StreamData miniFatStream(file_, std::move(miniFatExtents));
  uint64_t miniSectors = miniStream_->size() / kMiniSectorSize;
  size_t miniFatEntries =
      static_cast<size_t>(std::min<uint64_t>(miniFatStream.size() / 4, miniSectors));
  miniFat_.resize(miniFatEntries);
  for (size_t i = 0; i < miniFatEntries; ++i) {
    uint8_t entry[4];
    miniFatStream.ReadAt(i * 4, entry, 4);
    miniFat_[i] = Le32(entry);
  }
  return true;
}

bool CompoundFile::LoadFat() {
  const uint8_t* header = file_->data();
  const uint32_t perSector = sectorSize_ / 4;
  // A FAT sector must lie in the file, so the file bounds how many there can be.
  uint64_t fatSectorCount = std::min<uint64_t>(Le32(header + 0x2C), fileSectors_);
  if (fatSectorCount == 0) return false;

  std::vector<uint32_t> fatSectors;
  fatSectors.reserve(static_cast<size_t>(fatSectorCount));
  for (size_t i = 0; i < kHeaderDifatEntries && fatSectors.size() < fatSectorCount; ++i) {
    fatSectors.push_back(Le32(header + 0x4C + 4 * i));
  }
  // The DIFAT beyond the header: each sector holds perSector - 1 entries and the next one's
  // number. Bounded by the sectors of the file; a revisited sector ends it.
  uint32_t difat = Le32(header + 0x44);
  std::vector<bool> seen(static_cast<size_t>(fileSectors_));
  while (fatSectors.size() < fatSectorCount && difat < fileSectors_ && !seen[difat]) {
    seen[difat] = true;
    uint64_t offset = (static_cast<uint64_t>(difat) + 1) << sectorShift_;
    if (offset + sectorSize_ > file_->size()) break;
    const uint8_t* sector = file_->data() + offset;
    for (uint32_t i = 0; i + 1 < perSector && fatSectors.size() < fatSectorCount; ++i) {
      fatSectors.push_back(Le32(sector + 4 * i));
    }
    difat = Le32(sector + 4 * (perSector - 1));
  }

  // Entries for sectors beyond the file are of no use; a FAT sector that is missing reads as
  // free sectors, which ends any chain that runs into it.
  uint64_t entries = std::min<uint64_t>(fatSectors.size() * uint64_t{perSector}, fileSectors_);
  fat_.assign(static_cast<size_t>(entries), kFreeSector);
  for (size_t i = 0; i < fatSectors.size(); ++i) {
    uint32_t sector = fatSectors[i];
    if (sector >= fileSectors_) continue;
    uint64_t offset = (static_cast<uint64_t>(sector) + 1) << sectorShift_;
    uint64_t available = std::min<uint64_t>(sectorSize_, file_->size() - offset) / 4;
    for (uint64_t k = 0; k < available; ++k) {
      uint64_t index = i * uint64_t{perSector} + k;
      if (index >= entries) break;
      fat_[static_cast<size_t>(index)] = Le32(file_->data() + offset + 4 * k);
    }
  }
  return true;
}

std::vector<uint32_t> CompoundFile::WalkChain(const std::vector<uint32_t>& table, uint32_t start,
                                              size_t maxCount) const {
  std::vector<uint32_t> chain;
  std::vector<bool> seen(table.size());
  uint32_t sector = start;
  while (chain.size() < maxCount && sector < table.size() && !seen[sector]) {
    seen[sector] = true;
    chain.push_back(sector);
    uint32_t next = table[sector];
    if (next == kEndOfChain || next > kMaxRegularSector) break;
    sector = next;
  }
  return chain;
}

std::vector<Extent> CompoundFile::SectorExtents(uint32_t start, uint64_t size) const {
  std::vector<Extent> extents;
  uint64_t needed = (size + sectorSize_ - 1) >> sectorShift_;
  std::vector<uint32_t> chain =
      WalkChain(fat_, start, static_cast<size_t>(std::min(needed, uint64_t{fat_.size()})));
  uint64_t remaining = size;
  for (uint32_t sector : chain) {
    uint64_t offset = (static_cast<uint64_t>(sector) + 1) << sectorShift_;
    if (offset >= file_->size()) break;
    uint64_t length = std::min<uint64_t>({sectorSize_, file_->size() - offset, remaining});
    AppendRun(extents, offset, length);
    remaining -= length;
    // A sector cut short by the end of the file ends the stream there.
    if (length < sectorSize_ && remaining > 0) break;
  }
  return extents;
}

std::vector<Extent> CompoundFile::MiniSectorExtents(uint32_t start, uint64_t size) const {
  std::vector<Extent> extents;
  uint64_t needed = (size + kMiniSectorSize - 1) / kMiniSectorSize;
  std::vector<uint32_t> chain =
      WalkChain(miniFat_, start, static_cast<size_t>(std::min(needed, uint64_t{miniFat_.size()})));
  uint64_t remaining = size;
  for (uint32_t miniSector : chain) {
    uint64_t fileOffset = 0, runLength = 0;
    if (!miniStream_->Locate(uint64_t{miniSector} * kMiniSectorSize, &fileOffset, &runLength)) {
      break;
    }
    uint64_t length = std::min<uint64_t>({kMiniSectorSize, runLength, remaining});
    AppendRun(extents, fileOffset, length);
    remaining -= length;
    if (length < kMiniSectorSize && remaining > 0) break;
  }
  return extents;
}

std::shared_ptr<const StreamData> CompoundFile::MakeStream(const DirectoryEntry& entry) const {
  std::vector<Extent> extents = entry.size < kMiniStreamCutoff
                                    ? MiniSectorExtents(entry.startSector, entry.size)
                                    : SectorExtents(entry.startSector, entry.size);
  return std::make_shared<StreamData>(file_, std::move(extents));
}

std::shared_ptr<const StreamData> CompoundFile::OpenRootStream(std::u16string_view name) const {
  // Walks the root's whole child tree rather than trusting its ordering: damaged files often
  // have trees out of order. Each entry is visited at most once.
  std::vector<bool> seen(directory_.size());
  std::vector<uint32_t> pending;
  if (directory_[0].child != kNoStream) pending.push_back(directory_[0].child);
  seen[0] = true;
  while (!pending.empty()) {
    uint32_t index = pending.back();
    pending.pop_back();
    if (index >= directory_.size() || seen[index]) continue;
    seen[index] = true;
    const DirectoryEntry& entry = directory_[index];
    if (entry.type == kTypeStream && NamesEqual(entry.name, name)) return MakeStream(entry);
    pending.push_back(entry.right);
    pending.push_back(entry.left);
  }
  return nullptr;
}

}  // namespace scrivtar::cfb
