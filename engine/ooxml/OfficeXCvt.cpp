#include "OfficeXCvt.h"

#include <string_view>
#include <system_error>
#include <unordered_set>

#include "OfficeXRels.h"
#include "OfficeXSheet.h"
#include "OfficeXText.h"
#include "cfb/TDocFile_U1.h"
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
  // fails its CRC check counts as not there). A part of the kind sets the found flag; the
  // relationship and list parts do not.
  bool Extract(const std::string& name, bool ofTheKind = true) {
    stream.clear();
    if (!paths.contains(LowerAscii(name))) return false;
    if (work.zip.ExtractToStream(stream, name) == 0) return false;
    if (ofTheKind) found = true;
    return true;
  }

  bool Has(std::string_view part) const { return paths.contains(LowerAscii(ZipPartName(part))); }

  // Loads a part that only says where the others are into the cleared document.
  bool LoadListPart(std::string_view part) {
    work.ghost.ClearDocument();
    return Extract(ZipPartName(part), false) && Load();
  }

  std::vector<Relationship> RelationshipsOf(std::string_view part) {
    if (!LoadListPart(RelationshipPartOf(part))) return {};
    return ReadRelationships(work.document.RootItem(), part);
  }

  // The main part the package's relationships name, or "".
  std::string MainPart() {
    std::string main = TargetOfType(RelationshipsOf(""), "officeDocument");
    return Has(main) ? main : std::string();
  }

  // The parts a main part lists (a workbook's sheets, a presentation's slides) in its order,
  // each once; empty when none of them is in the package.
  std::vector<std::string> ListedParts(std::string_view main, std::string_view listName,
                                       std::string_view itemName, std::string_view type,
                                       std::string* related = nullptr,
                                       std::string_view relatedType = {}) {
    std::vector<Relationship> relationships = RelationshipsOf(main);
    if (related) *related = TargetOfType(relationships, relatedType);
    if (relationships.empty() || !LoadListPart(main)) return {};
    std::vector<std::string> parts;
    std::unordered_set<std::string> seen;
    bool any = false;
    for (std::string& part :
         ListedTargets(work.document.RootItem(), listName, itemName, relationships, type)) {
      if (!seen.insert(LowerAscii(part)).second) continue;
      any = any || Has(part);
      parts.push_back(std::move(part));
    }
    work.ghost.ClearDocument();
    if (!any) parts.clear();
    return parts;
  }

  // Reads listed parts in order, each with its marker line (its part number, else its place in
  // the list) and then its text by the rule.
  template <typename Rule>
  void ReadListedParts(const std::vector<std::string>& parts, std::string_view marker, Rule rule) {
    for (size_t i = 0; i < parts.size(); ++i) {
      work.ghost.ClearDocument();
      if (!Extract(ZipPartName(parts[i])) || !Load()) continue;
      const int number = PartNumber(parts[i], static_cast<int>(i) + 1);
      text.append(marker).append(std::to_string(number)).append("_").append(kLineEnd);
      rule(work.document.RootItem(), text);
    }
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
  // The package's relationships name the main part; Word's fixed names are what they usually
  // name, and stand in when they are missing or damaged.
  // A package of another kind (a theme named .docx) names a main part that is no document: then
  // the fixed names decide, as for a package without relationships.
  if (const std::string main = reader.MainPart();
      !main.empty() && reader.Extract(ZipPartName(main), false)) {
    const size_t partSize = reader.stream.size();
    if (reader.Load()) {
      const std::string_view root = LocalName(reader.work.document.RootItem().Name());
      if (EqualsIgnoringCase(root, "document") || EqualsIgnoringCase(root, "wordDocument")) {
        reader.found = true;
        reader.text.reserve(partSize);
        AppendDocxText(reader.work.document.RootItem(), reader.text);
        return;
      }
    }
    reader.work.ghost.ClearDocument();
  }
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
  // The worksheets in the workbook's order and the shared strings, from the workbook's
  // relationships; the fixed names when they give none.
  std::string sharedStrings;
  std::vector<std::string> sheets;
  if (const std::string workbook = reader.MainPart(); !workbook.empty()) {
    sheets = reader.ListedParts(workbook, "sheets", "sheet", "worksheet", &sharedStrings,
                                "sharedStrings");
  }
  reader.work.ghost.ClearDocument();
  if ((!sharedStrings.empty() && reader.Extract(ZipPartName(sharedStrings), false)) ||
      reader.Extract("xl\\sharedStrings.xml", false)) {
    if (reader.Load()) ReadSharedStrings(work.document.RootItem(), work.sharedStrings);
  }
  auto rule = [&work](TXMLItem root, std::string& text) {
    AppendSheetText(root, work.sharedStrings, text);
  };
  if (!sheets.empty()) {
    reader.ReadListedParts(sheets, "_SHEET_", rule);
  } else {
    reader.ReadNumberedParts("xl\\worksheets\\sheet", "_SHEET_", rule);
  }
}

void ReadPptx(PartReader& reader) {
  // The slides in the presentation's order and then their notes pages, from the relationships;
  // the fixed names when they give none.
  std::vector<std::string> slides;
  if (const std::string presentation = reader.MainPart(); !presentation.empty()) {
    slides = reader.ListedParts(presentation, "sldIdLst", "sldId", "slide");
  }
  if (slides.empty()) {
    reader.ReadNumberedParts("ppt\\slides\\slide", "_SLIDE_", AppendSlideText);
    reader.ReadNumberedParts("ppt\\notesSlides\\notesSlide", "_NOTES_", AppendSlideText);
    return;
  }
  reader.ReadListedParts(slides, "_SLIDE_", AppendSlideText);
  std::vector<std::string> notes;
  for (const std::string& slide : slides) {
    if (!reader.Has(slide)) continue;
    std::string page = TargetOfType(reader.RelationshipsOf(slide), "notesSlide");
    if (!page.empty()) notes.push_back(std::move(page));
  }
  reader.ReadListedParts(notes, "_NOTES_", AppendSlideText);
}

// A password-protected package is not a zip archive but a compound document that holds the
// encrypted package and the key data beside it.
bool IsEncryptedPackage(const std::filesystem::path& source) {
  if (CheckDocFile(source) != 0) return false;
  std::unique_ptr<TDocFileStorage> storage = OpenDocFile(source, kDocFileReadMode);
  if (!storage) return false;
  return storage->OpenStream(std::string_view("EncryptionInfo"), kDocFileReadMode) != nullptr &&
         storage->OpenStream(std::string_view("EncryptedPackage"), kDocFileReadMode) != nullptr;
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
  if (work.zip.EntryCount() == 0) return IsEncryptedPackage(source) ? kNotAllowed : kFormatError;

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
