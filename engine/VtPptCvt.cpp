#include "VtPptCvt.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "TDocFile_U1.h"
#include "VtCvtBase.h"
#include "platform/CodePage.h"

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

// Appends the whole UTF-16LE code units of a TextCharsAtom body; an odd last byte is dropped.
void AppendUtf16Le(Bytes body, std::u16string& out) {
  size_t units = body.size() / 2;
  size_t at = out.size();
  out.resize(at + units);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out.data() + at, body.data(), units * 2);
  } else {
    for (size_t i = 0; i < units; ++i) out[at + i] = ReadU16(body, 2 * i);
  }
}

void AppendWindows1252(Bytes body, std::u16string& out) {
  out += platform::CodePageToWide(
      1252, std::string_view(reinterpret_cast<const char*>(body.data()), body.size()));
}

// Depth-first walk over the records between begin and end, in stream order. A container is
// clamped to its parent's end; an atom that reaches past its container's end ends that container
// (the records before it stand). The visitor says whether to enter a container and takes the
// atoms; it can stop the walk. Every walk visits at most `budget` records, which is more than a
// stream of that size can hold without overlapping records.
template <typename Visitor>
void WalkRecords(Bytes stream, uint64_t begin, uint64_t end, uint64_t& budget, Visitor& visitor) {
  std::vector<uint64_t> openEnds{std::min<uint64_t>(end, stream.size())};
  uint64_t pos = begin;
  while (!openEnds.empty() && !visitor.Stopped()) {
    uint64_t containerEnd = openEnds.back();
    if (pos >= containerEnd || containerEnd - pos < kPptRecordHeaderSize) {
      pos = containerEnd;
      openEnds.pop_back();
      continue;
    }
    if (budget == 0) return;
    --budget;
    std::optional<PptRecordHeader> header = ReadRecordHeader(stream, pos);
    uint64_t bodyBegin = pos + kPptRecordHeaderSize;
    uint64_t bodyEnd = bodyBegin + header->recLen;
    if (header->IsContainer()) {
      uint64_t childEnd = std::min(bodyEnd, containerEnd);
      if (openEnds.size() < kMaxRecordDepth && visitor.Enter(*header)) {
        openEnds.push_back(childEnd);
        pos = bodyBegin;
      } else {
        pos = childEnd;
      }
    } else if (bodyEnd > containerEnd) {
      pos = containerEnd;
      openEnds.pop_back();
    } else {
      visitor.Atom(*header, stream.subspan(bodyBegin, header->recLen));
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
  PptTextExtractor(Bytes document, std::u16string& out)
      : document_(document),
        out_(out),
        maxTextUnits_(std::min<uint64_t>(2 * uint64_t{document.size()} + 4096, kMaxTextUnits)) {}

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

  Bytes document_;
  std::u16string& out_;
  uint64_t maxTextUnits_;
  bool outputFull_ = false;
  uint32_t docPersistIdRef_ = 0;
  std::optional<PptPersistDirectory> directory_;
  std::vector<uint32_t> slidePersistList_;
  std::vector<SlideEntry> slideEntries_;
  std::unordered_map<uint32_t, std::vector<size_t>> entriesOfSlide_;
};

bool PptTextExtractor::ReadEditChain(uint32_t offsetToCurrentEdit) {
  std::vector<Bytes> directories;
  std::unordered_set<uint32_t> visitedEdits;
  // The directories of a sound chain never overlap, so together they hold at most the stream's
  // bytes; edits that share or overlap their directories get no more than that either.
  uint64_t directoryBytesLeft = document_.size();
  for (uint32_t edit = offsetToCurrentEdit; edit != 0;) {
    // An edit that points back into the chain ends it: every edit was read once.
    if (!visitedEdits.insert(edit).second) break;
    std::optional<PptRecordHeader> header = ReadRecordHeader(document_, edit);
    uint64_t body = uint64_t{edit} + kPptRecordHeaderSize;
    if (!header || header->recType != kUserEditAtom || header->recLen != kUserEditAtomSize ||
        !Holds(document_, body, kUserEditAtomSize)) {
      return false;
    }
    uint32_t offsetLastEdit = ReadU32(document_, body + 8);
    uint32_t offsetPersistDirectory = ReadU32(document_, body + 12);
    if (directories.empty()) docPersistIdRef_ = ReadU32(document_, body + 16);
    Bytes directoryBody;
    if (std::optional<PptRecordHeader> dir = ReadRecordHeader(document_, offsetPersistDirectory)) {
      uint64_t begin = uint64_t{offsetPersistDirectory} + kPptRecordHeaderSize;
      directoryBody = document_.subspan(
          begin, std::min<uint64_t>({dir->recLen, document_.size() - begin, directoryBytesLeft}));
      directoryBytesLeft -= directoryBody.size();
    }
    directories.push_back(directoryBody);
    edit = offsetLastEdit;
  }
  if (directories.empty()) return false;
  directory_.emplace(directories);
  return true;
}

template <typename Append>
void PptTextExtractor::EmitText(Append append) {
  if (outputFull_) return;
  append(out_);
  out_.push_back(u'\r');
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
  void Atom(const PptRecordHeader& header, Bytes body) {
    std::vector<std::u16string>* texts = Texts();
    switch (header.recType) {
      case kSlidePersistAtom:
        entry.reset();
        if (body.size() == kSlidePersistAtomSize) AddSlideEntry(ReadU32(body, 0));
        break;
      case kTextHeaderAtom:
        if (texts) texts->emplace_back();
        break;
      case kTextCharsAtom:
        if (texts && !texts->empty()) AppendUtf16Le(body, texts->back());
        break;
      case kTextBytesAtom:
        if (texts && !texts->empty()) AppendWindows1252(body, texts->back());
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
  std::optional<PptRecordHeader> header = ReadRecordHeader(document_, offset);
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
  void Atom(const PptRecordHeader& header, Bytes body) {
    switch (header.recType) {
      case kTextCharsAtom:
        self.EmitText([&](std::u16string& out) { AppendUtf16Le(body, out); });
        break;
      case kTextBytesAtom:
        self.EmitText([&](std::u16string& out) { AppendWindows1252(body, out); });
        break;
      case kOutlineTextRefAtom:
        if (body.size() == 4) EmitReferencedText(ReadU32(body, 0));
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
    std::optional<PptRecordHeader> header = ReadRecordHeader(document_, offset);
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

PptPersistDirectory::PptPersistDirectory(const std::vector<std::span<const uint8_t>>& directories) {
  for (Bytes directory : directories) {
    size_t values = directory.size() / 4;
    for (size_t at = 0; at < values;) {
      uint32_t runHeader = ReadU32(directory, 4 * at++);
      uint32_t firstId = runHeader & 0xFFFFF;
      size_t count = std::min<size_t>(runHeader >> 20, values - at);
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

int32_t ExtractPptText(const PptStreams& streams, std::u16string& text) {
  text.clear();
  // The CurrentUserAtom: an 8-byte record header, then size, headerToken, offsetToCurrentEdit.
  if (!streams.currentUser) return 0;
  Bytes currentUser = *streams.currentUser;
  if (!Holds(currentUser, 0, kPptRecordHeaderSize + kCurrentUserAtomSize)) return 0;
  if (ReadU32(currentUser, 8) != kCurrentUserAtomSize) return 0;
  uint32_t headerToken = ReadU32(currentUser, 12);
  if (headerToken == kEncryptedHeaderToken) return kNotAllowed;
  if (headerToken != kPlainHeaderToken) return 0;
  if (!streams.document) return 0;

  PptTextExtractor extractor(*streams.document, text);
  if (!extractor.ReadEditChain(ReadU32(currentUser, 16))) {
    text.clear();
    return 0;
  }
  extractor.WalkDocument();
  extractor.WalkSlides();
  return static_cast<int32_t>(text.size() * 2);
}

int32_t ExtractPptText(const std::filesystem::path& source, std::u16string& text) {
  text.clear();
  if (int32_t check = CheckDocFile(source); check != 0) return check;
  std::unique_ptr<TDocFileStorage> storage = OpenDocFile(source, kDocFileReadMode);
  if (!storage || !storage->LastError().empty()) return kOpenError;
  std::vector<uint8_t> currentUser;
  std::vector<uint8_t> document;
  PptStreams streams;
  if (std::unique_ptr<TDocFileStream> stream =
          storage->OpenStream("Current User", kDocFileReadMode)) {
    currentUser = stream->ReadAll();
    streams.currentUser = currentUser;
  }
  if (std::unique_ptr<TDocFileStream> stream =
          storage->OpenStream("PowerPoint Document", kDocFileReadMode)) {
    document = stream->ReadAll();
    streams.document = document;
  }
  return ExtractPptText(streams, text);
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
