// PowerPoint 97-2003 binary presentations (.ppt): the edit chain of the "PowerPoint Document"
// stream, its persist directories, the document's slide lists and the text atoms of every slide
// and notes page, in presentation order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "scrivtar/ResultCodes.h"

namespace scrivtar {

// The 8-byte header in front of every PowerPoint record.
struct PptRecordHeader {
  uint8_t recVer = 0;        // 0xF for a container of further records
  uint16_t recInstance = 0;  // 12 bits
  uint16_t recType = 0;
  uint32_t recLen = 0;  // body length; for a container the size of all its children

  bool IsContainer() const { return recVer == 0xF; }
};

inline constexpr uint64_t kPptRecordHeaderSize = 8;

// The header at offset, or nothing when its 8 bytes are not all inside the stream.
std::optional<PptRecordHeader> ReadRecordHeader(std::span<const uint8_t> stream, uint64_t offset);

// The persist directories of an edit chain, merged into one lookup. Each directory is the body
// of one edit's PersistDirectoryAtom: runs of a 32-bit header (low 20 bits the first persist
// identifier, high 12 bits the count n) followed by n stream offsets.
class PptPersistDirectory {
 public:
  // directories: most recent edit first. A run that claims more offsets than its directory
  // holds covers only the offsets that are there, and ends that directory.
  explicit PptPersistDirectory(const std::vector<std::span<const uint8_t>>& directories);

  // The stream offset of a persist identifier, or -1 when no directory holds it. The most
  // recent directory that covers the identifier decides; within one, the first run that does.
  int64_t FindPersistOffset(uint32_t persistId) const;

 private:
  struct Entry {
    uint32_t persistId;
    uint32_t offset;
  };
  std::vector<Entry> entries_;  // sorted by identifier, one per identifier
};

// The streams of a presentation; nullopt stands for a stream the file does not have.
struct PptStreams {
  std::optional<std::span<const uint8_t>> currentUser;  // "Current User"
  std::optional<std::span<const uint8_t>> document;     // "PowerPoint Document"
  // PowerPoint 95 and earlier: the slide text as they store it for indexing ("Text_Content",
  // Windows-1252, a CR after every text), and whether the file carries a stream only those
  // versions write ("Header", "PP40").
  std::optional<std::span<const uint8_t>> textContent;
  bool olderVersionStream = false;
};

// Fills text with the UTF-16 text of the slides and then the notes pages, a CR after every text.
// Returns the text's length in bytes: 0 for a presentation whose edit chain or streams give no
// text, -11 for an encrypted one. A presentation of an older version (a "Current User" without
// its atom, beside an older version's stream) gives its "Text_Content" text, or -5 without one.
int32_t ExtractPptText(const PptStreams& streams, std::u16string& text);

// The same for a file: -2 when it is missing, -5 when it is not a compound document, -4 when it
// cannot be opened.
int32_t ExtractPptText(const std::filesystem::path& source, std::u16string& text);

// Entry point for type PPT: the text in the code page, lines ended by CR LF (vertical tabs, the
// soft line breaks inside a paragraph, are kept). limit is ignored (callers pass 0). Returns the
// byte count stored in block or a negative result code; every error raised while reading gives
// -5.
int32_t ConvertPpt(const std::filesystem::path& source, int32_t limit, OutputBlock& block,
                   int32_t codePage);

}  // namespace scrivtar
