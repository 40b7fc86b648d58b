#include "FilterSession.h"

#include <algorithm>
#include <cstring>

namespace scrivtar::filters {

int32_t TSourceReader::Open() {
  uint32_t low = 0, high = 0;
  if (!record_->getSize) return kScrFilterShortRead;
  int32_t rc = record_->getSize(record_, &low, &high);
  if (rc != 0) return rc;
  size_ = low;
  position_ = 0;
  if (!record_->seek) return kScrFilterShortRead;
  int32_t offset = 0, scratch = 0;
  return record_->seek(record_, &offset, &scratch, 0);
}

int32_t TSourceReader::Read(void* destination, uint32_t count) {
  if (count > remaining()) return kScrFilterPastEnd;
  if (count == 0) return 0;
  int32_t got = 0;
  int32_t rc = record_->read(record_, destination, count, &got);
  if (rc != 0) return rc;
  if (got < 0 || static_cast<uint32_t>(got) != count) return kScrFilterShortRead;
  position_ += count;
  return 0;
}

int32_t TConverter::Read(void* buffer, uint32_t bufferSize, uint32_t* count) {
  *count = 0;
  if (bufferSize == 0) return 0;
  if (handedOut_ == queue_.size()) {
    queue_.clear();
    handedOut_ = 0;
    while (queue_.empty() && !done_) {
      int32_t rc = Produce(queue_, done_);
      if (rc != 0) {
        done_ = true;
        error_ = rc;
      }
    }
    // A failure is reported once the text produced before it has been handed out.
    if (queue_.empty() && error_ != 0) return error_;
  }
  size_t n = std::min<size_t>(bufferSize, queue_.size() - handedOut_);
  std::memcpy(buffer, queue_.data() + handedOut_, n);
  handedOut_ += n;
  *count = static_cast<uint32_t>(n);
  return 0;
}

int32_t ReadConverterOf(ScrStreamRecord* record, void* buffer, uint32_t bufferSize,
                        uint32_t* count) {
  if (!count) return kScrFilterNoMemory;
  *count = 0;
  if (!record || !record->filterState || !buffer) return 0;
  try {
    return static_cast<TConverter*>(record->filterState)->Read(buffer, bufferSize, count);
  } catch (const std::bad_alloc&) {
    return kScrFilterNoMemory;
  } catch (...) {
    return kScrFilterShortRead;
  }
}

int32_t CloseConverterOf(ScrStreamRecord* record) {
  if (!record || !record->filterState) return 0;
  delete static_cast<TConverter*>(record->filterState);
  record->filterState = nullptr;
  return 0;
}

}  // namespace scrivtar::filters
