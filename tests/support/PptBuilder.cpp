#include "PptBuilder.h"

namespace scrivtar::test {

std::string U16le(uint16_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

std::string U32le(uint32_t value) {
  return U16le(value & 0xFFFF) + U16le(value >> 16);
}

std::string Utf16leBytes(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += U16le(c);
  return out;
}

std::string PptHeader(uint8_t recVer, uint16_t recInstance, uint16_t recType, uint32_t recLen) {
  return U16le(static_cast<uint16_t>((recVer & 0x0F) | recInstance << 4)) + U16le(recType) +
         U32le(recLen);
}

std::string PptAtom(uint16_t recType, const std::string& body, uint16_t recInstance) {
  return PptHeader(0, recInstance, recType, static_cast<uint32_t>(body.size())) + body;
}

std::string PptContainer(uint16_t recType, const std::string& children, uint16_t recInstance) {
  return PptHeader(0xF, recInstance, recType, static_cast<uint32_t>(children.size())) + children;
}

std::string PptTextHeader() {
  return PptAtom(0x0F9F, U32le(1));
}
std::string PptTextChars(std::u16string_view text) {
  return PptAtom(0x0FA0, Utf16leBytes(text));
}
std::string PptTextBytes(const std::string& windows1252) {
  return PptAtom(0x0FA8, windows1252);
}
std::string PptOutlineTextRef(uint32_t index) {
  return PptAtom(0x0F9E, U32le(index));
}

std::string PptSlidePersist(uint32_t persistIdRef) {
  return PptAtom(0x03F3, U32le(persistIdRef) + U32le(0) + U32le(1) + U32le(0) + U32le(256));
}

std::string PptSlideList(uint16_t instance, const std::string& children) {
  return PptContainer(0x0FF0, children, instance);
}

std::string PptSlide(const std::string& textRecords, bool notes) {
  std::string slideAtom = PptAtom(notes ? 0x03F1 : 0x03EF, std::string(notes ? 8 : 24, '\0'));
  std::string shape = PptContainer(
      0xF004, PptAtom(0xF00A, std::string(8, '\0'), 1) + PptContainer(0xF00D, textRecords));
  std::string drawing = PptContainer(0x040C, PptContainer(0xF002, PptContainer(0xF003, shape)));
  return PptContainer(notes ? 0x03F0 : 0x03EE, slideAtom + drawing);
}

std::string PptCurrentUser(uint32_t offsetToCurrentEdit, uint32_t headerToken, uint32_t size) {
  std::string user = "tester";
  std::string body = U32le(size) + U32le(headerToken) + U32le(offsetToCurrentEdit) +
                     U16le(static_cast<uint16_t>(user.size())) + U16le(0x03F4) +
                     std::string("\x03\x00", 2) + U16le(0) + user + U32le(8) +
                     Utf16leBytes(u"tester");
  return PptAtom(0x0FF6, body);
}

std::string PptUserEdit(uint32_t offsetLastEdit, uint32_t offsetPersistDirectory,
                        uint32_t docPersistIdRef, uint32_t recLen) {
  std::string body = U32le(256) + U16le(0) + std::string("\x00\x03", 2) + U32le(offsetLastEdit) +
                     U32le(offsetPersistDirectory) + U32le(docPersistIdRef) + U32le(100) +
                     U16le(1) + U16le(0);
  body.resize(recLen, '\0');
  return PptHeader(0, 0, 0x0FF5, recLen) + body;
}

std::string PptPersistDirectoryAtom(const PptPersistRuns& runs) {
  std::string body;
  for (const auto& [firstId, offsets] : runs) {
    body += U32le(firstId | static_cast<uint32_t>(offsets.size()) << 20);
    for (uint32_t offset : offsets) body += U32le(offset);
  }
  return PptAtom(0x1772, body);
}

uint32_t PptDocumentBuilder::Append(const std::string& bytes) {
  uint32_t offset = static_cast<uint32_t>(bytes_.size());
  bytes_ += bytes;
  return offset;
}

uint32_t PptDocumentBuilder::AddEdit(const std::map<uint32_t, uint32_t>& persistOffsets,
                                     uint32_t docPersistIdRef, uint32_t offsetLastEdit) {
  // One run per stretch of consecutive identifiers.
  PptPersistRuns runs;
  uint32_t next = 0;
  for (const auto& [id, offset] : persistOffsets) {
    if (runs.empty() || id != next) runs.push_back({id, {}});
    runs.back().second.push_back(offset);
    next = id + 1;
  }
  uint32_t directory = Append(PptPersistDirectoryAtom(runs));
  return Append(PptUserEdit(offsetLastEdit, directory, docPersistIdRef));
}

PptStreamsBytes BuildPresentation(const std::vector<PptSlideText>& slides,
                                  const std::vector<PptSlideText>& notes) {
  PptDocumentBuilder doc;
  std::map<uint32_t, uint32_t> persist;
  std::string slideList;
  std::string notesList;
  uint32_t nextId = 2;
  auto addPage = [&](const PptSlideText& page, bool isNotes, std::string& list) {
    std::string records;
    for (size_t i = 0; i < page.placeholders.size(); ++i) records += PptOutlineTextRef(i);
    for (const std::u16string& text : page.textBoxes)
      records += PptTextHeader() + PptTextChars(text);
    uint32_t id = nextId++;
    persist[id] = doc.Append(PptSlide(records, isNotes));
    list += PptSlidePersist(id);
    for (const std::u16string& text : page.placeholders)
      list += PptTextHeader() + PptTextChars(text);
  };
  for (const PptSlideText& slide : slides) addPage(slide, false, slideList);
  for (const PptSlideText& page : notes) addPage(page, true, notesList);
  // A master with text of its own, which no output may show.
  uint32_t masterId = nextId++;
  persist[masterId] = doc.Append(PptSlide(PptTextHeader() + PptTextChars(u"MASTER")));
  std::string masterList =
      PptSlideList(1, PptSlidePersist(masterId) + PptTextHeader() + PptTextChars(u"MASTER"));

  std::string children =
      PptAtom(0x03E9, std::string(40, '\0')) + masterList + PptSlideList(0, slideList);
  if (!notes.empty()) children += PptSlideList(2, notesList);
  children += PptAtom(0x03EA, "");  // EndDocumentAtom
  persist[1] = doc.Append(PptContainer(0x03E8, children));
  uint32_t edit = doc.AddEdit(persist, 1);
  return {PptCurrentUser(edit), doc.bytes()};
}

}  // namespace scrivtar::test
