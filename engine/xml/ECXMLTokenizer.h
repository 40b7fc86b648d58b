// The lenient XML tokenizer: walks one in-memory copy of a document and classifies the token
// at the current position. Nothing is copied: a token is a range of the buffer. The buffer is
// writable because a token's line-break pairs are squeezed out in place (the squeezed token is
// never longer than the original, and the tokenizer never looks back at bytes it has passed).
//
// Rules (they are the reader's contract and are kept on purpose):
//  - before a token, bytes 0x01 to 0x1F are skipped, and a space too unless preserve is on;
//  - a zero byte ends the document wherever it stands;
//  - a tag runs from "<" up to and including the first ">" (quotes do not protect a ">"); a tag
//    without a ">" before the end of the input is dropped and ends the document;
//  - a tag is, tested in this order and ignoring letter case: a declaration ("<?xml..."), a
//    comment ("<!--..."), an empty-element tag (ending in "/>"), an end
//    tag ("</..."), otherwise a start tag (so <!DOCTYPE and <![CDATA[ are start tags);
//  - a document type declaration with an internal subset ("<!DOCTYPE x [ <!ENTITY ...> ]>") is
//    one token, up to the first ">" after the "]" that closes the subset (quoted values and
//    comments inside it protect their "]"), classed as a comment: it is skipped and its entities
//    are never expanded. One without a subset is a start tag as above; an unterminated one ends
//    the document;
//  - text runs up to the next "<" and ends after its last byte above 0x20 (preserve off) or at
//    or above 0x20 (preserve on); what follows is left to the next skip;
//  - in every token each CR LF pair, then each LF CR pair of the rest, is removed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scrivtar {

enum class TXMLTokenKind {
  kEndOfInput,
  kDeclaration,
  kComment,
  kEmptyTag,
  kEndTag,
  kStartTag,
  kText,
};

class TXMLLargeTokenizer {
 public:
  // The document is data[0, size), cut at its first zero byte. The bytes must outlive the
  // tokenizer and are changed in place.
  TXMLLargeTokenizer(char* data, size_t size);

  // Reads the next token and returns its kind; kEndOfInput from then on at the end.
  TXMLTokenKind Next(bool preserve);

  TXMLTokenKind Kind() const { return kind_; }
  // The current token (after the line-break squeeze), a range of the buffer.
  std::string_view Token() const { return {data_ + start_, length_}; }
  size_t TokenOffset() const { return start_; }
  // 1 plus the line feeds skipped between tokens so far.
  int Line() const { return line_; }

 private:
  void Squeeze();
  // At a "<": the offset just past a document type declaration with an internal subset that
  // starts here, size_ + 1 when it is not terminated, 0 when none starts here.
  size_t InternalSubsetEnd() const;

  char* data_;
  size_t size_;
  size_t pos_ = 0;
  size_t start_ = 0;
  size_t length_ = 0;
  int line_ = 1;
  bool hasCr_ = false;
  TXMLTokenKind kind_ = TXMLTokenKind::kEndOfInput;
};

// The element name of a tag's text ("<w:t xml:space=...>" gives "w:t"): from the second
// character up to the first space; without a space up to the first "/"; without either,
// everything but the last character.
std::string_view XmlTagName(std::string_view tag);

// The raw attribute text of a tag: what lies between the first space and the closing ">",
// without a "/" just before the ">" and without trailing blanks; empty when the tag has no
// space. It always starts right after the name and its space.
std::string_view XmlTagAttributes(std::string_view tag);

// Splits raw attribute text into entries "name=value": every space outside double quotes
// separates entries (two spaces in a row give an empty entry); a value longer than two
// characters loses a leading and then a trailing double quote; values are entity-decoded.
std::vector<std::string> XmlSplitAttributes(std::string_view raw);

// Decodes the character references of text in one pass: &lt; &gt; &quot; &amp; &apos; and
// numeric references (&#8217; &#x2019;) to UTF-8. Malformed or unknown references, and
// numeric ones naming no valid XML character, stay as written.
std::string XmlDecodeEntities(std::string_view text);
// The same in place: text shrinks or stays; returns the new length.
size_t XmlDecodeEntitiesInPlace(char* text, size_t length);

}  // namespace scrivtar
