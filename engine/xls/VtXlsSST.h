// The shared string table: an SST record body and the CONTINUE bodies that carry its overflow,
// read as one sequence of segments. A string may cross from one segment into the next; its
// characters then change width by the option byte that opens the new segment.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "VtXlsBOF.h"

namespace scrivtar {

// The segments of one record and its CONTINUE records, read in order.
class TXlsSegments {
 public:
  explicit TXlsSegments(std::vector<TVtMemoryStream> segments);

  TVtMemoryStream& Current() { return segments_[index_]; }
  bool HasNext() const { return index_ + 1 < segments_.size(); }
  // Drops the current segment for the next one; false (nothing changes) when none is left.
  bool MoveNext();
  // True when the current segment is used up and no segment follows.
  bool Exhausted() const { return segments_[index_].AtEnd() && !HasNext(); }

 private:
  std::vector<TVtMemoryStream> segments_;
  size_t index_ = 0;
};

// Appends UTF-16 code units to a UTF-8 text: surrogate pairs become one character, an unpaired
// surrogate "?", and NUL a space.
class TUtf8Appender {
 public:
  explicit TUtf8Appender(std::string& out) : out_(out) {}
  ~TUtf8Appender() { Flush(); }
  void Add(uint16_t unit);
  void Flush();

 private:
  std::string& out_;
  uint16_t pendingHigh_ = 0;
};

// How a workbook stores 8-bit text. BIFF8 strings are UTF-16 with the high byte of each unit
// left out; BIFF5 strings (a "Book" stream) are bytes in the workbook's code page.
struct TXlsTextForm {
  bool biff8 = true;
  int32_t codePage = 1252;  // BIFF5: from the CODEPAGE record
};

// Appends count 8-bit characters in the workbook's form.
void AppendByteCharacters(std::string& out, const uint8_t* bytes, size_t count,
                          const TXlsTextForm& form);

// Reads one string at the current position (cch 16-bit, option byte, then the characters, the
// formatting runs and the phonetic block), crossing segments. Appends its text to out.
void ReadContinuedString(TXlsSegments& segments, std::string& out);

struct TSharedStrings {
  uint32_t count = 0;  // cstUnique
  std::vector<std::string> strings;
};

// Rebuilds the table from the SST body (first segment) and its CONTINUE bodies.
TSharedStrings ReadSharedStrings(std::vector<TVtMemoryStream> segments);

}  // namespace scrivtar
