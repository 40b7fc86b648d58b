// Writes the seed corpus of the help-file fuzz target: small help files in every format the
// filter reads, made with the test-side builder. Run by make_seeds.sh.
#include <fstream>
#include <string>

#include "HlpBuilder.h"

using namespace scrivtar::test;

namespace {

void Write(const std::string& name, const std::string& bytes) {
  std::ofstream(name, std::ios::binary) << bytes;
}

HlpOptions Base(uint16_t minor, uint16_t flags) {
  HlpOptions options;
  options.minor = minor;
  options.flags = flags;
  options.records = {TopicHeader(), TextRecord(std::string("Hello\0World", 11), "\x82\x83\xFF"),
                     TopicHeader(), TextRecord("Second topic", "\x20\x01\x02\x03\x04\x82\xFF")};
  return options;
}

}  // namespace

int main() {
  Write("old_plain.hlp", BuildHelpFile(Base(15, 0)));
  Write("v31_plain.hlp", BuildHelpFile(Base(21, 0)));
  Write("v31_lz77_4k.hlp", BuildHelpFile(Base(21, 4)));
  Write("v4_lz77_2k.hlp", BuildHelpFile(Base(33, 8)));

  HlpOptions old = Base(15, 0);
  old.phrases = HlpPhrases::kOld;
  old.phraseList = {"Hello", "World"};
  old.records[1].text = std::string("\x01\x00\x00\x01\x02", 5);
  old.records[1].dataLen2 = 11;
  Write("old_phrases.hlp", BuildHelpFile(old));
  old.minor = 21;
  old.flags = 4;
  Write("v31_phrases_lz77.hlp", BuildHelpFile(old));

  HlpOptions hall = Base(33, 4);
  hall.phrases = HlpPhrases::kHall;
  hall.phraseList = {"Hello", "World"};
  hall.records[1].text = std::string("\x00\x0F\x02", 3);
  hall.records[1].dataLen2 = 11;
  Write("v4_hall.hlp", BuildHelpFile(hall));
  hall.phraseImageCompressed = false;
  hall.systemRecords = {{9, std::string(8, '\0') + "\x19\x04"}, {11, std::string("\xEE\0", 2)}};
  Write("v4_hall_plain_charset.hlp", BuildHelpFile(hall));

  HlpOptions span = Base(33, 0);
  span.allowHeaderSplit = true;
  span.records[1] = TextRecord(std::string(4030, 'a'), "\xFF");
  span.records.push_back(TextRecord(std::string(3000, 'b'), "\x82\xFF"));
  Write("v4_span_split.hlp", BuildHelpFile(span));

  std::string format;
  PutLe16(format, 0x8000);
  format += std::string("\0\x02\x00", 3) + std::string(10, '\x01');
  for (int cell = 0; cell < 2; ++cell) {
    PutLe16(format, cell);
    format += std::string(3, '\0') + std::string(6, '\0') + "\x82\xFF";
  }
  PutLe16(format, 0xFFFF);
  HlpRecord table;
  table.type = 0x23;
  table.format = format;
  table.text = std::string("A\0\0B\0", 5);
  HlpOptions tables = Base(33, 4);
  tables.records.push_back(table);
  Write("v4_table.hlp", BuildHelpFile(tables));
  return 0;
}
