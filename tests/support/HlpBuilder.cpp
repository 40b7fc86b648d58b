#include "HlpBuilder.h"

#include <algorithm>
#include <stdexcept>

namespace scrivtar::test {
namespace {

constexpr int kBlockHeader = 12;
constexpr int kRecordHeader = 21;

struct InternalFile {
  std::string name;
  std::string data;
};

std::string SystemFile(const HlpOptions& options) {
  std::string out;
  PutLe16(out, 0x036C);
  PutLe16(out, options.minor);
  PutLe16(out, 1);
  PutLe32(out, 0);
  PutLe16(out, options.flags);
  if (options.minor <= 16) {
    out += std::string("Built help\0", 11);
    return out;
  }
  for (const auto& [type, data] : options.systemRecords) {
    PutLe16(out, type);
    PutLe16(out, static_cast<uint32_t>(data.size()));
    out += data;
  }
  return out;
}

std::string PhraseImage(const HlpOptions& options, std::vector<uint32_t>& starts) {
  std::string image;
  for (const std::string& phrase : options.phraseList) {
    starts.push_back(static_cast<uint32_t>(image.size()));
    image += phrase;
  }
  starts.push_back(static_cast<uint32_t>(image.size()));
  return image;
}

std::string OldPhraseFile(const HlpOptions& options) {
  std::vector<uint32_t> starts;
  const std::string image = PhraseImage(options, starts);
  const uint32_t count = static_cast<uint32_t>(options.phraseList.size());
  const bool oldFormat = options.minor < 16;
  std::string out;
  PutLe16(out, count);
  PutLe16(out, 0x0100);
  if (!oldFormat) PutLe32(out, static_cast<uint32_t>(image.size()));
  for (uint32_t start : starts) PutLe16(out, 2 * count + 2 + start);
  out += oldFormat ? image : Lz77Compress(image);
  return out;
}

void HallFiles(const HlpOptions& options, std::string& index, std::string& imageFile) {
  std::vector<uint32_t> starts;
  const std::string image = PhraseImage(options, starts);
  const std::string stored = options.phraseImageCompressed ? Lz77Compress(image) : image;
  constexpr uint32_t kBits = 4;
  std::vector<bool> bits;
  for (const std::string& phrase : options.phraseList) {
    if (phrase.empty()) throw std::invalid_argument("Hall phrases are at least one byte long");
    const uint32_t rest = static_cast<uint32_t>(phrase.size()) - 1;
    for (uint32_t q = rest >> kBits; q > 0; --q) bits.push_back(true);
    bits.push_back(false);
    for (uint32_t bit = 0; bit < kBits; ++bit) bits.push_back(((rest >> bit) & 1) != 0);
  }
  while (bits.size() % 32 != 0) bits.push_back(false);
  index.clear();
  PutLe32(index, 1);
  PutLe32(index, static_cast<uint32_t>(options.phraseList.size()));
  PutLe32(index, 0);
  PutLe32(index, static_cast<uint32_t>(image.size()));
  PutLe32(index, static_cast<uint32_t>(stored.size()));
  PutLe32(index, 0);
  PutLe16(index, kBits);
  PutLe16(index, 0x4A00);
  for (size_t i = 0; i < bits.size(); i += 32) {
    uint32_t word = 0;
    for (int bit = 0; bit < 32; ++bit) word |= (bits[i + bit] ? 1u : 0u) << bit;
    PutLe32(index, word);
  }
  imageFile = stored;
}

std::string RecordBytes(const HlpRecord& record, int32_t nextBlock) {
  const int32_t size =
      kRecordHeader + static_cast<int32_t>(record.format.size() + record.text.size());
  std::string out;
  PutLe32(out, static_cast<uint32_t>(record.blockSize != 0 ? record.blockSize : size));
  PutLe32(out,
          static_cast<uint32_t>(record.dataLen2 >= 0 ? record.dataLen2
                                                     : static_cast<int32_t>(record.text.size())));
  PutLe32(out, 0xFFFFFFFF);
  PutLe32(out, static_cast<uint32_t>(record.nextBlockSet ? record.nextBlock : nextBlock));
  PutLe32(out, static_cast<uint32_t>(kRecordHeader + record.format.size()));
  out += static_cast<char>(record.type);
  out += record.format;
  out += record.text;
  return out;
}

std::string TopicFile(const HlpOptions& options) {
  const bool oldFormat = options.minor < 16;
  const bool compressed = !oldFormat && (options.flags == 4 || options.flags == 8);
  const int blockSize = (oldFormat || options.flags == 8) ? 2048 : 4096;
  const int capacity = blockSize > 2048 ? 16384 : 2048;
  // Data bytes per block: a literal-only compressed block of n bytes fills n + ceil(n / 8).
  const int perBlock = compressed ? ((blockSize - kBlockHeader) * 8) / 9 : blockSize - kBlockHeader;

  // Place the records in the decompressed stream: block number and offset (header included).
  struct Place {
    int block;
    int offset;
  };
  std::vector<Place> places;
  int block = 0;
  int offset = kBlockHeader;
  for (const HlpRecord& record : options.records) {
    if (!options.allowHeaderSplit && perBlock + kBlockHeader - offset < kRecordHeader) {
      ++block;
      offset = kBlockHeader;
    }
    places.push_back({block, offset});
    int size = kRecordHeader + static_cast<int>(record.format.size() + record.text.size());
    while (size > 0) {
      const int room = perBlock + kBlockHeader - offset;
      const int part = std::min(room, size);
      size -= part;
      offset += part;
      if (offset == perBlock + kBlockHeader) {
        ++block;
        offset = kBlockHeader;
      }
    }
  }
  std::vector<std::string> data(static_cast<size_t>(block) + 1);
  auto position = [&](const Place& p) {
    return static_cast<int64_t>(p.block) * capacity + p.offset;
  };
  for (size_t i = 0; i < options.records.size(); ++i) {
    int32_t next = -1;
    if (i + 1 < options.records.size()) {
      next = static_cast<int32_t>(oldFormat ? position(places[i + 1]) - position(places[i])
                                            : position(places[i + 1]));
    }
    std::string bytes = RecordBytes(options.records[i], next);
    int b = places[i].block;
    int at = places[i].offset;
    size_t done = 0;
    while (done < bytes.size()) {
      std::string& blockData = data[b];
      blockData.resize(std::max<size_t>(blockData.size(), at - kBlockHeader), '\0');
      const size_t part = std::min<size_t>(bytes.size() - done, perBlock + kBlockHeader - at);
      blockData += bytes.substr(done, part);
      done += part;
      ++b;
      at = kBlockHeader;
    }
  }
  while (!data.empty() && data.back().empty()) data.pop_back();

  std::string out;
  for (size_t b = 0; b < data.size(); ++b) {
    const bool last = b + 1 == data.size();
    std::string blockData = data[b];
    if (!last) blockData.resize(perBlock, '\0');
    std::string stored(kBlockHeader, '\0');
    stored += compressed ? Lz77Compress(blockData, !last) : blockData;
    if (!last && static_cast<int>(stored.size()) != blockSize) {
      throw std::logic_error("topic block does not fill its stored size");
    }
    out += stored;
  }
  return out;
}

void PutFile(std::string& out, const std::string& data) {
  PutLe32(out, static_cast<uint32_t>(data.size() + 9));
  PutLe32(out, static_cast<uint32_t>(data.size()));
  out += '\0';
  out += data;
}

}  // namespace

void PutLe16(std::string& out, uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void PutLe32(std::string& out, uint32_t value) {
  PutLe16(out, value & 0xFFFF);
  PutLe16(out, value >> 16);
}

void SetLe32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string Lz77Compress(const std::string& data, bool literalsOnly) {
  std::string out;
  size_t pos = 0;
  while (pos < data.size()) {
    const size_t controlAt = out.size();
    out += '\0';
    uint8_t control = 0;
    for (int bit = 0; bit < 8 && pos < data.size(); ++bit) {
      size_t bestLength = 0;
      size_t bestSource = 0;
      if (!literalsOnly) {
        const size_t windowStart = pos > 4096 ? pos - 4096 : 0;
        for (size_t source = windowStart; source < pos; ++source) {
          size_t length = 0;
          while (length < 18 && pos + length < data.size() &&
                 data[source + length] == data[pos + length]) {
            ++length;
          }
          if (length > bestLength) {
            bestLength = length;
            bestSource = source;
          }
        }
      }
      if (bestLength >= 3) {
        control |= static_cast<uint8_t>(1u << bit);
        const uint32_t distance = static_cast<uint32_t>(pos - bestSource - 1);
        PutLe16(out, distance | (static_cast<uint32_t>(bestLength - 3) << 12));
        pos += bestLength;
      } else {
        out += data[pos++];
      }
    }
    out[controlAt] = static_cast<char>(control);
  }
  return out;
}

std::string DisplayFormat(const std::string& commands) {
  std::string out;
  PutLe16(out, 0x8000);  // compressed long: topic size 0
  out += '\0';           // compressed word: topic length 0
  PutLe32(out, 0);       // paragraph: 4 skipped bytes
  PutLe16(out, 0);       // paragraph flags
  return out + commands;
}

HlpRecord TextRecord(const std::string& text, const std::string& commands) {
  HlpRecord record;
  record.type = 0x20;
  record.format = DisplayFormat(commands);
  record.text = text;
  return record;
}

HlpRecord TopicHeader() {
  HlpRecord record;
  record.type = 0x02;
  record.text = std::string(12, '\0');
  record.dataLen2 = 0;
  return record;
}

std::string BuildHelpFile(const HlpOptions& options, HlpLayout* layout) {
  std::vector<InternalFile> files;
  files.push_back({"|SYSTEM", SystemFile(options)});
  files.push_back({options.topicName, TopicFile(options)});
  if (options.phrases == HlpPhrases::kOld || options.addBothPhraseForms) {
    files.push_back({"|Phrases", OldPhraseFile(options)});
  }
  if (options.phrases == HlpPhrases::kHall || options.addBothPhraseForms) {
    std::string index;
    std::string image;
    HallFiles(options, index, image);
    files.push_back({"|PhrIndex", index});
    files.push_back({"|PhrImage", image});
  }
  files.push_back({"|CONTEXT", std::string(16, '\0')});
  std::sort(files.begin(), files.end(),
            [](const InternalFile& a, const InternalFile& b) { return a.name < b.name; });

  std::string out(16, '\0');
  HlpLayout local;
  HlpLayout& where = layout != nullptr ? *layout : local;
  std::vector<uint32_t> offsets;
  for (const InternalFile& file : files) {
    offsets.push_back(static_cast<uint32_t>(out.size()));
    where.fileOffsets[file.name] = offsets.back();
    PutFile(out, file.data);
  }

  // The directory: one leaf page, or leaf pages of directoryLeafEntries under an index page.
  constexpr uint32_t kPageSize = 1024;
  const size_t perLeaf = options.directoryLeafEntries > 0
                             ? static_cast<size_t>(options.directoryLeafEntries)
                             : files.size();
  const size_t leafCount = (files.size() + perLeaf - 1) / perLeaf;
  const bool indexed = leafCount > 1;
  const uint32_t directoryStart = static_cast<uint32_t>(out.size());
  where.directoryStart = directoryStart;
  std::string tree;
  PutLe16(tree, 0x293B);
  PutLe16(tree, 0x0402);
  PutLe16(tree, kPageSize);
  tree += std::string("z4", 2) + std::string(14, '\0');
  PutLe16(tree, 0);                                               // must be zero
  PutLe16(tree, 0);                                               // page splits
  PutLe16(tree, indexed ? static_cast<uint32_t>(leafCount) : 0);  // root page
  PutLe16(tree, 0xFFFF);                                          // must be minus one
  PutLe16(tree, static_cast<uint32_t>(leafCount + (indexed ? 1 : 0)));
  PutLe16(tree, indexed ? 2 : 1);  // levels
  PutLe32(tree, static_cast<uint32_t>(files.size()));
  const uint32_t pagesStart = directoryStart + 9 + static_cast<uint32_t>(tree.size());
  std::string pages;
  for (size_t leaf = 0; leaf < leafCount; ++leaf) {
    std::string page;
    const size_t first = leaf * perLeaf;
    const size_t last = std::min(files.size(), first + perLeaf);
    PutLe16(page, 0);
    PutLe16(page, static_cast<uint32_t>(last - first));
    PutLe16(page, leaf == 0 ? 0xFFFF : static_cast<uint32_t>(leaf - 1));
    PutLe16(page, leaf + 1 == leafCount ? 0xFFFF : static_cast<uint32_t>(leaf + 1));
    for (size_t i = first; i < last; ++i) {
      page += files[i].name;
      page += '\0';
      where.entryOffsetFields[files[i].name] =
          pagesStart + static_cast<uint32_t>(pages.size() + page.size());
      PutLe32(page, offsets[i]);
    }
    page.resize(kPageSize, '\0');
    pages += page;
  }
  if (indexed) {
    std::string page;
    PutLe16(page, 0);
    PutLe16(page, static_cast<uint32_t>(leafCount - 1));
    PutLe16(page, 0);  // first child: leaf 0
    for (size_t leaf = 1; leaf < leafCount; ++leaf) {
      page += files[leaf * perLeaf].name;
      page += '\0';
      PutLe16(page, static_cast<uint32_t>(leaf));
    }
    page.resize(kPageSize, '\0');
    pages += page;
  }
  PutFile(out, tree + pages);
  SetLe32(out, 0, 0x00035F3F);
  SetLe32(out, 4, directoryStart);
  SetLe32(out, 8, 0xFFFFFFFF);
  SetLe32(out, 12, static_cast<uint32_t>(out.size()));
  return out;
}

}  // namespace scrivtar::test
