// The help-file filter driven through its four exports over a memory stream record: the filter
// interface, recognition, LZ77, phrase tables, the topic walk and the text of each record.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "HlpBuilder.h"
#include "Lz77.h"
#include "ScrHlp.h"
#include "TestSupport.h"

namespace scrivtar::test {
namespace {

// A source in memory behind the stream record's callbacks, with faults on request.
struct MemorySource {
  ScrStreamRecord record{};
  std::string data;
  uint32_t position = 0;
  int32_t sizeResult = 0;   // GetSize's result
  int32_t readResult = 0;   // Read's result once `failAfterReads` reads went well
  int failAfterReads = -1;  // the number of the first read that fails
  bool shortReads = false;  // deliver one byte less than asked
  int reads = 0;

  explicit MemorySource(std::string bytes) : data(std::move(bytes)) {
    record.recordSize = sizeof(ScrStreamRecord);
    record.source = this;
    record.getSize = &GetSize;
    record.seek = &Seek;
    record.read = &Read;
  }
  static MemorySource& Of(ScrStreamRecord* record) {
    return *static_cast<MemorySource*>(record->source);
  }
  static int32_t GetSize(ScrStreamRecord* record, uint32_t* low, uint32_t* high) {
    MemorySource& source = Of(record);
    *low = static_cast<uint32_t>(source.data.size());
    *high = 0;
    return source.sizeResult;
  }
  static int32_t Seek(ScrStreamRecord* record, int32_t* offset, void*, int32_t origin) {
    MemorySource& source = Of(record);
    EXPECT_EQ(origin, 0);
    source.position = static_cast<uint32_t>(
        std::clamp<int64_t>(*offset, 0, static_cast<int64_t>(source.data.size())));
    return 0;
  }
  static int32_t Read(ScrStreamRecord* record, void* buffer, uint32_t count, int32_t* got) {
    MemorySource& source = Of(record);
    ++source.reads;
    if (source.failAfterReads >= 0 && source.reads >= source.failAfterReads) {
      *got = 0;
      return source.readResult;
    }
    uint32_t n =
        std::min<uint32_t>(count, static_cast<uint32_t>(source.data.size()) - source.position);
    if (source.shortReads && n > 0) --n;
    std::memcpy(buffer, source.data.data() + source.position, n);
    source.position += n;
    *got = static_cast<int32_t>(n);
    return 0;
  }
};

struct Conversion {
  int32_t create = -1;
  int32_t read = -1;
  std::string text;
};

Conversion Convert(MemorySource& source, uint32_t bufferSize = 65536) {
  Conversion result;
  result.create = CreateConverter(&source.record);
  if (result.create == 0) {
    std::vector<char> buffer(bufferSize);
    uint32_t count = 0;
    while ((result.read = ReadConverter(&source.record, buffer.data(), bufferSize, &count)) == 0 &&
           count > 0) {
      EXPECT_LE(count, bufferSize);
      result.text.append(buffer.data(), count);
    }
    // After the end, more calls keep answering 0 bytes.
    for (int i = 0; i < 3 && result.read == 0; ++i) {
      EXPECT_EQ(ReadConverter(&source.record, buffer.data(), bufferSize, &count), 0);
      EXPECT_EQ(count, 0u);
    }
  }
  EXPECT_EQ(CloseConverter(&source.record), 0);
  EXPECT_EQ(source.record.filterState, nullptr);
  return result;
}

Conversion Convert(const std::string& bytes, uint32_t bufferSize = 65536) {
  MemorySource source(bytes);
  return Convert(source, bufferSize);
}

std::string Fixture(const std::string& name) {
  return ReadFileBytes(FixturesDir() / "hlp" / name);
}

bool IsUtf8(const std::string& text) {
  iconv_t check = iconv_open("UTF-8", "UTF-8");
  std::string copy = text;
  std::string out(text.size() + 4, '\0');
  char* in = copy.data();
  size_t inLeft = copy.size();
  char* outCursor = out.data();
  size_t outLeft = out.size();
  const bool ok = iconv(check, &in, &inLeft, &outCursor, &outLeft) != static_cast<size_t>(-1);
  iconv_close(check);
  return ok;
}

// Two topics: "Hello" CR LF "World" CR LF, a line break for the second topic, "Second topic".
HlpOptions TwoTopics() {
  HlpOptions options;
  options.records = {TopicHeader(), TextRecord(std::string("Hello\0World", 11), "\x82\x82\xFF"),
                     TopicHeader(), TextRecord("Second topic", "\xFF")};
  return options;
}
const std::string kTwoTopicsText = "Hello\r\nWorld\r\n\r\nSecond topic";

// --- The filter interface --------------------------------------------------------------------

TEST(ScrhlpInterface, ExtensionsAreTheConstantHlp) {
  const char* first = GetFilterExtensions();
  EXPECT_EQ(first, GetFilterExtensions());
  EXPECT_EQ(std::memcmp(first, "HLP", 4), 0);
}

TEST(ScrhlpInterface, SourcesThatAreNoHelpFilesPassThroughByteForByte) {
  std::string big(150000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 3);
  const std::string cases[] = {
      "0123456789",                                                              // 10 bytes of text
      std::string("\x3F\x5F\x03\x00\x10\x00\x00\x00", 8) + std::string(8, 'x'),  // 16 bytes
      std::string("caf\xE9 \xFF\xFE\x00 bytes that are not UTF-8", 34),
      big,  // more than one 65,536-byte chunk
      "",
  };
  for (const std::string& bytes : cases) {
    const Conversion result = Convert(bytes);
    EXPECT_EQ(result.create, 0);
    EXPECT_EQ(result.read, 0);
    EXPECT_EQ(result.text, bytes);
  }
}

TEST(ScrhlpInterface, OneByteBufferGivesTheSameBytesAsAFullOne) {
  const std::string sources[] = {Fixture("guide.hlp"), Fixture("long.hlp"),
                                 BuildHelpFile(TwoTopics()), std::string(70000, 'q')};
  for (const std::string& bytes : sources) {
    const Conversion whole = Convert(bytes, 65536);
    const Conversion bytewise = Convert(bytes, 1);
    EXPECT_FALSE(whole.text.empty());
    EXPECT_EQ(bytewise.text, whole.text);
  }
}

TEST(ScrhlpInterface, CallbackErrorsComeBackUnchanged) {
  const std::string help = BuildHelpFile(TwoTopics());
  {
    MemorySource source(help);
    source.sizeResult = 5;
    EXPECT_EQ(Convert(source).create, 5);
  }
  {
    MemorySource source(help);
    source.failAfterReads = 0;
    source.readResult = 7;
    EXPECT_EQ(Convert(source).create, 7);
  }
  {
    MemorySource source(help);
    source.shortReads = true;
    EXPECT_EQ(Convert(source).create, 1001);
  }
  {  // a source that fails while the text is read: the error comes back after the text before
    HlpOptions options;
    for (int i = 0; i < 400; ++i)
      options.records.push_back(TextRecord("line " + std::to_string(i), "\x82\xFF"));
    const std::string bytes = BuildHelpFile(options);
    const std::string whole = Convert(bytes).text;
    MemorySource counting(bytes);
    ASSERT_EQ(CreateConverter(&counting.record), 0);
    CloseConverter(&counting.record);
    MemorySource source(bytes);
    source.failAfterReads = counting.reads + 2;  // the second topic block read fails
    source.readResult = 9;
    const Conversion result = Convert(source);
    EXPECT_EQ(result.create, 0);
    EXPECT_EQ(result.read, 9);
    EXPECT_FALSE(result.text.empty());
    EXPECT_EQ(whole.compare(0, result.text.size(), result.text), 0);
  }
}

TEST(ScrhlpInterface, CloseWithoutStateAndRecordReuse) {
  ScrStreamRecord empty{};
  EXPECT_EQ(CloseConverter(&empty), 0);
  MemorySource source(BuildHelpFile(TwoTopics()));
  EXPECT_EQ(Convert(source).text, kTwoTopicsText);
  source.position = 0;
  EXPECT_EQ(Convert(source).text, kTwoTopicsText);
  source.data = "plain text";
  EXPECT_EQ(Convert(source).text, "plain text");
}

// --- LZ77 ------------------------------------------------------------------------------------

int32_t Decompress(const std::string& input, std::string& output, uint32_t limit) {
  output.assign(limit, '\0');
  const int32_t n = hlp::Lz77Decompress(reinterpret_cast<const uint8_t*>(input.data()),
                                        static_cast<uint32_t>(input.size()),
                                        reinterpret_cast<uint8_t*>(output.data()), limit);
  output.resize(n > 0 ? n : 0);
  return n;
}

TEST(ScrhlpLz77, ExamplesLimitsAndTruncation) {
  std::string out;
  EXPECT_EQ(Decompress(std::string("\x00"
                                   "ABCDEFGH",
                                   9),
                       out, 100),
            8);
  EXPECT_EQ(out, "ABCDEFGH");
  EXPECT_EQ(Decompress(std::string("\x02\x61\x00\x00", 4), out, 100), 4);
  EXPECT_EQ(out, "aaaa");
  EXPECT_EQ(Decompress(std::string("\x00"
                                   "ABCDEFGH",
                                   9),
                       out, 5),
            5);  // stops at the limit
  EXPECT_EQ(out, "ABCDE");
  EXPECT_EQ(Decompress(std::string("\x02\x61\x00", 3), out, 100), -1);  // reference cut short
  const std::string text = "the rain in spain stays mainly in the plain; the rain, the plain";
  EXPECT_EQ(Decompress(Lz77Compress(text), out, 1000), static_cast<int32_t>(text.size()));
  EXPECT_EQ(out, text);
}

// --- Recognition -----------------------------------------------------------------------------

TEST(ScrhlpRecognition, EachFailedCheckPassesTheFileThrough) {
  struct Case {
    const char* what;
    std::function<std::string()> make;
  };
  auto patched = [](HlpOptions options, std::function<void(std::string&, const HlpLayout&)> f) {
    return [options, f] {
      HlpLayout layout;
      std::string bytes = BuildHelpFile(options, &layout);
      f(bytes, layout);
      return bytes;
    };
  };
  HlpOptions oldPhrases = TwoTopics();
  oldPhrases.phrases = HlpPhrases::kOld;
  oldPhrases.phraseList = {"Hello", "World"};
  HlpOptions hall = oldPhrases;
  hall.phrases = HlpPhrases::kHall;
  HlpOptions lowerCase = TwoTopics();
  lowerCase.topicName = "|topic";
  HlpOptions secondPage = TwoTopics();
  secondPage.directoryLeafEntries = 2;  // |CONTEXT and |SYSTEM on the first leaf, |TOPIC later
  HlpOptions both = oldPhrases;
  both.addBothPhraseForms = true;
  const Case cases[] = {
      {"magic", patched(TwoTopics(), [](std::string& b, const HlpLayout&) { b[0] = 'X'; })},
      {"directory beyond the end", patched(TwoTopics(),
                                           [](std::string& b, const HlpLayout&) {
                                             SetLe32(b, 4, static_cast<uint32_t>(b.size()) - 40);
                                           })},
      {"B-tree magic",
       patched(TwoTopics(),
               [](std::string& b, const HlpLayout& l) { b[l.directoryStart + 9] = 0; })},
      {"must-be-zero word",
       patched(TwoTopics(),
               [](std::string& b, const HlpLayout& l) { b[l.directoryStart + 9 + 22] = 1; })},
      {"topic name in lower case", [lowerCase] { return BuildHelpFile(lowerCase); }},
      {"topic on the second leaf page", [secondPage] { return BuildHelpFile(secondPage); }},
      {"both phrase forms", [both] { return BuildHelpFile(both); }},
      {"system offset beyond the end", patched(TwoTopics(),
                                               [](std::string& b, const HlpLayout& l) {
                                                 SetLe32(b, l.entryOffsetFields.at("|SYSTEM"),
                                                         static_cast<uint32_t>(b.size()) - 8);
                                               })},
      {"system header cut by the end", patched(TwoTopics(),
                                               [](std::string& b, const HlpLayout& l) {
                                                 SetLe32(b, l.entryOffsetFields.at("|SYSTEM"),
                                                         static_cast<uint32_t>(b.size()) - 15);
                                               })},
      {"old phrase file without 256", patched(oldPhrases,
                                              [](std::string& b, const HlpLayout& l) {
                                                b[l.fileOffsets.at("|Phrases") + 9 + 2] = 2;
                                              })},
      {"Hall phrase count too large", patched(hall,
                                              [](std::string& b, const HlpLayout& l) {
                                                SetLe32(b, l.fileOffsets.at("|PhrIndex") + 9 + 4,
                                                        0x20001);
                                              })},
      {"Hall image size zero", patched(hall,
                                       [](std::string& b, const HlpLayout& l) {
                                         SetLe32(b, l.fileOffsets.at("|PhrIndex") + 9 + 12, 0);
                                       })},
      {"topic file empty", patched(TwoTopics(),
                                   [](std::string& b, const HlpLayout& l) {
                                     SetLe32(b, l.fileOffsets.at("|TOPIC") + 4, 0);
                                   })},
      {"topic file beyond the end", patched(TwoTopics(),
                                            [](std::string& b, const HlpLayout& l) {
                                              SetLe32(b, l.fileOffsets.at("|TOPIC") + 4,
                                                      static_cast<uint32_t>(b.size()));
                                            })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string bytes = c.make();
    const Conversion result = Convert(bytes);
    EXPECT_EQ(result.create, 0);
    EXPECT_EQ(result.text, bytes);
  }
}

// --- Formats and phrase tables ---------------------------------------------------------------

TEST(ScrhlpFormats, EveryFormatAndPhraseFormGivesTheSameText) {
  struct Case {
    uint16_t minor;
    uint16_t flags;
    HlpPhrases phrases;
    bool imageCompressed;
  };
  const Case cases[] = {
      {15, 4, HlpPhrases::kNone, false},  // old format: 2 KB uncompressed whatever the flags
      {15, 0, HlpPhrases::kOld, false},   // old phrase file, stored plain
      {21, 0, HlpPhrases::kNone, false},  // 4 KB uncompressed
      {21, 4, HlpPhrases::kOld, false},   // 4 KB compressed, phrases LZ77-compressed
      {21, 8, HlpPhrases::kNone, false},  // 2 KB compressed
      {33, 4, HlpPhrases::kHall, false},  // Hall phrases, image stored plain
      {33, 4, HlpPhrases::kHall, true},   // Hall phrases, image compressed
      {33, 0, HlpPhrases::kHall, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.minor << "/" << c.flags << "/" << int(c.phrases));
    HlpOptions options = TwoTopics();
    options.minor = c.minor;
    options.flags = c.flags;
    options.phrases = c.phrases;
    options.phraseImageCompressed = c.imageCompressed;
    options.phraseList = {"Hello", "World", "Second"};
    HlpRecord& first = options.records[1];
    HlpRecord& second = options.records[3];
    if (c.phrases == HlpPhrases::kOld) {
      first.text = std::string("\x01\x00\x00\x01\x02", 5);  // phrase 0, zero, phrase 1
      second.text = std::string("\x01\x05topic", 7);        // phrase 2 and a space
    } else if (c.phrases == HlpPhrases::kHall) {
      first.text = std::string("\x00\x0F\x02", 3);        // phrase 0, one zero, phrase 1
      second.text = std::string("\x04\x07\x23topic", 8);  // phrase 2, space, 5 literals
    }
    first.dataLen2 = 11;
    second.dataLen2 = 12;
    const Conversion result = Convert(BuildHelpFile(options));
    EXPECT_EQ(result.create, 0);
    EXPECT_EQ(result.text, kTwoTopicsText);
  }
}

TEST(ScrhlpFormats, PhraseCodesBeyondTheTableAddNothingAndOverflowDropsTheRecord) {
  HlpOptions options = TwoTopics();
  options.phrases = HlpPhrases::kOld;
  options.minor = 15;
  options.phraseList = {"Hello"};
  options.records[1].text = std::string("\x01\x00\x00\x05\x00World", 10);  // phrase 512: none
  options.records[1].dataLen2 = 11;
  options.records[3].text = std::string("\x01\x00\x01\x00", 4);  // literal budget of 2 exceeded
  options.records[3].text += "xyz";
  options.records[3].dataLen2 = 12;
  EXPECT_EQ(Convert(BuildHelpFile(options)).text, "Hello\r\nWorld\r\n\r\n");
}

// --- The topic walk --------------------------------------------------------------------------

TEST(ScrhlpWalk, RecordsRunningAcrossBlocksComeOutWholeAndOnce) {
  std::string longText;
  for (int i = 0; longText.size() < 9000; ++i) longText += "word" + std::to_string(i) + " ";
  for (uint16_t flags : {0, 4, 8}) {
    for (uint16_t minor : {15, 33}) {
      for (bool split : {false, true}) {
        SCOPED_TRACE(testing::Message() << minor << "/" << flags << "/" << split);
        HlpOptions options;
        options.minor = minor;
        options.flags = flags;
        options.allowHeaderSplit = split;
        options.records = {TopicHeader(), TextRecord("first", "\xFF"), TextRecord(longText, "\xFF"),
                           TextRecord("after", "\xFF")};
        if (split) {
          // Sizes the first record so that the long one's header is cut by the block end.
          const bool oldFormat = minor < 16;
          const bool compressed = !oldFormat && flags != 0;
          const int blockSize = (oldFormat || flags == 8) ? 2048 : 4096;
          const int perBlock = compressed ? (blockSize - 12) * 8 / 9 : blockSize - 12;
          const int used = 33 + 21 + static_cast<int>(DisplayFormat("\xFF").size());
          options.records[1].text = std::string(perBlock - 10 - used, 'f');
        }
        const Conversion result = Convert(BuildHelpFile(options));
        const std::string firstText = split ? options.records[1].text : "first";
        EXPECT_EQ(result.text, firstText + longText + "after");
      }
    }
  }
}

TEST(ScrhlpWalk, TopicHeadersSeparateTopicsAndTheChainEnds) {
  HlpOptions options;
  options.records = {TopicHeader(),
                     TopicHeader(),
                     TextRecord("one", "\xFF"),
                     TopicHeader(),
                     TextRecord("two", "\xFF"),
                     TextRecord("three", "\xFF")};
  options.records[4].nextBlockSet = true;  // -1 ends the walk before "three"
  options.records[4].nextBlock = -1;
  EXPECT_EQ(Convert(BuildHelpFile(options)).text, "one\r\ntwo");
}

TEST(ScrhlpWalk, AChainThatDoesNotAdvanceEndsAfterTheText) {
  for (uint16_t flags : {4, 0}) {
    SCOPED_TRACE(flags);
    HlpOptions options;
    options.flags = flags;
    options.records = {TextRecord("one", "\xFF"), TextRecord("two", "\xFF"),
                       TextRecord("never", "\xFF")};
    options.records[1].nextBlockSet = true;  // points back at the first record
    options.records[1].nextBlock = 12;
    const Conversion result = Convert(BuildHelpFile(options));
    ASSERT_GE(result.text.size(), 6u);
    EXPECT_EQ(result.text.substr(0, 6), "onetwo");
    if (flags == 4) {
      EXPECT_EQ(result.text, "onetwo");  // compressed: nothing raw follows
    } else {
      // Uncompressed: the raw rest of the file follows, as UTF-8 like the text.
      EXPECT_GT(result.text.size(), 6u);
      EXPECT_TRUE(IsUtf8(result.text));
    }
  }
}

TEST(ScrhlpWalk, ARecordThatPointsIntoItselfGivesItsTextOnce) {
  // A record hidden in the first record's text, which the first record's chain points at.
  const std::string format = DisplayFormat("\xFF");
  std::string hidden;
  PutLe32(hidden, static_cast<uint32_t>(21 + format.size() + 3));
  PutLe32(hidden, 3);
  PutLe32(hidden, 0);
  PutLe32(hidden, 0xFFFFFFFF);
  PutLe32(hidden, static_cast<uint32_t>(21 + format.size()));
  hidden += '\x20';
  hidden += format + "dup";
  HlpOptions options;
  options.flags = 4;
  options.records = {TextRecord(std::string("one\0", 4) + hidden, "\xFF"),
                     TextRecord("two", "\xFF")};
  options.records[0].nextBlockSet = true;
  options.records[0].nextBlock = static_cast<int32_t>(12 + 21 + format.size() + 4);
  EXPECT_EQ(Convert(BuildHelpFile(options)).text, "one");
}

TEST(ScrhlpWalk, ABrokenRecordHeaderFallsBackAfterTheTextBefore) {
  HlpOptions options;
  options.records = {TextRecord("caf\xE9", "\xFF"), TextRecord("gone", "\xFF")};
  options.records[1].blockSize = -5;
  const Conversion result = Convert(BuildHelpFile(options));
  EXPECT_EQ(result.text.substr(0, 5), "caf\xC3\xA9");
  EXPECT_TRUE(IsUtf8(result.text));
  EXPECT_NE(result.text.find("gone"), std::string::npos);  // the raw bytes of the rest
}

// --- Record text -----------------------------------------------------------------------------

TEST(ScrhlpText, EveryCommandByte) {
  struct Case {
    std::string command;
    std::string between;
  };
  std::vector<Case> cases = {
      {"\x81", "\r\n"},
      {"\x82", "\r\n"},
      {"\x83", "\t"},
      {"\xFF", "END"},
      {"\x21\x01\x02", ""},
      {"\x80\x01\x02", ""},
      {std::string("\x89", 1), ""},
      {std::string("\x8B", 1), ""},
      {std::string("\x8C", 1), ""},
      {std::string("\x00", 1), ""},
      {"\x7E", ""},
  };
  for (const char* five : {"\x20", "\xE0", "\xE1", "\xE2", "\xE3", "\xE6", "\xE7"}) {
    cases.push_back({std::string(five) + "\x82\x82\x83\xFF", ""});  // operands look like commands
  }
  for (const char* sized : {"\xC8", "\xCC", "\xEA", "\xEB", "\xEE", "\xEF"}) {
    cases.push_back({std::string(sized) + std::string("\x03\x00\x82\x83\xFF", 5), ""});
  }
  for (const char* picture : {"\x86", "\x87", "\x88"}) {
    // skip 1, type byte, compressed long S = 3, S bytes; type 0x22 adds a compressed word.
    cases.push_back({std::string(picture) + std::string("\x05\x06\x80\x82\x83\xFF", 6), ""});
    cases.push_back({std::string(picture) + std::string("\x22\x06\x80\x04\x82\x83\xFF", 7), ""});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.command));
    HlpOptions options;
    options.records = {TextRecord(std::string("x\0y", 3), c.command + "\xFF")};
    const std::string expected = c.between == "END" ? "x" : "x" + c.between + "y";
    EXPECT_EQ(Convert(BuildHelpFile(options)).text, expected);
  }
}

TEST(ScrhlpText, ParagraphSettingsAreSkipped) {
  std::string format;
  PutLe16(format, 0x8000);  // topic size
  format += '\0';           // topic length
  PutLe32(format, 0);
  PutLe16(format, 0x037F);  // every setting: long, six signed words, border, tabs
  PutLe16(format, 0x8000);  // compressed long
  for (int i = 0; i < 6; ++i) format += '\x80';  // compressed signed words (one byte each)
  format += std::string("\x01\x02\x03", 3);      // border
  format += '\x84';                              // two tabs (0x42 - 0x40)
  PutLe16(format, 0x8001 | (0x4000 << 1));       // a tab with 0x4000: one more word follows
  format += '\x02';
  format += '\x04';
  format += "\x83\x82\xFF";
  HlpOptions options;
  HlpRecord record;
  record.format = format;
  record.text = std::string("a\0b\0c", 5);
  options.records = {record};
  EXPECT_EQ(Convert(BuildHelpFile(options)).text, "a\tb\r\nc");
}

TEST(ScrhlpText, TableCellsEachGiveTheirText) {
  std::string format;
  PutLe16(format, 0x8000);  // topic size
  format += '\0';           // topic length
  format += '\x02';         // two columns
  format += '\x00';         // table type 0: two more bytes
  format += std::string(2 + 2 * 4, '\x01');
  for (int cell = 0; cell < 2; ++cell) {
    PutLe16(format, cell);  // column
    format += std::string(3, '\0');
    PutLe32(format, 0);
    PutLe16(format, 0);
    format += "\x82\xFF";
  }
  PutLe16(format, 0xFFFF);
  HlpRecord table;
  table.type = 0x23;
  table.format = format;
  table.text = std::string("A\0\0B\0", 5);
  HlpOptions options;
  options.records = {table, TextRecord("after", "\xFF")};
  EXPECT_EQ(Convert(BuildHelpFile(options)).text, "A\r\nB\r\nafter");
}

TEST(ScrhlpText, ARecordLongerThanTheTextBufferComesOutWhole) {
  std::string text;
  std::string commands;
  for (int i = 0; i < 3000; ++i) {
    text += std::string(19, static_cast<char>('a' + i % 26)) + '\xE9' + '\0';
    commands += '\x82';
  }
  HlpOptions options;
  options.records = {TextRecord(text, commands + "\xFF"), TextRecord("end", "\xFF")};
  const std::string result = Convert(BuildHelpFile(options)).text;
  // 3,000 lines of 19 letters, U+00E9 (2 bytes) and CR LF: 69,000 bytes of 8-bit text and more.
  EXPECT_EQ(result.size(), 3000u * (19 + 2 + 2) + 3);
  EXPECT_EQ(result.substr(result.size() - 3), "end");
  EXPECT_EQ(result.substr(0, 23), std::string(19, 'a') + "\xC3\xA9\r\n");
}

// --- Character sets --------------------------------------------------------------------------

bool HaveIconv(const char* name) {
  iconv_t probe = iconv_open("UTF-8", name);
  if (probe == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(probe);
  return true;
}

TEST(ScrhlpCharset, TextBecomesUtf8FromTheFilesCharacterSet) {
  auto lcid = [](uint16_t id) {
    std::string data(8, '\0');
    PutLe16(data, id);
    return std::make_pair(uint16_t{9}, data);
  };
  auto charset = [](uint8_t set) {
    return std::make_pair(uint16_t{11}, std::string(1, set) + '\0');
  };
  auto font = [](uint8_t set) {
    return std::make_pair(uint16_t{12}, std::string("\x0A", 1) + char(set) + "Arial" + '\0');
  };
  struct Case {
    const char* what;
    uint16_t minor;
    std::vector<std::pair<uint16_t, std::string>> records;
    std::string text;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"no records",
       33,
       {},
       "caf\xE9 \x80 \x93q\x94",
       "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D"},
      {"Windows 3.1 file", 21, {}, "na\xEFve", "na\xC3\xAFve"},
      {"LCID Russian", 33, {lcid(0x0419)}, "\xCF\xF0\xE8", "\xD0\x9F\xD1\x80\xD0\xB8"},
      {"CHARSET East Europe", 33, {charset(238)}, "\x8A", "\xC5\xA0"},
      {"CHARSET ANSI, LCID Czech", 33, {charset(0), lcid(0x0405)}, "\x9A", "\xC5\xA1"},
      {"default font Greek", 33, {font(161)}, "\xE1", "\xCE\xB1"},
      {"undefined byte", 33, {lcid(0x0408)}, "\xAA", "\xEF\xBF\xBD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HlpOptions options;
    options.minor = c.minor;
    options.systemRecords = c.records;
    options.records = {TextRecord(c.text, "\xFF")};
    EXPECT_EQ(Convert(BuildHelpFile(options)).text, c.expected);
  }
  if (HaveIconv("CP932")) {
    HlpOptions options;
    options.systemRecords = {charset(128)};
    options.records = {TextRecord("\x82\xA0\x41", "\xFF")};
    EXPECT_EQ(Convert(BuildHelpFile(options)).text,
              "\xE3\x81\x82"
              "A");
  }
}

// --- Help files from halibut -----------------------------------------------------------------

TEST(ScrhlpHalibut, GuideText) {
  const Conversion result = Convert(Fixture("guide.hlp"));
  EXPECT_EQ(result.create, 0);
  EXPECT_TRUE(IsUtf8(result.text));
  const char* lines[] = {
      "Caf\xC3\xA9 Guide\r\n",
      "This is the preamble of the caf\xC3\xA9 guide.\r\n",
      "Welcome to the na\xC3\xAFve \xE2\x80\x9Cquick\xE2\x80\x9D start. Prices are in euros: 5 "
      "\xE2\x82\xAC.\r\n",
      "\xE2\x80\xA2\tFirst bullet point\r\n",
      "\xE2\x80\xA2\tSecond bullet with emphasis\r\n",
      "1.\tNumbered one\r\n",
      "int main(void);\r\n",
      "Stra\xC3\x9F"
      "e and M\xC3\xBCller live here \xE2\x80\x93 in \xC3\x85land.\r\n",
      "The final words of the guide.\r\n",
  };
  size_t at = 0;
  for (const char* line : lines) {
    const size_t found = result.text.find(line, at);
    EXPECT_NE(found, std::string::npos) << line;
    if (found != std::string::npos) at = found;
  }
  EXPECT_EQ(result.text.rfind("Caf", 0), 0u);  // nothing before the first text
}

TEST(ScrhlpHalibut, EveryParagraphOfAManyBlockFile) {
  const std::string text = Convert(Fixture("long.hlp")).text;
  std::istringstream source(Fixture("long.but"));
  std::string line;
  int paragraphs = 0;
  size_t at = 0;
  while (std::getline(source, line)) {
    if (line.empty() || line[0] != 'P') continue;
    ++paragraphs;
    const size_t found = text.find(line + "\r\n", at);
    ASSERT_NE(found, std::string::npos) << line.substr(0, 40);
    at = found + line.size();
  }
  EXPECT_EQ(paragraphs, 120);
}

}  // namespace
}  // namespace scrivtar::test
