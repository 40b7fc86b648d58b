// The library side of the filter interface, shared by the HTML and RTF filters: the reading
// helpers over the host's stream record, the output queue that ReadConverter hands out from, and
// the three calls that hang a converter on the record and take it off again.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "scrivtar/FilterApi.h"

namespace scrivtar::filters {

// Reads the source through the record's callbacks, checked against the size GetSize reported.
class TSourceReader {
 public:
  explicit TSourceReader(ScrStreamRecord* record) : record_(record) {}

  // Calls GetSize once and rewinds; the high part of the size is ignored.
  int32_t Open();
  uint32_t size() const { return size_; }
  uint32_t position() const { return position_; }
  uint32_t remaining() const { return size_ - position_; }

  // Reads exactly count bytes at the current position (1003 past the end, 1001 when short).
  int32_t Read(void* destination, uint32_t count);

 private:
  ScrStreamRecord* record_;
  uint32_t size_ = 0;
  uint32_t position_ = 0;
};

// A conversion in progress. Produce appends the next piece of text to `out` (as much as is
// convenient, possibly nothing) and sets `done` once the source is used up.
class TConverter {
 public:
  virtual ~TConverter() = default;
  virtual int32_t Start() = 0;
  virtual int32_t Produce(std::string& out, bool& done) = 0;

  // ReadConverter: hands out queued text; refills the queue when it is empty.
  int32_t Read(void* buffer, uint32_t bufferSize, uint32_t* count);

 private:
  std::string queue_;
  size_t handedOut_ = 0;
  bool done_ = false;
  int32_t error_ = 0;
};

// The three calls of the interface for one converter type. No exception crosses them.
template <typename Converter>
int32_t CreateConverterFor(ScrStreamRecord* record) {
  if (!record) return kScrFilterNoMemory;
  record->filterState = nullptr;
  try {
    auto* converter = new (std::nothrow) Converter(record);
    if (!converter) return kScrFilterNoMemory;
    record->filterState = static_cast<TConverter*>(converter);
    return converter->Start();
  } catch (const std::bad_alloc&) {
    return kScrFilterNoMemory;
  } catch (...) {
    return kScrFilterShortRead;
  }
}

int32_t ReadConverterOf(ScrStreamRecord* record, void* buffer, uint32_t bufferSize,
                        uint32_t* count);
int32_t CloseConverterOf(ScrStreamRecord* record);

}  // namespace scrivtar::filters
