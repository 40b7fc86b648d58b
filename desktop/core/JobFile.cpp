#include "JobFile.h"

#include "AtomicFile.h"
#include "scrivtar/HostText.h"

namespace scrivtar {

namespace {

constexpr size_t kTextCount = 6;

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool U16(uint32_t& v) {
    if (bytes_.size() - pos_ < 2) return false;
    v = static_cast<uint8_t>(bytes_[pos_]) | (static_cast<uint8_t>(bytes_[pos_ + 1]) << 8);
    pos_ += 2;
    return true;
  }
  bool I32(int32_t& v) {
    if (bytes_.size() - pos_ < 4) return false;
    uint32_t u = 0;
    for (int i = 3; i >= 0; --i) u = (u << 8) | static_cast<uint8_t>(bytes_[pos_ + i]);
    v = static_cast<int32_t>(u);
    pos_ += 4;
    return true;
  }
  bool Bytes(size_t n, std::string_view& out) {
    if (bytes_.size() - pos_ < n) return false;
    out = bytes_.substr(pos_, n);
    pos_ += n;
    return true;
  }
  bool AtEnd() const { return pos_ >= bytes_.size(); }

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
};

std::string TextOf(std::string_view raw, bool legacy, int32_t systemCodePage) {
  std::u16string wide;
  if (legacy) {
    wide = CodePageToUtf16(systemCodePage, raw);
  } else {
    wide = FromUtf16LeBytes(raw);
  }
  return Utf16ToBytesEscaped(wide);
}

bool ReadRecord(Reader& r, bool legacy, int32_t systemCodePage, FileEntry& entry) {
  uint32_t textCount = 0, captionLength = 0;
  std::string_view caption;
  if (!r.U16(textCount) || !r.I32(entry.State) || !r.U16(captionLength) ||
      !r.Bytes(captionLength, caption)) {
    return false;
  }
  std::string* fields[kTextCount] = {&entry.Name, &entry.Source, &entry.Size,
                                     &entry.Type, &entry.Target, &entry.Message};
  for (uint32_t k = 0; k < textCount; ++k) {
    uint32_t length = 0;
    std::string_view raw;
    if (!r.U16(length) || !r.Bytes(length, raw)) return false;
    if (k < kTextCount) *fields[k] = TextOf(raw, legacy, systemCodePage);
  }
  return true;
}

void PutU16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void PutText(std::string& out, const std::string& text) {
  std::u16string wide = BytesToUtf16Escaped(text);
  if (wide.size() > kJobFileMaxTextUnits) {
    size_t cut = kJobFileMaxTextUnits;
    if (wide[cut - 1] >= 0xD800 && wide[cut - 1] <= 0xDBFF) --cut;  // keep pairs whole
    wide.resize(cut);
  }
  PutU16(out, static_cast<uint32_t>(wide.size() * 2));
  out += ToUtf16LeBytes(wide);
}

}  // namespace

JobFileContents ParseJobFile(std::string_view bytes, int32_t systemCodePage) {
  JobFileContents contents;
  if (bytes.size() < 3 || (bytes.substr(0, 3) != "LFW" && bytes.substr(0, 3) != "LVF")) {
    contents.Status = JobFileStatus::kBadSignature;
    return contents;
  }
  bool legacy = bytes.substr(0, 3) == "LVF";
  Reader r(bytes.substr(3));
  uint32_t count = 0;
  if (!r.U16(count)) {
    contents.Status = JobFileStatus::kDamaged;
    return contents;
  }
  contents.Status = JobFileStatus::kRead;
  // A full count may be followed by the records of a longer list, up to the end of the file.
  for (size_t i = 0; i < count || (count == kJobFileMaxCount && !r.AtEnd()); ++i) {
    FileEntry entry;
    if (!ReadRecord(r, legacy, systemCodePage, entry)) {
      contents.Status = JobFileStatus::kDamaged;
      break;
    }
    contents.Entries.push_back(std::move(entry));
  }
  return contents;
}

JobFileContents LoadJobFile(const std::filesystem::path& file, int32_t systemCodePage) {
  std::string bytes;
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return {};
  if (!ReadWholeFile(file, bytes, size_t{1} << 32)) {
    JobFileContents contents;
    contents.Status = JobFileStatus::kDamaged;
    return contents;
  }
  return ParseJobFile(bytes, systemCodePage);
}

std::string JobFileBytes(const std::vector<FileEntry>& entries) {
  std::string out = "LFW";
  PutU16(out, static_cast<uint32_t>(std::min(entries.size(), kJobFileMaxCount)));
  for (const FileEntry& e : entries) {
    PutU16(out, kTextCount);
    uint32_t state = static_cast<uint32_t>(e.State);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((state >> (8 * i)) & 0xFF));
    PutU16(out, 0);  // the caption
    for (const std::string* text : {&e.Name, &e.Source, &e.Size, &e.Type, &e.Target, &e.Message}) {
      PutText(out, *text);
    }
  }
  return out;
}

bool SaveJobFile(const std::filesystem::path& file, const std::vector<FileEntry>& entries,
                 std::string* error) {
  std::string bytes = JobFileBytes(entries);
  return WriteFileAtomically(file, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                             error) == 0;
}

}  // namespace scrivtar
