// A test-side writer of Windows help files, for the cases halibut does not produce: old-format
// files, LZ77-compressed topic blocks, both phrase-table forms, records that span blocks, table
// records, every formatting command, and damaged structures.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace scrivtar::test {

// Greedy LZ77 in the help-file variant (4,096-byte window, lengths 3 to 18). With literalsOnly
// every byte is stored as a literal: n bytes take n + ceil(n / 8) stored bytes.
std::string Lz77Compress(const std::string& data, bool literalsOnly = false);

struct HlpRecord {
  uint8_t type = 0x20;    // 0x20 display, 0x23 table, 0x01 old display, 0x02 topic header
  std::string format;     // formatting data (after the 21-byte header)
  std::string text;       // stored text (plain, or phrase codes)
  int32_t dataLen2 = -1;  // expanded text size; -1: the stored size
  // Overrides for damaged records (0: computed).
  int32_t blockSize = 0;
  bool nextBlockSet = false;
  int32_t nextBlock = 0;
};

enum class HlpPhrases { kNone, kOld, kHall };

struct HlpOptions {
  uint16_t minor = 33;  // 15: Windows 3.0 (old format), 21: 3.1, 33: WinHelp 4
  uint16_t flags = 0;   // 0 uncompressed, 4 compressed 4K blocks, 8 compressed 2K blocks
  HlpPhrases phrases = HlpPhrases::kNone;
  std::vector<std::string> phraseList;
  bool phraseImageCompressed = true;  // the |PhrImage file (Hall form)
  std::vector<std::pair<uint16_t, std::string>> systemRecords;
  std::vector<HlpRecord> records;
  // Records start in the next block when fewer than 21 bytes are left, as compilers do; with
  // this set, a header may be cut by the block end.
  bool allowHeaderSplit = false;
  // Names of internal files as written in the directory (to misspell one), and extra entries.
  std::string topicName = "|TOPIC";
  bool addBothPhraseForms = false;  // |Phrases and |PhrIndex together (not accepted)
  int directoryLeafEntries = 0;     // > 0: split the directory into leaf pages this size
};

struct HlpLayout {
  uint32_t directoryStart = 0;
  std::map<std::string, uint32_t> fileOffsets;        // internal file header offsets
  std::map<std::string, uint32_t> entryOffsetFields;  // where each directory entry's offset is
};

std::string BuildHelpFile(const HlpOptions& options, HlpLayout* layout = nullptr);

// Formatting data for a display record: topic size, topic length, one paragraph header with no
// flags, then `commands` (strings of the text are consumed one per command).
std::string DisplayFormat(const std::string& commands);
// A display record whose strings are separated by zero bytes.
HlpRecord TextRecord(const std::string& text, const std::string& commands);
// A topic header record (type 0x02): a line break between topics once text has been seen.
HlpRecord TopicHeader();

void PutLe16(std::string& out, uint32_t value);
void PutLe32(std::string& out, uint32_t value);
void SetLe32(std::string& bytes, size_t at, uint32_t value);

}  // namespace scrivtar::test
