#include "MyPdfCvt.h"

#include <new>
#include <utility>

#include "LibraryLoader.h"
#include "core/VtCvtBase.h"
#include "platform/PathUtf16.h"

namespace scrivtar {

namespace {

// fnExtractText's text callback carries no context argument. The receiving accumulator is
// reached through this thread's pointer, which is set only while fnExtractText runs on this
// thread, so two engines on two threads each fill their own accumulator and a callback outside
// a call (or from another thread) finds no accumulator and is dropped.
struct PdfReceiver {
  std::string* accumulator = nullptr;
  bool outOfMemory = false;
};
thread_local PdfReceiver* tActiveReceiver = nullptr;

class ActiveReceiver {
 public:
  explicit ActiveReceiver(PdfReceiver& receiver)
      : previous_(std::exchange(tActiveReceiver, &receiver)) {}
  ~ActiveReceiver() { tActiveReceiver = previous_; }
  ActiveReceiver(const ActiveReceiver&) = delete;
  ActiveReceiver& operator=(const ActiveReceiver&) = delete;

 private:
  PdfReceiver* previous_;
};

extern "C" void ReceivePdfText(const char* bytes, int32_t count) {
  PdfReceiver* receiver = tActiveReceiver;
  if (!receiver || !bytes || count <= 0 || receiver->outOfMemory) return;
  // No exception may unwind through the library's C frames: remember it and raise it after.
  try {
    receiver->accumulator->append(bytes, static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    receiver->outOfMemory = true;
  }
}

// 1 LF, 3 CR, 2 CR LF.
int32_t LineBreakCode(int32_t style) {
  if (style == kLf) return 1;
  if (style == kCr) return 3;
  return 2;
}

int32_t MapStatus(int32_t status) {
  switch (status) {
    case 0:
      return 0;
    case -1:
      return kOpenError;
    case -3:
      return kNotAllowed;
    default:
      return kFormatError;
  }
}

}  // namespace

PdfBinding::PdfBinding(std::filesystem::path programDir) : programDir_(std::move(programDir)) {}

PdfBinding::PdfBinding(ScrExtractTextFn extractText)
    : bindAttempted_(true), extractText_(extractText) {}

ScrExtractTextFn PdfBinding::ExtractText() {
  if (!bindAttempted_) {
    bindAttempted_ = true;
    library_ = LoadProgramLibrary(programDir_, kPdfLibraryFile);
    extractText_ = library_.Function<ScrExtractTextFn>("fnExtractText");
  }
  return extractText_;
}

int32_t ConvertPdf(PdfBinding& pdf, const std::filesystem::path& source, int32_t /*byteLimit*/,
                   OutputBlock& block, int32_t codePage, int32_t switchA, int32_t switchB,
                   int32_t textOrder, int32_t noPageBreaks, int32_t lineBreakStyle,
                   const char* textC, const char* textD) {
  ScrExtractTextFn extractText = pdf.ExtractText();
  if (!extractText) return kLibraryMissing;

  std::string& text = pdf.accumulator();
  text.clear();
  const std::u16string path = platform::PathToUtf16(source);
  PdfReceiver receiver{&text};
  int32_t status;
  {
    ActiveReceiver active(receiver);
    status = extractText(reinterpret_cast<const uint16_t*>(path.c_str()),
                         static_cast<int32_t>(path.size() * 2), ReceivePdfText, switchA, switchB,
                         textOrder == 1 ? 1 : 0, noPageBreaks, textOrder == 2 ? 1 : 0,
                         LineBreakCode(lineBreakStyle), textC ? textC : "", textD ? textD : "");
  }
  if (receiver.outOfMemory) throw std::bad_alloc();
  if (int32_t mapped = MapStatus(status); mapped < 0) return mapped;
  if (text.empty()) return 0;
  return OutputUtf8Text(text, false, lineBreakStyle, codePage, Utf8Decoder::kLenient, block);
}

}  // namespace scrivtar
