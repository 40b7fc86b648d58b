#include "RtfFilter.h"

#include "../common/FilterSession.h"
#include "RtfReader.h"

namespace scrivtar::rtf {

namespace {

constexpr size_t kOutputPiece = 65536;

class TRtfConverter : public filters::TConverter {
 public:
  explicit TRtfConverter(ScrStreamRecord* record) : source_(record), reader_(source_) {}

  int32_t Start() override { return source_.Open(); }
  int32_t Produce(std::string& out, bool& done) override {
    return reader_.Run(out, kOutputPiece, done);
  }

 private:
  filters::TSourceReader source_;
  TRtfReader reader_;
};

}  // namespace

const char* GetFilterExtensions() {
  return "RTF";
}

int32_t CreateConverter(ScrStreamRecord* record) {
  return filters::CreateConverterFor<TRtfConverter>(record);
}

}  // namespace scrivtar::rtf
