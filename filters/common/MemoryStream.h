// A stream record over bytes in memory, as the web archive's host provides one: lets the tests,
// fuzz targets and benchmarks drive a filter in-process.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "FilterSession.h"

namespace scrivtar::filters {

class TMemoryStream {
 public:
  explicit TMemoryStream(std::string_view data) : data_(data) {
    record_.recordSize = sizeof(ScrStreamRecord);
    record_.source = this;
    record_.filterState = nullptr;
    record_.getSize = &GetSize;
    record_.seek = &Seek;
    record_.read = &Read;
    record_.getName = &GetName;
    record_.getCodePage = &GetCodePage;
  }
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;

  ScrStreamRecord* record() { return &record_; }

 private:
  static TMemoryStream& Self(ScrStreamRecord* r) { return *static_cast<TMemoryStream*>(r->source); }
  static int32_t GetSize(ScrStreamRecord* r, uint32_t* low, uint32_t* high) {
    *low = static_cast<uint32_t>(Self(r).data_.size());
    *high = 0;
    return 0;
  }
  static int32_t Seek(ScrStreamRecord* r, int32_t* offset, void*, int32_t origin) {
    TMemoryStream& s = Self(r);
    long long base = origin == 0   ? 0
                     : origin == 1 ? static_cast<long long>(s.position_)
                                   : static_cast<long long>(s.data_.size());
    long long target =
        std::clamp<long long>(base + *offset, 0, static_cast<long long>(s.data_.size()));
    s.position_ = static_cast<size_t>(target);
    return 0;
  }
  static int32_t Read(ScrStreamRecord* r, void* buffer, uint32_t count, int32_t* got) {
    TMemoryStream& s = Self(r);
    size_t n = std::min<size_t>(count, s.data_.size() - s.position_);
    std::memcpy(buffer, s.data_.data() + s.position_, n);
    s.position_ += n;
    *got = static_cast<int32_t>(n);
    return 0;
  }
  static int32_t GetName(ScrStreamRecord*, char* buffer, int32_t size) {
    if (size > 0) buffer[0] = '\0';
    return 0;
  }
  static int32_t GetCodePage(ScrStreamRecord*) { return 65001; }

  std::string_view data_;
  size_t position_ = 0;
  ScrStreamRecord record_{};
};

// Runs a whole conversion the way the hosts do (65,536-byte reads until a failure or 0 bytes).
// `rc` receives the first non-zero result of CreateConverter or ReadConverter.
inline std::string ConvertInMemory(std::string_view data, ScrCreateConverterFn create,
                                   int32_t* rc = nullptr, uint32_t bufferSize = 65536) {
  TMemoryStream stream(data);
  std::string text;
  int32_t status = create(stream.record());
  if (status == 0) {
    std::string buffer(bufferSize, '\0');
    for (;;) {
      uint32_t count = 0;
      status = ReadConverterOf(stream.record(), buffer.data(), bufferSize, &count);
      if (status != 0 || count == 0) break;
      text.append(buffer.data(), count);
    }
  }
  CloseConverterOf(stream.record());
  if (rc) *rc = status;
  return text;
}

}  // namespace scrivtar::filters
