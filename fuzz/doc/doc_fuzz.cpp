// The compound document reader and the Word extractor on one input: the container is parsed
// from memory, its streams are read through the stream operations, and the Word text is
// extracted and finished in 8-bit and in 16-bit form.
#include <cstddef>
#include <cstdint>

#include "cfb/CompoundFile.h"
#include "cfb/TDocFile_U1.h"
#include "doc/VtDocCvt.h"
#include "platform/FileBytes.h"

namespace {

void ExerciseStream(scrivtar::TDocFileStorage& storage, const char* name) {
  auto stream = storage.OpenStream(std::string_view(name), scrivtar::kDocFileReadMode);
  if (!stream) return;
  int64_t size = stream->Size();
  stream->Seek(-8, scrivtar::soEnd);
  stream->ReadDouble();
  stream->Seek(static_cast<int32_t>(size / 2), scrivtar::soBeginning);
  stream->ReadDWord();
  uint8_t buffer[700];
  while (stream->Read(buffer, sizeof buffer) > 0) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  scrivtar::cfb::OpenStatus status;
  auto compound = scrivtar::cfb::CompoundFile::Open(
      scrivtar::platform::FileBytes::FromCopy(data, size), &status);
  if (!compound) return 0;
  scrivtar::TDocFileStorage storage(compound);
  ExerciseStream(storage, "1Table");
  for (int32_t codePage : {1252, 65001}) {
    scrivtar::DocText text;
    if (scrivtar::ExtractDocTextFromStorage(storage, codePage, text) < 0) continue;
    scrivtar::OutputBlock block;
    scrivtar::FinishDocText(text, codePage, scrivtar::kCrLf, size % 2 ? 1 : 0, block);
  }
  return 0;
}
