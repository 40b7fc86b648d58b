#include "HlpSource.h"

#include "HlpBytes.h"

namespace scrivtar::hlp {

int32_t ReadSource(HlpConverter& converter, void* destination, uint32_t count) {
  if (static_cast<uint64_t>(converter.position) + count > converter.fileSize) return kPastEnd;
  if (count == 0) return kOk;
  ScrStreamRecord* record = converter.record;
  if (record->read == nullptr) return kShortRead;
  int32_t got = 0;
  const int32_t result = record->read(record, destination, count, &got);
  if (result != 0) return result;
  // A host that reports more than it was asked for is not believed.
  if (got > 0) converter.position += Min(static_cast<uint32_t>(got), count);
  if (got < 0 || static_cast<uint32_t>(got) != count) return kShortRead;
  return kOk;
}

int32_t SeekSource(HlpConverter& converter, uint32_t offset) {
  if (offset > converter.fileSize) return kPastEnd;
  ScrStreamRecord* record = converter.record;
  if (record->seek == nullptr) return kShortRead;
  int32_t target = static_cast<int32_t>(offset);
  int32_t scratch = 0;
  const int32_t result = record->seek(record, &target, &scratch, 0);
  if (result != 0) return result;
  converter.position = offset;
  return kOk;
}

}  // namespace scrivtar::hlp
