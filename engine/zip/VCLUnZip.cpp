#include "zip/VCLUnZip.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <system_error>

#include "platform/CodePage.h"
#include "platform/Prefault.h"
#include "zip/kpSStrm.h"

namespace scrivtar {
namespace {

constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr uint32_t kDescriptorSignature = 0x08074B50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kEndSearchWindow = 65535 + kEndRecordSize;
constexpr int kMaxEntries = 0xFFFF;  // entry counts are 16-bit
// Deflate cannot expand beyond about 1032:1 (a 258-byte match per 2-bit code).
constexpr uint64_t kMaxInflateRatio = 1032;
constexpr size_t kReadChunk = 1 << 18;
constexpr size_t kScanChunk = 10240;

uint16_t Le16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) |
                               (static_cast<uint8_t>(b[at + 1]) << 8));
}
uint32_t Le32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(Le16(b, at)) | (static_cast<uint32_t>(Le16(b, at + 2)) << 16);
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
  return text;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The end record nearest the end of the file, searched in the last 65,557 bytes.
bool FindEndRecord(TLFNFileStream& file, TEndCentral* end) {
  uint64_t size = file.Size();
  if (size < kEndRecordSize) return false;
  size_t window = static_cast<size_t>(std::min<uint64_t>(size, kEndSearchWindow));
  std::string bytes(window, '\0');
  if (file.ReadAt(size - window, bytes.data(), window) != window) return false;
  for (size_t pos = window - kEndRecordSize + 1; pos-- > 0;) {
    if (bytes[pos] != 'P' || Le32(bytes, pos) != kEndSignature) continue;
    std::string_view r = std::string_view(bytes).substr(pos, kEndRecordSize);
    end->signature = kEndSignature;
    end->thisDisk = Le16(r, 4);
    end->startDisk = Le16(r, 6);
    end->entriesOnDisk = Le16(r, 8);
    end->totalEntries = Le16(r, 10);
    end->directorySize = Le32(r, 12);
    end->directoryOffset = Le32(r, 16);
    end->commentLength = Le16(r, 20);
    end->commentOffset = size - window + pos + kEndRecordSize;
    return true;
  }
  return false;
}

// A candidate local header for the recovery scan: signature and a version needed below 10.0.
bool IsLocalHeaderCandidate(std::string_view b, size_t at) {
  return Le32(b, at) == kLocalSignature && static_cast<uint8_t>(b[at + 5]) < 10;
}

// Every field of a central directory header (46 bytes at pos) but the name.
TZipHeaderInfo ParseCentralHeader(std::string_view header, uint64_t pos) {
  TZipHeaderInfo entry;
  entry.versionMadeBy = Le16(header, 4);
  entry.versionNeeded = Le16(header, 6);
  entry.flags = Le16(header, 8);
  entry.compressionMethod = Le16(header, 10);
  entry.dateTime = Le32(header, 12);
  entry.crc32 = Le32(header, 16);
  entry.compressedSize = Le32(header, 20);
  entry.uncompressedSize = Le32(header, 24);
  entry.fileNameLength = Le16(header, 28);
  entry.centralExtraLength = Le16(header, 30);
  entry.commentLength = Le16(header, 32);
  entry.diskNumberStart = Le16(header, 34);
  entry.internalAttributes = Le16(header, 36);
  entry.externalAttributes = Le32(header, 38);
  entry.localHeaderOffset = Le32(header, 42);
  entry.centralHeaderOffset = static_cast<uint32_t>(std::min<uint64_t>(pos, 0xFFFFFFFFu));
  return entry;
}

}  // namespace

TVCLUnZip::TVCLUnZip(int32_t oemCodePage, int32_t ansiCodePage)
    : oemCodePage_(oemCodePage), ansiCodePage_(ansiCodePage) {}

TVCLUnZip::~TVCLUnZip() {
  if (decompressor_) libdeflate_free_decompressor(decompressor_);
}

void TVCLUnZip::SetZipName(const std::filesystem::path& name) {
  if (name.lexically_normal() == zipName_.lexically_normal()) return;
  ClearDirectory();
  zipName_ = name;
}

void TVCLUnZip::ClearDirectory() {
  entries_.Clear();
  endCentral_ = TEndCentral{};
  directoryLoaded_ = false;
}

void TVCLUnZip::ClearAll() {
  ClearDirectory();
  zipName_.clear();
}

int TVCLUnZip::EntryCount() const {
  return directoryLoaded_ ? entries_.Count() : 0;
}

const TZipHeaderInfo& TVCLUnZip::Entry(int index) const {
  return entries_.Item(index);
}

void TVCLUnZip::CheckCancel() const {
  if (OnProgress && OnProgress()) throw EUserCanceled();
}

bool TVCLUnZip::DirectoryIsCurrent() const {
  if (!directoryLoaded_) return false;
  std::error_code error;
  auto time = std::filesystem::last_write_time(zipName_, error);
  if (error) return false;
  auto size = std::filesystem::file_size(zipName_, error);
  if (error) return false;
  return time == directoryTime_ && size == directoryFileSize_;
}

void TVCLUnZip::ReadDirectory() {
  if (DirectoryIsCurrent()) return;
  // The time is taken before reading, so a change while reading forces a reload next time.
  std::error_code error;
  auto time = std::filesystem::last_write_time(zipName_, error);
  try {
    TLFNFileStream file(zipName_);
    LoadDirectory(file);
    directoryTime_ = time;
    directoryFileSize_ = file.Size();
    directoryLoaded_ = true;
  } catch (const EIncompleteZip&) {
    ClearDirectory();  // no end record: no entries, no error
  } catch (...) {
    ClearAll();
    throw;
  }
}

void TVCLUnZip::LoadDirectory(TLFNFileStream& file) {
  ClearDirectory();
  if (file.Size() == 0) return;  // an empty file is an archive without entries

  if (!FindEndRecord(file, &endCentral_)) {
    std::filesystem::path zfcName = zipName_;
    zfcName.replace_extension(".zfc");
    std::error_code error;
    if (std::filesystem::is_regular_file(zfcName, error)) {
      TLFNFileStream zfc(zfcName);
      if (FindEndRecord(zfc, &endCentral_)) {
        if (!ReadCentralDirectory(zfc, 0, endCentral_.totalEntries) && !RecoveryScan(file)) {
          throw EBadZipFile();
        }
        return;
      }
    }
    endCentral_ = TEndCentral{};
    switch (IncompleteZipMode) {
      case TIncompleteZipMode::izAssumeMulti:
        throw EIncompleteZip();
      case TIncompleteZipMode::izAssumeNotAZip:
        throw ENotAZipFile();
      case TIncompleteZipMode::izAssumeBad:
        if (!RecoveryScan(file)) throw EBadZipFile();
        return;
    }
  }
  // A spanned archive (end record on another disk) is not read: no entries.
  if (endCentral_.thisDisk != 0) return;
  if (!ReadCentralDirectory(file, endCentral_.directoryOffset, endCentral_.totalEntries) &&
      !RecoveryScan(file)) {
    throw EBadZipFile();
  }
}

std::string TVCLUnZip::NormalizeName(std::string_view raw, bool fromOemHost, bool utf8Flag) const {
  std::string name;
  if (fromOemHost && !utf8Flag && !IsAscii(raw) && oemCodePage_ != ansiCodePage_) {
    name = platform::WideToCodePage(ansiCodePage_, platform::CodePageToWide(oemCodePage_, raw));
  } else {
    name.assign(raw);
  }
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

namespace {

void SplitStoredPath(const std::string& path, TZipHeaderInfo* entry) {
  size_t cut = path.find_last_of("\\:");
  if (cut == std::string::npos) {
    entry->directory.clear();
    entry->fileName = path;
    return;
  }
  entry->directory = path.substr(0, cut + 1);
  if (entry->directory.back() != '\\') entry->directory += '\\';
  entry->fileName = path.substr(cut + 1);
}

}  // namespace

bool TVCLUnZip::ReadCentralDirectory(TLFNFileStream& dirFile, uint64_t offset, uint16_t count) {
  entries_.Clear();
  uint64_t pos = offset;
  TZipHeaderInfo previous;
  bool havePrevious = false;
  for (int i = 0; i < count; ++i) {
    std::string_view header;
    bool ok =
        dirFile.View(pos, kCentralHeaderSize, &header) && Le32(header, 0) == kCentralSignature;
    // A writer that announced an extra field it did not write: read again without it.
    if (!ok && havePrevious && previous.centralExtraLength != 0) {
      pos -= previous.centralExtraLength;
      previous.centralExtraLength = 0;
      ok = dirFile.View(pos, kCentralHeaderSize, &header) && Le32(header, 0) == kCentralSignature;
    }
    if (!ok) return false;
    if (havePrevious && !entries_.Insert(std::move(previous))) return false;
    havePrevious = false;

    TZipHeaderInfo entry = ParseCentralHeader(header, pos);
    std::string_view rawName;
    if (!dirFile.View(pos + kCentralHeaderSize, entry.fileNameLength, &rawName)) return false;
    bool oemHost = (entry.versionMadeBy >> 8) == 0;
    SplitStoredPath(NormalizeName(rawName, oemHost, (entry.flags & 0x0800) != 0), &entry);
    pos +=
        kCentralHeaderSize + entry.fileNameLength + entry.centralExtraLength + entry.commentLength;
    previous = std::move(entry);
    havePrevious = true;
  }
  if (havePrevious && !entries_.Insert(std::move(previous))) return false;
  return true;
}

// An entry written with a data descriptor has zero sizes in its local header. Its descriptor
// (signature, CRC, compressed and uncompressed size) is the first one whose compressed size
// equals its distance from the data start; found, it supplies the sizes and the CRC.
void TVCLUnZip::FindDataDescriptor(TLFNFileStream& file, uint64_t dataStart,
                                   TZipHeaderInfo* entry) {
  std::string chunk;
  const uint64_t size = file.Size();
  for (uint64_t from = dataStart; from + 16 <= size && from - dataStart <= 0xFFFFFFFFu;) {
    CheckCancel();
    size_t want = static_cast<size_t>(std::min<uint64_t>(kReadChunk + 15, size - from));
    chunk.resize(want);
    chunk.resize(file.ReadAt(from, chunk.data(), want));
    if (chunk.size() < 16) return;
    for (size_t i = 0; i + 16 <= chunk.size(); ++i) {
      if (chunk[i] != 'P' || Le32(chunk, i) != kDescriptorSignature) continue;
      uint64_t distance = from + i - dataStart;
      if (Le32(chunk, i + 8) != distance) continue;
      entry->crc32 = Le32(chunk, i + 4);
      entry->compressedSize = Le32(chunk, i + 8);
      entry->uncompressedSize = Le32(chunk, i + 12);
      return;
    }
    from += chunk.size() - 15;
  }
}

bool TVCLUnZip::RecoveryScan(TLFNFileStream& file) {
  entries_.Clear();
  endCentral_ = TEndCentral{};
  std::string extension = LowerAscii(zipName_.extension().string());
  uint64_t pos = extension == ".exe" ? 14000 : 0;
  const uint64_t size = file.Size();

  // The next position at or after from that holds a local header candidate, or size.
  std::string chunk;
  auto findLocalHeader = [&](uint64_t from) -> uint64_t {
    while (from + kLocalHeaderSize <= size) {
      CheckCancel();
      size_t want = static_cast<size_t>(std::min<uint64_t>(kScanChunk + 5, size - from));
      chunk.resize(want);
      chunk.resize(file.ReadAt(from, chunk.data(), want));
      if (chunk.size() < 6) return size;
      for (size_t i = 0; i + 6 <= chunk.size(); ++i) {
        if (chunk[i] == 'P' && IsLocalHeaderCandidate(chunk, i)) return from + i;
      }
      from += chunk.size() - 5;
    }
    return size;
  };

  pos = findLocalHeader(pos);
  while (pos < size && entries_.Count() < kMaxEntries) {
    std::string_view header;
    if (!file.View(pos, kLocalHeaderSize, &header) || Le32(header, 0) != kLocalSignature) {
      // Not a local header where the previous entry's sizes pointed (sizes kept in a data
      // descriptor are 0 here): look further, unless the central directory starts here.
      if (file.View(pos, 4, &header) && Le32(header, 0) == kCentralSignature) break;
      pos = findLocalHeader(pos + 1);
      continue;
    }
    TZipHeaderInfo entry;
    entry.versionNeeded = Le16(header, 4);
    entry.flags = Le16(header, 6);
    entry.compressionMethod = Le16(header, 8);
    entry.dateTime = Le32(header, 10);
    entry.crc32 = Le32(header, 14);
    entry.compressedSize = Le32(header, 18);
    entry.uncompressedSize = Le32(header, 22);
    entry.fileNameLength = Le16(header, 26);
    entry.localExtraLength = Le16(header, 28);
    entry.localHeaderOffset = static_cast<uint32_t>(pos);
    std::string_view rawName;
    if (!file.View(pos + kLocalHeaderSize, entry.fileNameLength, &rawName)) break;
    SplitStoredPath(NormalizeName(rawName, true, (entry.flags & 0x0800) != 0), &entry);
    uint64_t dataStart = pos + kLocalHeaderSize + entry.fileNameLength + entry.localExtraLength;
    if (entry.HasDataDescriptor() && entry.compressedSize == 0) {
      FindDataDescriptor(file, dataStart, &entry);
    }
    uint64_t next = dataStart + entry.compressedSize + (entry.HasDataDescriptor() ? 16 : 0);
    if (pos > 0xFFFFFFFFu) break;  // offsets are 32-bit
    entries_.Insert(std::move(entry));
    pos = next;
  }
  if (entries_.Count() == 0) return false;

  endCentral_.directoryOffset = static_cast<uint32_t>(std::min<uint64_t>(pos, 0xFFFFFFFFu));
  endCentral_.totalEntries = static_cast<uint16_t>(entries_.Count());
  endCentral_.entriesOnDisk = endCentral_.totalEntries;
  // Central headers that survive update the entry at their local header offset.
  for (int i = 0; i < kMaxEntries; ++i) {
    std::string_view header;
    if (!file.View(pos, kCentralHeaderSize, &header) || Le32(header, 0) != kCentralSignature) break;
    uint16_t nameLength = Le16(header, 28);
    uint16_t extraLength = Le16(header, 30);
    uint16_t commentLength = Le16(header, 32);
    int index = entries_.IndexOfOffset(Le32(header, 42));
    std::string_view rawName;
    if (!file.View(pos + kCentralHeaderSize, nameLength, &rawName)) break;
    TZipHeaderInfo update = ParseCentralHeader(header, pos);
    SplitStoredPath(
        NormalizeName(rawName, (update.versionMadeBy >> 8) == 0, (update.flags & 0x0800) != 0),
        &update);
    // A central header that names another file than the local header at its offset is damaged
    // itself; the local header is what the data really belongs to.
    if (index >= 0 && update.StoredPath() == entries_.Item(index).StoredPath()) {
      TZipHeaderInfo& entry = entries_.Item(index);
      update.localHeaderOffset = entry.localHeaderOffset;
      update.localExtraLength = entry.localExtraLength;
      update.diskNumberStart = 0;
      entry = std::move(update);
    }
    pos += kCentralHeaderSize + nameLength + extraLength + commentLength;
  }
  return true;
}

int TVCLUnZip::ExtractToStream(std::string* stream, std::string_view name) {
  name = TrimBlanks(name);
  if (name.empty() || stream == nullptr) return 0;
  if (!DirectoryIsCurrent()) ReadDirectory();
  if (!directoryLoaded_) return 0;
  std::vector<int> matches = entries_.Matching(name);
  if (matches.empty()) return 0;

  TLFNFileStream file(zipName_);
  int extracted = 0;
  for (int index : matches) {
    TZipHeaderInfo& entry = entries_.Item(index);
    entry.selected = true;
    try {
      if (ExtractEntry(file, entry, *stream)) ++extracted;
    } catch (...) {
      entry.selected = false;
      throw;
    }
    entry.selected = false;
  }
  return extracted;
}

bool TVCLUnZip::ExtractEntry(TLFNFileStream& file, TZipHeaderInfo& entry, std::string& stream) {
  if (entry.IsEncrypted()) return false;  // no password is ever set
  std::string_view header;
  if (!file.View(entry.localHeaderOffset, kLocalHeaderSize, &header)) throw EFatalUnzipError();
  uint16_t localNameLength = Le16(header, 26);
  entry.localExtraLength = Le16(header, 28);
  uint64_t dataStart = uint64_t{entry.localHeaderOffset} + kLocalHeaderSize + localNameLength +
                       entry.localExtraLength;
  uint16_t method = entry.compressionMethod;
  if (method != 0 && method != 8) return false;  // unknown method: not extracted
  const uint64_t compressed = entry.compressedSize;
  if (dataStart > file.Size() || file.Size() - dataStart < compressed) {
    throw EFatalUnzipError();
  }
  // The bound of the output: the declared size, and what deflate could make of the input.
  uint64_t limit = entry.uncompressedSize;
  if (method == 8) limit = std::min(limit, compressed * kMaxInflateRatio + 8);
  if (method == 0 && compressed > entry.uncompressedSize) {
    return false;  // EBiggerThanUncompressed: the over-long write is refused
  }

  std::string input(static_cast<size_t>(compressed), '\0');
  for (size_t done = 0; done < input.size();) {
    CheckCancel();
    size_t want = std::min(kReadChunk, input.size() - done);
    size_t got = file.ReadAt(dataStart + done, input.data() + done, want);
    if (got != want) throw EFatalUnzipError();
    done += got;
  }

  const size_t before = stream.size();
  size_t produced = 0;
  try {
    if (method == 0) {
      stream.append(input);
      produced = input.size();
    } else {
      if (!decompressor_) decompressor_ = libdeflate_alloc_decompressor();
      if (!decompressor_) throw std::bad_alloc();
      stream.reserve(before + static_cast<size_t>(limit));
      platform::PrefaultForWrite(stream.data() + before, static_cast<size_t>(limit));
      stream.resize(before + static_cast<size_t>(limit));
      libdeflate_result result = libdeflate_deflate_decompress(
          decompressor_, input.data(), input.size(), stream.data() + before,
          static_cast<size_t>(limit), &produced);
      if (result != LIBDEFLATE_SUCCESS) {
        // LIBDEFLATE_INSUFFICIENT_SPACE: larger than its uncompressed size (refused);
        // otherwise the data is damaged. Either way the entry is not extracted.
        stream.resize(before);
        return false;
      }
      stream.resize(before + produced);
    }
  } catch (const std::length_error&) {
    stream.resize(before);
    throw ECantWriteUCF();
  }
  uint32_t crc = static_cast<uint32_t>(libdeflate_crc32(0, stream.data() + before, produced));
  // A bad CRC leaves the bytes in the stream but does not count.
  return crc == entry.crc32;
}

}  // namespace scrivtar
