#include "VtPptCvt.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "cfb/TDocFile_U1.h"
#include "core/VtCvtBase.h"
#include "platform/CodePage.h"
#include "platform/Prefault.h"

namespace scrivtar {

namespace {

using Bytes = std::span<const uint8_t>;

enum PptRecordType : uint16_t {
  kDocument = 0x03E8,
  kSlide = 0x03EE,
  kNotes = 0x03F0,
  kSlidePersistAtom = 0x03F3,
  kOutlineTextRefAtom = 0x0F9E,
  kTextHeaderAtom = 0x0F9F,
  kTextCharsAtom = 0x0FA0,
  kTextBytesAtom = 0x0FA8,
  kSlideListWithText = 0x0FF0,
  kUserEditAtom = 0x0FF5,
};

constexpr uint16_t kMasterListInstance = 1;
constexpr uint32_t kSlidePersistAtomSize = 20;
constexpr uint32_t kUserEditAtomSize = 28;
constexpr uint32_t kCurrentUserAtomSize = 20;
constexpr uint32_t kPlainHeaderToken = 0xE391C05F;
constexpr uint32_t kEncryptedHeaderToken = 0xF3D1C4DF;

// Deeper nesting than any real slide has (groups inside groups add one level each); a container
// below this depth is skipped whole.
constexpr size_t kMaxRecordDepth = 64;
// The output may not exceed what a presentation of this size can hold; a hostile file whose
// references repeat the same long text stops here instead of growing without bound.
constexpr uint64_t kMaxTextUnits = uint64_t{1} << 28;

uint16_t ReadU16(Bytes bytes, uint64_t offset) {
  return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

uint32_t ReadU32(Bytes bytes, uint64_t offset) {
  return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<uint32_t>(bytes[offset + 2]) << 16 |
         static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

bool Holds(Bytes bytes, uint64_t offset, uint64_t count) {
  return offset <= bytes.size() && count <= bytes.size() - offset;
}

// The "PowerPoint Document" stream, read where the walk needs it: from memory, or straight from
// the compound document without a copy of the whole stream. Reads inside the current window (all
// of a stream in memory; for a file, the last contiguous run of sectors looked up) are served
// inline: the record walk reads a header at every record.
class DocumentBytes {
 public:
  explicit DocumentBytes(Bytes bytes) : size_(bytes.size()), window_(bytes) {}
  explicit DocumentBytes(TDocFileStream& stream)
      : stream_(&stream), size_(static_cast<uint64_t>(std::max<int64_t>(stream.Size(), 0))) {}
  DocumentBytes(const DocumentBytes&) = delete;
  DocumentBytes& operator=(const DocumentBytes&) = delete;

  uint64_t size() const { return size_; }

  // Copies count bytes at offset; false, with nothing copied, unless all of them are there.
  bool Read(uint64_t offset, void* buffer, size_t count) {
    if (count == 0) return offset <= size_;
    if (const uint8_t* at = Window(offset, count)) {
      std::memcpy(buffer, at, count);
      return true;
    }
    return ReadOutsideWindow(offset, buffer, count);
  }

  std::optional<PptRecordHeader> Header(uint64_t offset) {
    const uint8_t* at = Window(offset, kPptRecordHeaderSize);
    uint8_t copy[kPptRecordHeaderSize];
    if (!at) {
      if (!ReadOutsideWindow(offset, copy, sizeof copy)) return std::nullopt;
      at = copy;
    }
    PptRecordHeader header;
    uint16_t verAndInstance = static_cast<uint16_t>(at[0] | at[1] << 8);
    header.recVer = static_cast<uint8_t>(verAndInstance & 0x0F);
    header.recInstance = static_cast<uint16_t>(verAndInstance >> 4);
    header.recType = static_cast<uint16_t>(at[2] | at[3] << 8);
    std::memcpy(&header.recLen, at + 4, 4);
    if constexpr (std::endian::native == std::endian::big) {
      header.recLen = __builtin_bswap32(header.recLen);
    }
    return header;
  }

  std::optional<uint32_t> U32(uint64_t offset) {
    uint8_t bytes[4];
    if (!Read(offset, bytes, sizeof bytes)) return std::nullopt;
    return ReadU32(bytes, 0);
  }

 private:
  // The count bytes at offset when the window holds all of them, else nullptr.
  const uint8_t* Window(uint64_t offset, size_t count) const {
    if (offset < windowBegin_) return nullptr;
    uint64_t into = offset - windowBegin_;
    if (into > window_.size() || count > window_.size() - into) return nullptr;
    return window_.data() + into;
  }

  // A read the window does not cover: for a file, the run of sectors at offset becomes the
  // window; a read that crosses from one run to the next is copied piece by piece.
  bool ReadOutsideWindow(uint64_t offset, void* buffer, size_t count) {
    if (!stream_ || offset > size_ || count > size_ - offset) return false;
    std::span<const uint8_t> view = stream_->ViewAt(offset, SIZE_MAX);
    if (view.size() < count) return stream_->ReadAt(offset, buffer, count) == count;
    window_ = view;
    windowBegin_ = offset;
    std::memcpy(buffer, view.data(), count);
    return true;
  }

  TDocFileStream* stream_ = nullptr;  // null for a stream in memory
  uint64_t size_;
  std::span<const uint8_t> window_;
  uint64_t windowBegin_ = 0;
};

// Appends the whole UTF-16LE code units of a TextCharsAtom body; an odd last byte is dropped.
void AppendUtf16Le(DocumentBytes& stream, uint64_t offset, uint32_t length, std::u16string& out) {
  size_t units = length / 2;
  size_t at = out.size();
  out.resize(at + units);
  if (!stream.Read(offset, out.data() + at, units * 2)) {
    out.resize(at);
    return;
  }
  if constexpr (std::endian::native == std::endian::big) {
    for (size_t i = at; i < out.size(); ++i) {
      out[i] = static_cast<char16_t>(out[i] >> 8 | (out[i] & 0xFF) << 8);
    }
  }
}

// Appends a TextBytesAtom body, Windows-1252. Plain ASCII, what most of these atoms hold, maps to
// itself and needs no conversion tables.
void AppendWindows1252(DocumentBytes& stream, uint64_t offset, uint32_t length,
                       std::string& scratch, std::u16string& out) {
  scratch.resize(length);
  if (!stream.Read(offset, scratch.data(), length)) return;
  if (std::all_of(scratch.begin(), scratch.end(), [](char c) { return (c & 0x80) == 0; })) {
    out.append(scratch.begin(), scratch.end());
  } else {
    out += platform::CodePageToWide(1252, scratch);
  }
}

// Depth-first walk over the records between begin and end, in stream order. A container is
// clamped to its parent's end; an atom that reaches past its container's end ends that container
// (the records before it stand). The visitor says whether to enter a container and takes the
// atoms (header and body offset); it can stop the walk. Every walk visits at most `budget`
// records, which is more than a stream of that size can hold without overlapping records.
template <typename Visitor>
void WalkRecords(DocumentBytes& stream, uint64_t begin, uint64_t end, uint64_t& budget,
                 Visitor& visitor) {
  // The ends of the open containers, innermost last; the depth limit bounds them.
  uint64_t openEnds[kMaxRecordDepth];
  size_t depth = 0;
  openEnds[depth++] = std::min<uint64_t>(end, stream.size());
  uint64_t pos = begin;
  while (depth > 0 && !visitor.Stopped()) {
    uint64_t containerEnd = openEnds[depth - 1];
    if (pos >= containerEnd || containerEnd - pos < kPptRecordHeaderSize) {
      pos = containerEnd;
      --depth;
      continue;
    }
    if (budget == 0) return;
    --budget;
    std::optional<PptRecordHeader> header = stream.Header(pos);
    if (!header) return;
    uint64_t bodyBegin = pos + kPptRecordHeaderSize;
    uint64_t bodyEnd = bodyBegin + header->recLen;
    if (header->IsContainer()) {
      uint64_t childEnd = std::min(bodyEnd, containerEnd);
      if (depth < kMaxRecordDepth && visitor.Enter(*header)) {
        openEnds[depth++] = childEnd;
        pos = bodyBegin;
      } else {
        pos = childEnd;
      }
    } else if (bodyEnd > containerEnd) {
      pos = containerEnd;
      --depth;
    } else {
      visitor.Atom(*header, bodyBegin);
      pos = bodyEnd;
    }
  }
}

// One entry of a slide list: a slide or notes page and the texts stored with it, which its
// OutlineTextRefAtoms refer to by index.
struct SlideEntry {
  uint32_t persistIdRef = 0;
  std::vector<std::u16string> texts;
};

// The state of one extraction; it lives for one call.
class PptTextExtractor {
 public:
  PptTextExtractor(DocumentBytes& document, std::u16string& out)
      : document_(document),
        out_(out),
        maxTextUnits_(std::min<uint64_t>(2 * document.size() + 4096, kMaxTextUnits)) {
    // Room for the text of a typical presentation, so that the output grows without copies; an
    // allocation this large is only address space until the text fills it.
    out_.reserve(std::min<uint64_t>(document.size() / 2, maxTextUnits_));
  }

  // Reads the edit chain from the current edit; false when it leads to something other than a
  // UserEditAtom (the presentation then gives no text).
  bool ReadEditChain(uint32_t offsetToCurrentEdit);
  void WalkDocument();
  void WalkSlides();

 private:
  struct DocumentVisitor;
  struct SlideVisitor;

  uint64_t RecordBudget() const { return document_.size() / kPptRecordHeaderSize + 1; }
  // Appends text and a CR unless the output has reached its bound.
  template <typename Append>
  void EmitText(Append append);

  DocumentBytes& document_;
  std::u16string& out_;
  std::string scratch_;  // the bytes of one TextBytesAtom
  uint64_t maxTextUnits_;
  bool outputFull_ = false;
  size_t outBacked_ = 0;  // bytes of out_'s reserved room already backed by pages
  uint32_t docPersistIdRef_ = 0;
  std::vector<std::vector<uint8_t>> directoryBodies_;
  std::optional<PptPersistDirectory> directory_;
  std::vector<uint32_t> slidePersistList_;
  std::vector<SlideEntry> slideEntries_;
  std::unordered_map<uint32_t, std::vector<size_t>> entriesOfSlide_;
};

bool PptTextExtractor::ReadEditChain(uint32_t offsetToCurrentEdit) {
  std::unordered_set<uint32_t> visitedEdits;
  // The directories of a sound chain never overlap, so together they hold at most the stream's
  // bytes; edits that share or overlap their directories get no more than that either.
  uint64_t directoryBytesLeft = document_.size();
  for (uint32_t edit = offsetToCurrentEdit; edit != 0;) {
    // An edit that points back into the chain ends it: every edit was read once.
    if (!visitedEdits.insert(edit).second) break;
    std::optional<PptRecordHeader> header = document_.Header(edit);
    uint8_t body[kUserEditAtomSize];
    if (!header || header->recType != kUserEditAtom || header->recLen != kUserEditAtomSize ||
        !document_.Read(uint64_t{edit} + kPptRecordHeaderSize, body, sizeof body)) {
      return false;
    }
    uint32_t offsetLastEdit = ReadU32(body, 8);
    uint32_t offsetPersistDirectory = ReadU32(body, 12);
    if (directoryBodies_.empty()) docPersistIdRef_ = ReadU32(body, 16);
    std::vector<uint8_t>& directory = directoryBodies_.emplace_back();
    if (std::optional<PptRecordHeader> dir = document_.Header(offsetPersistDirectory)) {
      uint64_t begin = uint64_t{offsetPersistDirectory} + kPptRecordHeaderSize;
      directory.resize(
          std::min<uint64_t>({dir->recLen, document_.size() - begin, directoryBytesLeft}));
      directoryBytesLeft -= directory.size();
      document_.Read(begin, directory.data(), directory.size());
    }
    edit = offsetLastEdit;
  }
  if (directoryBodies_.empty()) return false;
  directory_.emplace(std::vector<Bytes>(directoryBodies_.begin(), directoryBodies_.end()));
  return true;
}

template <typename Append>
void PptTextExtractor::EmitText(Append append) {
  if (outputFull_) return;
  append(out_);
  out_.push_back(u'\r');
  outBacked_ = platform::PrefaultAhead(out_.data(), out_.size() * sizeof(char16_t),
                                       out_.capacity() * sizeof(char16_t), outBacked_);
  if (out_.size() > maxTextUnits_) {
    out_.resize(maxTextUnits_);
    outputFull_ = true;
  }
}

// Collects the slide lists: a slide entry for each SlidePersistAtom, the texts after it for its
// OutlineTextRefAtoms. The master list is skipped. A text atom before any slide entry or before
// its entry's first TextHeaderAtom, and the texts after a SlidePersistAtom of the wrong length,
// belong to no slide and are dropped.
struct PptTextExtractor::DocumentVisitor {
  PptTextExtractor& self;
  std::optional<size_t> entry;  // the slide entry the texts go to, if any

  bool Stopped() const { return false; }
  bool Enter(const PptRecordHeader& header) const {
    return !(header.recType == kSlideListWithText && header.recInstance == kMasterListInstance);
  }
  std::vector<std::u16string>* Texts() {
    return entry ? &self.slideEntries_[*entry].texts : nullptr;
  }
  void Atom(const PptRecordHeader& header, uint64_t body) {
    std::vector<std::u16string>* texts = Texts();
    switch (header.recType) {
      case kSlidePersistAtom:
        entry.reset();
        if (header.recLen == kSlidePersistAtomSize) {
          if (std::optional<uint32_t> persistIdRef = self.document_.U32(body)) {
            AddSlideEntry(*persistIdRef);
          }
        }
        break;
      case kTextHeaderAtom:
        if (texts) texts->emplace_back();
        break;
      case kTextCharsAtom:
        if (texts && !texts->empty()) {
          AppendUtf16Le(self.document_, body, header.recLen, texts->back());
        }
        break;
      case kTextBytesAtom:
        if (texts && !texts->empty()) {
          AppendWindows1252(self.document_, body, header.recLen, self.scratch_, texts->back());
        }
        break;
      default:
        break;
    }
  }
  void AddSlideEntry(uint32_t persistIdRef) {
    entry = self.slideEntries_.size();
    self.slideEntries_.push_back(SlideEntry{persistIdRef, {}});
    self.slidePersistList_.push_back(persistIdRef);
    self.entriesOfSlide_[persistIdRef].push_back(*entry);
  }
};

void PptTextExtractor::WalkDocument() {
  int64_t offset = directory_->FindPersistOffset(docPersistIdRef_);
  if (offset < 0) return;
  std::optional<PptRecordHeader> header = document_.Header(offset);
  if (!header) return;
  DocumentVisitor visitor{*this, std::nullopt};
  uint64_t budget = RecordBudget();
  WalkRecords(document_, offset, uint64_t(offset) + kPptRecordHeaderSize + header->recLen, budget,
              visitor);
}

// Emits the text atoms of one slide or notes page in stream order, and for each
// OutlineTextRefAtom the referenced text of the slide's entries.
struct PptTextExtractor::SlideVisitor {
  PptTextExtractor& self;
  uint32_t slideId = 0;

  bool Stopped() const { return self.outputFull_; }
  bool Enter(const PptRecordHeader&) const { return true; }
  void Atom(const PptRecordHeader& header, uint64_t body) {
    switch (header.recType) {
      case kTextCharsAtom:
        self.EmitText(
            [&](std::u16string& out) { AppendUtf16Le(self.document_, body, header.recLen, out); });
        break;
      case kTextBytesAtom:
        self.EmitText([&](std::u16string& out) {
          AppendWindows1252(self.document_, body, header.recLen, self.scratch_, out);
        });
        break;
      case kOutlineTextRefAtom:
        if (header.recLen == 4) {
          if (std::optional<uint32_t> index = self.document_.U32(body)) EmitReferencedText(*index);
        }
        break;
      default:
        break;
    }
  }
  void EmitReferencedText(uint32_t index) {
    auto found = self.entriesOfSlide_.find(slideId);
    if (found == self.entriesOfSlide_.end()) return;
    for (size_t entryIndex : found->second) {
      const SlideEntry& entry = self.slideEntries_[entryIndex];
      if (index < entry.texts.size()) {
        self.EmitText([&](std::u16string& out) { out += entry.texts[index]; });
      }
    }
  }
};

void PptTextExtractor::WalkSlides() {
  // Each record tree is walked once, even when several identifiers lead to it.
  std::unordered_set<int64_t> walked;
  uint64_t budget = RecordBudget();
  for (uint32_t slideId : slidePersistList_) {
    if (outputFull_ || budget == 0) return;
    int64_t offset = directory_->FindPersistOffset(slideId);
    if (offset < 0 || !walked.insert(offset).second) continue;
    std::optional<PptRecordHeader> header = document_.Header(offset);
    if (!header || (header->recType != kSlide && header->recType != kNotes)) continue;
    SlideVisitor visitor{*this, slideId};
    uint64_t childrenBegin = uint64_t(offset) + kPptRecordHeaderSize;
    WalkRecords(document_, childrenBegin, childrenBegin + header->recLen, budget, visitor);
  }
}

}  // namespace

std::optional<PptRecordHeader> ReadRecordHeader(std::span<const uint8_t> stream, uint64_t offset) {
  if (!Holds(stream, offset, kPptRecordHeaderSize)) return std::nullopt;
  PptRecordHeader header;
  uint16_t verAndInstance = ReadU16(stream, offset);
  header.recVer = static_cast<uint8_t>(verAndInstance & 0x0F);
  header.recInstance = static_cast<uint16_t>(verAndInstance >> 4);
  header.recType = ReadU16(stream, offset + 2);
  header.recLen = ReadU32(stream, offset + 4);
  return header;
}

namespace {

// A run's count has 12 bits; a writer that puts more than 4,095 identifiers in one run lets it
// wrap (LibreOffice does, for presentations of a few thousand slides), and read as written the
// rest of that run is taken for further runs. Runs as a sound writer stores them fill the
// directory exactly, each names at least one identifier, and their identifiers ascend without
// overlapping; when the runs as written are not like that, the first of them whose offsets
// would reach the directory's end exactly with a count larger by a multiple of 4,096 is taken
// as a wrapped run. The position of its header, or SIZE_MAX when there is none.
size_t WrappedRunHeader(Bytes directory) {
  const size_t values = directory.size() / 4;
  std::vector<size_t> headers;
  bool sound = true;
  uint64_t nextId = 0;
  for (size_t at = 0; at < values;) {
    uint32_t header = ReadU32(directory, 4 * at);
    size_t count = header >> 20;
    uint32_t firstId = header & 0xFFFFF;
    headers.push_back(at);
    if (count == 0 || firstId < nextId) sound = false;
    if (count > values - at - 1) {
      sound = false;
      break;
    }
    nextId = uint64_t{firstId} + count;
    at += 1 + count;
  }
  if (sound) return SIZE_MAX;
  for (size_t header : headers) {
    size_t count = ReadU32(directory, 4 * header) >> 20;
    size_t rest = values - header - 1;
    if (rest > count && (rest - count) % 4096 == 0) return header;
  }
  return SIZE_MAX;
}

}  // namespace

PptPersistDirectory::PptPersistDirectory(const std::vector<std::span<const uint8_t>>& directories) {
  for (Bytes directory : directories) {
    const size_t values = directory.size() / 4;
    const size_t wrapped = WrappedRunHeader(directory);
    for (size_t at = 0; at < values;) {
      const bool isWrapped = at == wrapped;
      uint32_t runHeader = ReadU32(directory, 4 * at++);
      uint32_t firstId = runHeader & 0xFFFFF;
      size_t count = isWrapped ? values - at : std::min<size_t>(runHeader >> 20, values - at);
      for (size_t i = 0; i < count; ++i) {
        entries_.push_back({static_cast<uint32_t>(firstId + i), ReadU32(directory, 4 * (at + i))});
      }
      at += count;
    }
  }
  // Entries were added in search order; the first one of each identifier is the one that counts.
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const Entry& a, const Entry& b) { return a.persistId < b.persistId; });
  entries_.erase(
      std::unique(entries_.begin(), entries_.end(),
                  [](const Entry& a, const Entry& b) { return a.persistId == b.persistId; }),
      entries_.end());
}

int64_t PptPersistDirectory::FindPersistOffset(uint32_t persistId) const {
  auto found = std::lower_bound(entries_.begin(), entries_.end(), persistId,
                                [](const Entry& e, uint32_t id) { return e.persistId < id; });
  if (found == entries_.end() || found->persistId != persistId) return -1;
  return found->offset;
}

namespace {

constexpr uint16_t kCurrentUserAtom = 0x0FF6;

// PowerPoint 95 and earlier write "Current User" as a bare user name, not as a CurrentUserAtom.
bool IsOlderVersion(const std::optional<Bytes>& currentUser, const PptStreams& older) {
  if (!currentUser || (!older.textContent && !older.olderVersionStream)) return false;
  std::optional<PptRecordHeader> header = ReadRecordHeader(*currentUser, 0);
  return !header || header->recType != kCurrentUserAtom;
}

// The "Text_Content" stream of an older version: Windows-1252 text, a CR after every text.
int32_t OlderVersionText(const PptStreams& older, std::u16string& text) {
  if (!older.textContent) return kFormatError;
  const Bytes bytes = *older.textContent;
  if (bytes.size() > kMaxTextUnits) return kFormatError;
  text = platform::CodePageToWide(
      1252, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  // A zero byte is no text (the stream may be padded with them).
  std::erase(text, u'\0');
  return static_cast<int32_t>(text.size() * 2);
}

int32_t ExtractFromStreams(std::optional<Bytes> currentUser, DocumentBytes* document,
                           const PptStreams& older, std::u16string& text) {
  text.clear();
  if (IsOlderVersion(currentUser, older)) return OlderVersionText(older, text);
  // The CurrentUserAtom: an 8-byte record header, then size, headerToken, offsetToCurrentEdit.
  if (!currentUser) return 0;
  if (!Holds(*currentUser, 0, kPptRecordHeaderSize + kCurrentUserAtomSize)) return 0;
  if (ReadU32(*currentUser, 8) != kCurrentUserAtomSize) return 0;
  uint32_t headerToken = ReadU32(*currentUser, 12);
  if (headerToken == kEncryptedHeaderToken) return kNotAllowed;
  if (headerToken != kPlainHeaderToken) return 0;
  if (!document) return 0;

  PptTextExtractor extractor(*document, text);
  if (!extractor.ReadEditChain(ReadU32(*currentUser, 16))) {
    text.clear();
    return 0;
  }
  extractor.WalkDocument();
  extractor.WalkSlides();
  return static_cast<int32_t>(text.size() * 2);
}

}  // namespace

int32_t ExtractPptText(const PptStreams& streams, std::u16string& text) {
  std::optional<DocumentBytes> document;
  if (streams.document) document.emplace(*streams.document);
  return ExtractFromStreams(streams.currentUser, document ? &*document : nullptr, streams, text);
}

int32_t ExtractPptText(const std::filesystem::path& source, std::u16string& text) {
  text.clear();
  if (int32_t check = CheckDocFile(source); check != 0) return check;
  std::unique_ptr<TDocFileStorage> storage = OpenDocFile(source, kDocFileReadMode);
  if (!storage || !storage->LastError().empty()) return kOpenError;
  std::vector<uint8_t> currentUserBytes;
  std::optional<Bytes> currentUser;
  if (std::unique_ptr<TDocFileStream> stream =
          storage->OpenStream("Current User", kDocFileReadMode)) {
    currentUserBytes = stream->ReadAll();
    currentUser = currentUserBytes;
  }
  PptStreams older;
  std::vector<uint8_t> textContentBytes;
  if (std::unique_ptr<TDocFileStream> textContent =
          storage->OpenStream("Text_Content", kDocFileReadMode)) {
    textContentBytes = textContent->ReadAll();
    older.textContent = textContentBytes;
  }
  older.olderVersionStream = storage->OpenStream("Header", kDocFileReadMode) != nullptr ||
                             storage->OpenStream("PP40", kDocFileReadMode) != nullptr;
  std::unique_ptr<TDocFileStream> stream =
      storage->OpenStream("PowerPoint Document", kDocFileReadMode);
  std::optional<DocumentBytes> document;
  if (stream) document.emplace(*stream);
  return ExtractFromStreams(currentUser, document ? &*document : nullptr, older, text);
}

int32_t ConvertPpt(const std::filesystem::path& source, int32_t limit, OutputBlock& block,
                   int32_t codePage) {
  (void)limit;
  try {
    std::u16string text;
    int32_t result = ExtractPptText(source, text);
    if (result < 0) return result;
    return OutputUtf16Text(text, kCrLf, codePage, block);
  } catch (...) {
    return kFormatError;
  }
}

}  // namespace scrivtar
