// BIFF record framing: a 16-bit type, a 16-bit body length, then the body.
#include "VtXlsBOF.h"

namespace scrivtar {

bool TXlsRecordReader::Next(TXlsRecord& record) {
  if (size_ - position_ < 4) {
    position_ = size_;
    return false;
  }
  const uint8_t* header = stream_ + position_;
  record.type = static_cast<uint16_t>(header[0] | (header[1] << 8));
  size_t length = static_cast<size_t>(header[2] | (header[3] << 8));
  record.offset = position_;
  position_ += 4;
  size_t available = size_ - position_;
  record.body = stream_ + position_;
  record.length = length < available ? length : available;
  position_ += record.length;
  if (length > available) position_ = size_;
  return true;
}

bool TXlsRecordReader::PeekType(uint16_t& type) const {
  if (size_ - position_ < 4) return false;
  type = static_cast<uint16_t>(stream_[position_] | (stream_[position_ + 1] << 8));
  return true;
}

uint16_t BiffVersionOfBof(const TXlsRecord& bof) {
  if (bof.type != kXlsBof || bof.length < 2) return 0;
  return static_cast<uint16_t>(bof.body[0] | (bof.body[1] << 8));
}

}  // namespace scrivtar
