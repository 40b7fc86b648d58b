#include "OfficeXCvt.h"

#include <string_view>
#include <system_error>
#include <unordered_set>

#include "OfficeXSheet.h"
#include "OfficeXText.h"
#include "core/VtCvtBase.h"

namespace scrivtar {

namespace {

enum class OfficeXKind { kDocx, kXlsx, kPptx };

constexpr std::string_view kLineEnd = "\r\n";

// "A" to "Z" become "a" to "z": the zip reader compares stored paths that way.
std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// One conversion: the part stream that receives one part at a time, the text built so far and
// whether any part of the kind was there.
struct PartReader {
  OfficeXWork& work;
  std::string stream;
  std::string text;
  bool found = false;
  // The stored paths of the package, lower-cased, so that the numbered parts that are not there
  // cost a probe here instead of a trip to the archive each.
  std::unordered_set<std::string> paths;

  explicit PartReader(OfficeXWork& w) : work(w) {
    const int count = work.zip.EntryCount();
    paths.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      const TZipHeaderInfo& entry = work.zip.Entry(i);
      if (!entry.fileName.empty()) paths.insert(LowerAscii(entry.StoredPath()));
    }
  }

  // Extracts a part into the emptied stream; true when the zip reader extracted it (a part that
  // fails its CRC check counts as not there).
  bool Extract(const std::string& name) {
    stream.clear();
    if (!paths.contains(LowerAscii(name))) return false;
    if (work.zip.ExtractToStream(stream, name) == 0) return false;
    found = true;
    return true;
  }

  // Builds the tree of what the stream holds; false when it is empty. The document takes the
  // bytes over, so a part is not held twice.
  bool Load() {
    if (stream.empty()) return false;
    work.ghost.LoadFromBuffer(std::move(stream));
    stream.clear();
    return true;
  }

  // Reads the numbered parts prefix + N + ".xml" for N = 0 up to the entry count, each with its
  // marker line and then its text by the rule.
  template <typename Rule>
  void ReadNumberedParts(std::string_view prefix, std::string_view marker, Rule rule) {
    const int count = work.zip.EntryCount();
    std::string name;
    for (int n = 0; n < count; ++n) {
      name.assign(prefix).append(std::to_string(n)).append(".xml");
      if (!paths.contains(LowerAscii(name))) continue;
      work.ghost.ClearDocument();
      if (!Extract(name) || !Load()) continue;
      text.append(marker).append(std::to_string(n)).append("_").append(kLineEnd);
      rule(work.document.RootItem(), text);
    }
  }
};

void ReadDocx(PartReader& reader) {
  if (!reader.Extract("word\\document.xml")) {
    // A main part that failed its CRC check counts as not there: its bytes are not kept in front
    // of the other name's part.
    if (!reader.Extract("word\\wordDocument.xml")) return;
  }
  // The text of a document part is not longer than the part: reserving that much (address
  // space only, until it is written) spares the copies of a growing string.
  const size_t partSize = reader.stream.size();
  if (!reader.Load()) return;
  reader.text.reserve(partSize);
  AppendDocxText(reader.work.document.RootItem(), reader.text);
}

void ReadXlsx(PartReader& reader) {
  OfficeXWork& work = reader.work;
  work.sharedStrings.clear();
  if (reader.Extract("xl\\sharedStrings.xml") && reader.Load()) {
    ReadSharedStrings(work.document.RootItem(), work.sharedStrings);
  }
  // The shared-string part is not one the workbook is recognised by.
  reader.found = false;
  reader.ReadNumberedParts("xl\\worksheets\\sheet", "_SHEET_",
                           [&work](TXMLItem root, std::string& text) {
                             AppendSheetText(root, work.sharedStrings, text);
                           });
}

void ReadPptx(PartReader& reader) {
  reader.ReadNumberedParts("ppt\\slides\\slide", "_SLIDE_", AppendSlideText);
  reader.ReadNumberedParts("ppt\\notesSlides\\notesSlide", "_NOTES_", AppendSlideText);
}

bool IsExistingFile(const std::filesystem::path& source) {
  std::error_code ec;
  std::filesystem::file_status status = std::filesystem::status(source, ec);
  return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

int32_t ConvertOfficeXml(OfficeXWork& work, const std::filesystem::path& source, OutputBlock& block,
                         int32_t codePage, OfficeXKind kind, int32_t lineBreakStyle) {
  if (!IsExistingFile(source)) return kSourceMissing;
  try {
    work.zip.SetZipName(source);
    work.zip.ReadDirectory();
  } catch (...) {
    return kOpenError;
  }
  if (work.zip.EntryCount() == 0) return kFormatError;

  PartReader reader(work);
  try {
    switch (kind) {
      case OfficeXKind::kDocx:
        ReadDocx(reader);
        break;
      case OfficeXKind::kXlsx:
        ReadXlsx(reader);
        break;
      case OfficeXKind::kPptx:
        ReadPptx(reader);
        break;
    }
  } catch (const ETextTooLong&) {
    return kFormatError;
  }
  // The text is all that is needed now: the last tree goes before the output block is filled,
  // so the two are not held at once.
  work.ghost.ClearDocument();
  if (!reader.found) return kFormatError;
  if (reader.text.size() > kMaxOfficeXText) return kFormatError;
  return OutputUtf8Text(reader.text, true, lineBreakStyle, codePage, Utf8Decoder::kLenient, block);
}

}  // namespace

int32_t ConvertDocx(OfficeXWork& work, const std::filesystem::path& source, int32_t /*limit*/,
                    OutputBlock& block, int32_t codePage) {
  return ConvertOfficeXml(work, source, block, codePage, OfficeXKind::kDocx, kCrLf);
}

int32_t ConvertXlsx(OfficeXWork& work, const std::filesystem::path& source, int32_t /*limit*/,
                    OutputBlock& block, int32_t codePage) {
  return ConvertOfficeXml(work, source, block, codePage, OfficeXKind::kXlsx, kCrLf);
}

int32_t ConvertPptx(OfficeXWork& work, const std::filesystem::path& source, int32_t /*limit*/,
                    OutputBlock& block, int32_t codePage) {
  return ConvertOfficeXml(work, source, block, codePage, OfficeXKind::kPptx, kCrLf);
}

}  // namespace scrivtar
