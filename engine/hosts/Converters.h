// The host side of the filter libraries (scrhlp.so, scrhtm.so, scrrtf.so): their bindings, the
// stream records through which a filter reads its source (a file, or bytes in memory), the
// reading loop, and the entry points ConvertHlp, ConvertHtml, ConvertRtf and ConvertHtmlText.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "scrivtar/ResultCodes.h"
#include "platform/DynamicLibrary.h"
#include "scrivtar/FilterApi.h"

namespace scrivtar {

inline constexpr uint32_t kFilterBufferSize = 65536;
inline constexpr int32_t kFilterCodePage = 65001;  // the host reads every filter's output as UTF-8
inline constexpr const char* kHelpFilterFile = "scrhlp.so";
inline constexpr const char* kHtmlFilterFile = "scrhtm.so";
inline constexpr const char* kRtfFilterFile = "scrrtf.so";
// The HTML filter may leave this file in the program directory; the engine only removes it.
inline constexpr const char* kHtmlFilterIniFile = "scrhtm.ini";

// The three functions the host calls.
struct FilterFunctions {
  ScrCreateConverterFn createConverter = nullptr;
  ScrReadConverterFn readConverter = nullptr;
  ScrCloseConverterFn closeConverter = nullptr;
  bool Complete() const { return createConverter && readConverter && closeConverter; }
};

// One binding of a filter library, made when a conversion first needs it: scrcmd converts one
// file per process, and loading a filter's dependencies (libxml2 and ICU for HTML, the shared C++
// runtime for RTF) would cost every start. Empty when the library or one of its functions is
// missing.
class FilterBinding {
 public:
  // staleFile, when given, is removed right after every load of the library.
  FilterBinding(std::filesystem::path programDir, std::string fileName,
                std::filesystem::path staleFile = {});
  // A binding to functions already in the process (tests).
  explicit FilterBinding(const FilterFunctions& functions);
  FilterBinding(const FilterBinding&) = delete;
  FilterBinding& operator=(const FilterBinding&) = delete;

  // The functions, or nullptr when the binding is empty; binds on the first call if needed.
  const FilterFunctions* Functions();
  void Release();

 private:
  void Bind();

  std::filesystem::path programDir_;
  std::string fileName_;
  std::filesystem::path staleFile_;
  bool bindAttempted_ = false;
  platform::DynamicLibrary library_;
  FilterFunctions functions_;
};

// A source that a filter reads through a stream record. The record's callbacks come here; both
// sources tell the filter 65001 (UTF-8) and an empty name. Callback statuses: 0 done, 1 the
// source is not open (the file source also answers 1 to a seek the file refuses).
class FilterSource {
 public:
  FilterSource(const FilterSource&) = delete;
  FilterSource& operator=(const FilterSource&) = delete;
  ScrStreamRecord& record() { return record_; }

 protected:
  FilterSource();
  virtual ~FilterSource() = default;
  virtual int32_t Size(uint64_t& size) = 0;
  // origin: 0 from the start, 1 from the current position, 2 from the end.
  virtual int32_t Seek(int64_t offset, int32_t origin) = 0;
  // bytesRead: the number read, -1 on a read error.
  virtual int32_t Read(void* buffer, uint32_t count, int32_t& bytesRead) = 0;
  void ClearFilterState() { record_.filterState = nullptr; }

 private:
  static FilterSource& Of(ScrStreamRecord* record);
  static int32_t GetSizeCallback(ScrStreamRecord* record, uint32_t* sizeLow, uint32_t* sizeHigh);
  static int32_t SeekCallback(ScrStreamRecord* record, int32_t* offset, void* ignored,
                              int32_t origin);
  static int32_t ReadCallback(ScrStreamRecord* record, void* buffer, uint32_t count,
                              int32_t* bytesRead);

  ScrStreamRecord record_{};
};

// The file hosts' source: an open file. GetSize leaves the file position at 0.
class FileStream final : public FilterSource {
 public:
  FileStream() = default;
  ~FileStream() override { Close(); }

  bool Open(const std::filesystem::path& path);
  void Close();

 private:
  int32_t Size(uint64_t& size) override;
  int32_t Seek(int64_t offset, int32_t origin) override;
  int32_t Read(void* buffer, uint32_t count, int32_t& bytesRead) override;

  std::FILE* file_ = nullptr;
};

// The memory host's source: bytes in memory and a position clamped to them.
class MemoryStream final : public FilterSource {
 public:
  MemoryStream() = default;

  // The bytes must outlive the conversion; the position starts at 0.
  void Attach(std::string_view data);
  void Detach() { Attach({}); }

 private:
  int32_t Size(uint64_t& size) override;
  int32_t Seek(int64_t offset, int32_t origin) override;
  int32_t Read(void* buffer, uint32_t count, int32_t& bytesRead) override;

  std::string_view data_;
  size_t position_ = 0;
};

// The filter bindings and stream records of one engine, in start-up order: the HTML filter for
// web archives, then the help, HTML and RTF filters for the file hosts. Each binds on first use;
// a stale scrhtm.ini goes at start-up, after every load of the HTML filter, and at shutdown
// (which releases in reverse order, removing it after each HTML filter's release).
class FilterHosts {
 public:
  explicit FilterHosts(const std::filesystem::path& programDir);
  ~FilterHosts();
  FilterHosts(const FilterHosts&) = delete;
  FilterHosts& operator=(const FilterHosts&) = delete;

  FilterBinding& webArchiveHtml() { return webArchiveHtml_; }
  FilterBinding& help() { return help_; }
  FilterBinding& html() { return html_; }
  FilterBinding& rtf() { return rtf_; }
  FileStream& fileStream() { return fileStream_; }
  MemoryStream& memoryStream() { return memoryStream_; }

 private:
  void RemoveStaleIni() const;

  std::filesystem::path iniPath_;
  FilterBinding webArchiveHtml_;
  FilterBinding help_;
  FilterBinding html_;
  FilterBinding rtf_;
  FileStream fileStream_;
  MemoryStream memoryStream_;
};

// The reading loop shared by both hosts: CreateConverter, ReadConverter until it fails or
// delivers 0 bytes (one call of at most 65,536 bytes with a non-zero byte limit), always
// CloseConverter; then the output step (line ends of the style, strict UTF-8 decoding). Returns
// the stored byte count, or 0 without touching the block when the filter delivered nothing.
// sourceSize reserves room for the output up front (pages are only touched as text arrives).
int32_t RunFilter(const FilterFunctions& filter, ScrStreamRecord& record, int32_t byteLimit,
                  int32_t style, int32_t codePage, OutputBlock& block, size_t sourceSize = 0);

// The file hosts: -1 when the library is missing, -2 when the source cannot be opened.
int32_t ConvertHlp(FilterHosts& hosts, const std::filesystem::path& source, int32_t byteLimit,
                   OutputBlock& block, int32_t codePage);
int32_t ConvertHtml(FilterHosts& hosts, const std::filesystem::path& source, int32_t byteLimit,
                    OutputBlock& block, int32_t codePage);
int32_t ConvertRtf(FilterHosts& hosts, const std::filesystem::path& source, int32_t byteLimit,
                   OutputBlock& block, int32_t codePage);

// The memory host of the web archives: the HTML bytes through the web archive's HTML binding.
int32_t ConvertHtmlText(FilterHosts& hosts, std::string_view html, int32_t byteLimit,
                        OutputBlock& block, int32_t codePage);

}  // namespace scrivtar
