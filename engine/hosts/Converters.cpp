#include "Converters.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <system_error>
#include <utility>

#include "LibraryLoader.h"
#include "core/VtCvtBase.h"

namespace scrivtar {

namespace {

// Callback statuses: 0 done; 1 the source is not open (also a seek the file refuses).
constexpr int32_t kStreamDone = 0;
constexpr int32_t kStreamNotOpen = 1;

int32_t GetName(ScrStreamRecord* /*record*/, char* buffer, int32_t bufferSize) {
  if (buffer && bufferSize > 0) buffer[0] = '\0';
  return 0;
}

int32_t GetCodePage(ScrStreamRecord* /*record*/) {
  return kFilterCodePage;
}

// Calls CloseConverter when the conversion ends, also by an exception.
class ConverterCloser {
 public:
  ConverterCloser(const FilterFunctions& filter, ScrStreamRecord& record)
      : filter_(filter), record_(record) {}
  ~ConverterCloser() { filter_.closeConverter(&record_); }
  ConverterCloser(const ConverterCloser&) = delete;
  ConverterCloser& operator=(const ConverterCloser&) = delete;

 private:
  const FilterFunctions& filter_;
  ScrStreamRecord& record_;
};

int32_t RunFileHost(FilterHosts& hosts, FilterBinding& binding, const std::filesystem::path& source,
                    int32_t byteLimit, OutputBlock& block, int32_t codePage) {
  const FilterFunctions* filter = binding.Functions();
  if (!filter) return kLibraryMissing;
  FileStream& stream = hosts.fileStream();
  if (!stream.Open(source)) return kSourceMissing;
  struct StreamCloser {
    FileStream& stream;
    ~StreamCloser() { stream.Close(); }
  } closeStream{stream};
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(source, ec);  // a hint; 0 when unknown
  return RunFilter(*filter, stream.record(), byteLimit, kCrLf, codePage, block,
                   ec || size > (1u << 30) ? 0 : static_cast<size_t>(size));
}

}  // namespace

// ---- bindings

FilterBinding::FilterBinding(std::filesystem::path programDir, std::string fileName,
                             std::filesystem::path staleFile)
    : programDir_(std::move(programDir)),
      fileName_(std::move(fileName)),
      staleFile_(std::move(staleFile)) {}

FilterBinding::FilterBinding(const FilterFunctions& functions)
    : bindAttempted_(true), functions_(functions) {}

void FilterBinding::Bind() {
  bindAttempted_ = true;
  library_ = LoadProgramLibrary(programDir_, fileName_);
  if (library_.IsLoaded()) {
    functions_.createConverter = library_.Function<ScrCreateConverterFn>("CreateConverter");
    functions_.readConverter = library_.Function<ScrReadConverterFn>("ReadConverter");
    functions_.closeConverter = library_.Function<ScrCloseConverterFn>("CloseConverter");
  }
  if (!staleFile_.empty()) {
    std::error_code ec;
    std::filesystem::remove(staleFile_, ec);
  }
}

const FilterFunctions* FilterBinding::Functions() {
  if (!bindAttempted_) Bind();
  return functions_.Complete() ? &functions_ : nullptr;
}

void FilterBinding::Release() {
  functions_ = {};
  library_.Close();
}

// ---- sources

FilterSource::FilterSource() {
  record_.recordSize = sizeof(ScrStreamRecord);
  record_.source = this;
  record_.filterState = nullptr;
  record_.getSize = GetSizeCallback;
  record_.seek = SeekCallback;
  record_.read = ReadCallback;
  record_.getName = GetName;
  record_.getCodePage = GetCodePage;
}

FilterSource& FilterSource::Of(ScrStreamRecord* record) {
  return *static_cast<FilterSource*>(record->source);
}

int32_t FilterSource::GetSizeCallback(ScrStreamRecord* record, uint32_t* sizeLow,
                                      uint32_t* sizeHigh) {
  uint64_t size = 0;
  int32_t status = Of(record).Size(size);
  if (status != kStreamDone) return status;
  // Filters read only the low part: a source of 4 GB or more shows as 4 GB - 1, not wrapped.
  if (sizeLow) *sizeLow = static_cast<uint32_t>(std::min<uint64_t>(size, UINT32_MAX));
  if (sizeHigh) *sizeHigh = static_cast<uint32_t>(size >> 32);
  return kStreamDone;
}

int32_t FilterSource::SeekCallback(ScrStreamRecord* record, int32_t* offset, void* /*ignored*/,
                                   int32_t origin) {
  return Of(record).Seek(offset ? *offset : 0, origin);
}

int32_t FilterSource::ReadCallback(ScrStreamRecord* record, void* buffer, uint32_t count,
                                   int32_t* bytesRead) {
  int32_t got = 0;
  int32_t status =
      buffer ? Of(record).Read(buffer, std::min<uint32_t>(count, INT32_MAX), got) : kStreamDone;
  if (bytesRead) *bytesRead = got;
  return status;
}

bool FileStream::Open(const std::filesystem::path& path) {
  Close();
  ClearFilterState();
  file_ = std::fopen(path.c_str(), "rb");
  return file_ != nullptr;
}

void FileStream::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

int32_t FileStream::Size(uint64_t& size) {
  if (!file_ || std::fseek(file_, 0, SEEK_END) != 0) return kStreamNotOpen;
  long end = std::ftell(file_);
  std::fseek(file_, 0, SEEK_SET);
  size = end < 0 ? 0 : static_cast<uint64_t>(end);
  return kStreamDone;
}

int32_t FileStream::Seek(int64_t offset, int32_t origin) {
  if (!file_) return kStreamNotOpen;
  int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
  return std::fseek(file_, static_cast<long>(offset), whence) == 0 ? kStreamDone : kStreamNotOpen;
}

int32_t FileStream::Read(void* buffer, uint32_t count, int32_t& bytesRead) {
  if (!file_) return kStreamNotOpen;
  size_t got = std::fread(buffer, 1, count, file_);
  bytesRead = std::ferror(file_) ? -1 : static_cast<int32_t>(got);
  std::clearerr(file_);
  return kStreamDone;
}

void MemoryStream::Attach(std::string_view data) {
  data_ = data;
  position_ = 0;
  ClearFilterState();
}

int32_t MemoryStream::Size(uint64_t& size) {
  size = data_.size();
  return kStreamDone;
}

int32_t MemoryStream::Seek(int64_t offset, int32_t origin) {
  const int64_t length = static_cast<int64_t>(data_.size());
  int64_t target = origin == 1   ? static_cast<int64_t>(position_) + offset
                   : origin == 2 ? length + offset
                                 : offset;
  position_ = static_cast<size_t>(std::clamp<int64_t>(target, 0, length));
  return kStreamDone;
}

int32_t MemoryStream::Read(void* buffer, uint32_t count, int32_t& bytesRead) {
  size_t n = std::min<size_t>(count, data_.size() - position_);
  if (n > 0) std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  bytesRead = static_cast<int32_t>(n);
  return kStreamDone;
}

// ---- the hosts

FilterHosts::FilterHosts(const std::filesystem::path& programDir)
    : iniPath_(programDir / kHtmlFilterIniFile),
      webArchiveHtml_(programDir, kHtmlFilterFile, iniPath_),
      help_(programDir, kHelpFilterFile),
      html_(programDir, kHtmlFilterFile, iniPath_),
      rtf_(programDir, kRtfFilterFile) {
  // The filters bind on first use; a stale ini file still goes at start-up.
  RemoveStaleIni();
}

FilterHosts::~FilterHosts() {
  rtf_.Release();
  html_.Release();
  help_.Release();
  RemoveStaleIni();
  webArchiveHtml_.Release();
  RemoveStaleIni();
}

void FilterHosts::RemoveStaleIni() const {
  std::error_code ec;
  std::filesystem::remove(iniPath_, ec);
}

int32_t RunFilter(const FilterFunctions& filter, ScrStreamRecord& record, int32_t byteLimit,
                  int32_t style, int32_t codePage, OutputBlock& block, size_t sourceSize) {
  std::string collected;
  if (byteLimit <= 0) collected.reserve(sourceSize);
  {
    auto buffer = std::make_unique<uint8_t[]>(kFilterBufferSize);
    record.filterState = nullptr;
    ConverterCloser closer(filter, record);
    if (filter.createConverter(&record) == 0) {
      if (byteLimit <= 0) {
        for (;;) {
          uint32_t count = 0;
          if (filter.readConverter(&record, buffer.get(), kFilterBufferSize, &count) != 0) break;
          if (count == 0) break;
          collected.append(reinterpret_cast<const char*>(buffer.get()),
                           std::min(count, kFilterBufferSize));
        }
      } else {
        const uint32_t limit = std::min(static_cast<uint32_t>(byteLimit), kFilterBufferSize);
        uint32_t count = 0;
        if (filter.readConverter(&record, buffer.get(), limit, &count) == 0) {
          collected.append(reinterpret_cast<const char*>(buffer.get()), std::min(count, limit));
        }
      }
    }
  }
  if (collected.empty()) return 0;
  return OutputUtf8Text(collected, true, style, codePage, Utf8Decoder::kStrict, block);
}

int32_t ConvertHlp(FilterHosts& hosts, const std::filesystem::path& source, int32_t byteLimit,
                   OutputBlock& block, int32_t codePage) {
  return RunFileHost(hosts, hosts.help(), source, byteLimit, block, codePage);
}

int32_t ConvertHtml(FilterHosts& hosts, const std::filesystem::path& source, int32_t byteLimit,
                    OutputBlock& block, int32_t codePage) {
  return RunFileHost(hosts, hosts.html(), source, byteLimit, block, codePage);
}

int32_t ConvertRtf(FilterHosts& hosts, const std::filesystem::path& source, int32_t byteLimit,
                   OutputBlock& block, int32_t codePage) {
  return RunFileHost(hosts, hosts.rtf(), source, byteLimit, block, codePage);
}

int32_t ConvertHtmlText(FilterHosts& hosts, std::string_view html, int32_t byteLimit,
                        OutputBlock& block, int32_t codePage) {
  const FilterFunctions* filter = hosts.webArchiveHtml().Functions();
  if (!filter) return kLibraryMissing;
  MemoryStream& stream = hosts.memoryStream();
  stream.Attach(html);
  struct StreamDetacher {
    MemoryStream& stream;
    ~StreamDetacher() { stream.Detach(); }
  } detach{stream};
  return RunFilter(*filter, stream.record(), byteLimit, kCrLf, codePage, block, html.size());
}

}  // namespace scrivtar
