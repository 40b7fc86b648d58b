// PowerPoint binary records as bytes, for the presentations no writer produces: lying lengths,
// broken edit chains, text atoms in odd places.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scrivtar::test {

std::string U16le(uint16_t value);
std::string U32le(uint32_t value);
std::string Utf16leBytes(std::u16string_view text);

// A record header with any version, instance, type and length.
std::string PptHeader(uint8_t recVer, uint16_t recInstance, uint16_t recType, uint32_t recLen);
// An atom or a container whose length matches its body.
std::string PptAtom(uint16_t recType, const std::string& body, uint16_t recInstance = 0);
std::string PptContainer(uint16_t recType, const std::string& children, uint16_t recInstance = 0);

std::string PptTextHeader();
std::string PptTextChars(std::u16string_view text);
std::string PptTextBytes(const std::string& windows1252);
std::string PptOutlineTextRef(uint32_t index);
// A 20-byte SlidePersistAtom naming persistIdRef.
std::string PptSlidePersist(uint32_t persistIdRef);
// SlideListWithText: instance 0 slides, 1 masters, 2 notes.
std::string PptSlideList(uint16_t instance, const std::string& children);
// A slide (or notes page) whose drawing holds the given records, inside a shape's text box as
// PowerPoint stores them (PPDrawing > DgContainer > SpgrContainer > SpContainer > ClientTextbox).
std::string PptSlide(const std::string& textRecords, bool notes = false);

inline constexpr uint32_t kPptPlainToken = 0xE391C05F;
inline constexpr uint32_t kPptEncryptedToken = 0xF3D1C4DF;
// A "Current User" stream.
std::string PptCurrentUser(uint32_t offsetToCurrentEdit, uint32_t headerToken = kPptPlainToken,
                           uint32_t size = 20);
std::string PptUserEdit(uint32_t offsetLastEdit, uint32_t offsetPersistDirectory,
                        uint32_t docPersistIdRef, uint32_t recLen = 28);
// A PersistDirectoryAtom from runs of (first identifier, offsets).
using PptPersistRuns = std::vector<std::pair<uint32_t, std::vector<uint32_t>>>;
std::string PptPersistDirectoryAtom(const PptPersistRuns& runs);

// Lays out a "PowerPoint Document" stream record by record.
class PptDocumentBuilder {
 public:
  // Appends any bytes and returns the offset where they start.
  uint32_t Append(const std::string& bytes);
  // Appends one edit: a persist directory mapping identifiers to offsets, then the UserEditAtom.
  // Returns the UserEditAtom's offset, for the next edit's offsetLastEdit or the Current User.
  uint32_t AddEdit(const std::map<uint32_t, uint32_t>& persistOffsets, uint32_t docPersistIdRef,
                   uint32_t offsetLastEdit = 0);
  const std::string& bytes() const { return bytes_; }
  std::string& bytes() { return bytes_; }

 private:
  std::string bytes_;
};

struct PptStreamsBytes {
  std::string currentUser;
  std::string document;
};

// One slide of a simple presentation: placeholder texts stored in the slide list and referenced
// by OutlineTextRefAtoms, then text-box texts stored in the slide itself.
struct PptSlideText {
  std::vector<std::u16string> placeholders;
  std::vector<std::u16string> textBoxes;
};

// A presentation saved in one edit: persist identifier 1 the document, slides from 2 on, then
// the notes pages, each listed in its slide list.
PptStreamsBytes BuildPresentation(const std::vector<PptSlideText>& slides,
                                  const std::vector<PptSlideText>& notes = {});

}  // namespace scrivtar::test
