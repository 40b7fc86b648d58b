// The BIFF record layer: a bounded little-endian reader over one record body (or any byte
// range), and the walk over the records of a workbook stream held in memory. Every read is
// checked against the bytes there; a read past the end yields zeros and stops at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace scrivtar {

// BIFF record types the extractor acts on.
enum XlsRecordType : uint16_t {
  kXlsFormula = 0x0006,
  kXlsEof = 0x000A,
  kXlsDateMode = 0x0022,
  kXlsCodePage = 0x0042,
  kXlsFilePass = 0x002F,
  kXlsContinue = 0x003C,
  kXlsBoundSheet = 0x0085,
  kXlsMulRk = 0x00BD,
  kXlsMulBlank = 0x00BE,
  kXlsRString = 0x00D6,
  kXlsXf = 0x00E0,
  kXlsSst = 0x00FC,
  kXlsLabelSst = 0x00FD,
  kXlsBlank = 0x0201,
  kXlsNumber = 0x0203,
  kXlsLabel = 0x0204,
  kXlsBoolErr = 0x0205,
  kXlsString = 0x0207,
  kXlsRk = 0x027E,
  kXlsFormat = 0x041E,
  kXlsBof = 0x0809,
};

// A record body in memory with the typed reads of a stream.
class TVtMemoryStream {
 public:
  TVtMemoryStream() = default;
  TVtMemoryStream(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t Size() const { return size_; }
  size_t Position() const { return position_; }
  size_t Remaining() const { return size_ - position_; }
  bool AtEnd() const { return position_ >= size_; }
  const uint8_t* Current() const { return data_ + position_; }

  void Skip(size_t count) { position_ += count < Remaining() ? count : Remaining(); }

  uint8_t ReadByte() { return static_cast<uint8_t>(ReadLittleEndian(1)); }
  uint16_t ReadWord() { return static_cast<uint16_t>(ReadLittleEndian(2)); }
  uint32_t ReadDWord() { return static_cast<uint32_t>(ReadLittleEndian(4)); }
  double ReadDouble() {
    uint64_t bits = ReadLittleEndian(8);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

 private:
  uint64_t ReadLittleEndian(size_t width) {
    if (Remaining() < width) {
      position_ = size_;
      return 0;
    }
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i) value |= uint64_t{data_[position_ + i]} << (8 * i);
    position_ += width;
    return value;
  }

  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t position_ = 0;
};

// One record: its type, where its header starts, and the body bytes that are really there.
struct TXlsRecord {
  uint16_t type = 0;
  size_t offset = 0;
  const uint8_t* body = nullptr;
  size_t length = 0;
  TVtMemoryStream Body() const { return TVtMemoryStream(body, length); }
};

// Walks the records of a workbook stream from a position. A record whose length runs past the
// end of the stream is handed out with the bytes that are there and ends the walk.
class TXlsRecordReader {
 public:
  TXlsRecordReader(const uint8_t* stream, size_t size, size_t start = 0)
      : stream_(stream), size_(size), position_(start < size ? start : size) {}

  // The next record; false at the end of the stream.
  bool Next(TXlsRecord& record);
  // The type of the next record without moving; false at the end.
  bool PeekType(uint16_t& type) const;

  size_t Position() const { return position_; }
  size_t StreamSize() const { return size_; }
  const uint8_t* Stream() const { return stream_; }

 private:
  const uint8_t* stream_;
  size_t size_;
  size_t position_;
};

constexpr uint16_t kBiff5Version = 0x0500;
constexpr uint16_t kBiff8Version = 0x0600;

// The BIFF version of a BOF record body (0x0600 for BIFF8, 0x0500 for BIFF5/7), 0 if too short.
uint16_t BiffVersionOfBof(const TXlsRecord& bof);

}  // namespace scrivtar
