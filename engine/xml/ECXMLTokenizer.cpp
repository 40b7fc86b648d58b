#include "xml/ECXMLTokenizer.h"

#include <cstring>

#include "xml/XmlScan.h"

namespace scrivtar {
namespace {

char LowerAsciiChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (LowerAsciiChar(text[i]) != prefix[i]) return false;
  }
  return true;
}

// A valid XML 1.0 character.
bool IsXmlChar(uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

size_t PutUtf8(uint32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

// The reference starting at text[0] == '&': on success, its UTF-8 bytes in out (at most 4),
// their count in *outLen, and the length of the reference written. 0 when it is not one.
size_t DecodeReference(const char* text, size_t available, char* out, size_t* outLen) {
  // The longest reference decoded is "&#x0010FFFF;"-like; leading zeros are bounded too.
  constexpr size_t kMaxReference = 16;
  size_t limit = available < kMaxReference ? available : kMaxReference;
  size_t semi = 1;
  while (semi < limit && text[semi] != ';') ++semi;
  if (semi >= limit) return 0;
  std::string_view body(text + 1, semi - 1);
  char named = 0;
  if (body == "lt")
    named = '<';
  else if (body == "gt")
    named = '>';
  else if (body == "quot")
    named = '"';
  else if (body == "amp")
    named = '&';
  else if (body == "apos")
    named = '\'';
  if (named != 0) {
    out[0] = named;
    *outLen = 1;
    return semi + 1;
  }
  if (body.size() < 2 || body[0] != '#') return 0;
  uint32_t value = 0;
  bool hex = body[1] == 'x';
  size_t i = hex ? 2 : 1;
  if (i >= body.size()) return 0;
  for (; i < body.size(); ++i) {
    char c = body[i];
    uint32_t digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<uint32_t>(c - '0');
    else if (hex && c >= 'a' && c <= 'f')
      digit = static_cast<uint32_t>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F')
      digit = static_cast<uint32_t>(c - 'A' + 10);
    else
      return 0;
    value = value * (hex ? 16 : 10) + digit;
    if (value > 0x10FFFF) return 0;
  }
  if (!IsXmlChar(value)) return 0;
  *outLen = PutUtf8(value, out);
  return semi + 1;
}

}  // namespace

TXMLLargeTokenizer::TXMLLargeTokenizer(char* data, size_t size) : data_(data), size_(size) {
  if (size_ > 0) {
    const void* zero = std::memchr(data_, 0, size_);
    if (zero != nullptr) size_ = static_cast<size_t>(static_cast<const char*>(zero) - data_);
    // Without a CR anywhere no token has a pair to squeeze out.
    hasCr_ = std::memchr(data_, '\r', size_) != nullptr;
  }
}

void TXMLLargeTokenizer::Squeeze() {
  if (!hasCr_) return;
  char* token = data_ + start_;
  if (std::memchr(token, '\r', length_) == nullptr) return;
  // First every CR LF pair, then every LF CR pair of what remains.
  for (const char* pair : {"\r\n", "\n\r"}) {
    size_t out = 0;
    for (size_t in = 0; in < length_;) {
      if (in + 1 < length_ && token[in] == pair[0] && token[in + 1] == pair[1]) {
        in += 2;
      } else {
        token[out++] = token[in++];
      }
    }
    length_ = out;
  }
}

size_t TXMLLargeTokenizer::InternalSubsetEnd() const {
  const std::string_view rest(data_ + pos_, size_ - pos_);
  if (!StartsWithNoCase(rest, "<!doctype")) return 0;
  // Up to the subset's "[": a ">" first means there is no subset.
  size_t i = 9;
  char quote = 0;
  for (; i < rest.size(); ++i) {
    const char c = rest[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return 0;
    } else if (c == '[') {
      break;
    }
  }
  if (i >= rest.size()) return 0;
  // The subset's declarations, with their quoted values and comments, up to the "]" that ends it,
  // then the ">" of the declaration.
  for (++i; i < rest.size(); ++i) {
    const char c = rest[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '<' && rest.substr(i, 4) == "<!--") {
      const size_t end = rest.find("-->", i + 4);
      if (end == std::string_view::npos) break;
      i = end + 2;
    } else if (c == ']') {
      const size_t close = rest.find('>', i + 1);
      if (close == std::string_view::npos) break;
      return pos_ + close + 1;
    }
  }
  return size_ + 1;
}

TXMLTokenKind TXMLLargeTokenizer::Next(bool preserve) {
  while (pos_ < size_) {
    auto c = static_cast<unsigned char>(data_[pos_]);
    if (c < 0x20) {
      if (c == '\n') ++line_;
    } else if (c != ' ' || preserve) {
      break;
    }
    ++pos_;
  }
  length_ = 0;
  start_ = pos_;
  if (pos_ >= size_) return kind_ = TXMLTokenKind::kEndOfInput;

  if (data_[pos_] == '<') {
    if (const size_t subsetEnd = InternalSubsetEnd(); subsetEnd != 0) {
      if (subsetEnd > size_) {  // an unterminated declaration ends the document
        pos_ = size_;
        return kind_ = TXMLTokenKind::kEndOfInput;
      }
      length_ = subsetEnd - start_;
      pos_ = subsetEnd;
      Squeeze();
      return kind_ = TXMLTokenKind::kComment;
    }
    const char* close = xml::FindByte(data_ + pos_, data_ + size_, '>');
    if (close == nullptr) {  // an unterminated tag ends the document
      pos_ = size_;
      return kind_ = TXMLTokenKind::kEndOfInput;
    }
    size_t end = static_cast<size_t>(close - data_) + 1;
    length_ = end - start_;
    pos_ = end;
    Squeeze();
    std::string_view tag = Token();
    if (tag.size() >= 2 && tag[1] == '?' && StartsWithNoCase(tag, "<?xml")) {
      return kind_ = TXMLTokenKind::kDeclaration;
    }
    if (tag.size() >= 2 && tag[1] == '!' && StartsWithNoCase(tag, "<!--")) {
      return kind_ = TXMLTokenKind::kComment;
    }
    if (tag.size() >= 2 && tag[tag.size() - 2] == '/') return kind_ = TXMLTokenKind::kEmptyTag;
    if (tag.size() >= 2 && tag[1] == '/') return kind_ = TXMLTokenKind::kEndTag;
    return kind_ = TXMLTokenKind::kStartTag;
  }

  const char* open = xml::FindByte(data_ + pos_, data_ + size_, '<');
  size_t end = open ? static_cast<size_t>(open - data_) : size_;
  const unsigned char lowest = preserve ? 0x20 : 0x21;
  while (end > start_ && static_cast<unsigned char>(data_[end - 1]) < lowest) --end;
  length_ = end - start_;
  pos_ = end;
  Squeeze();
  return kind_ = TXMLTokenKind::kText;
}

std::string_view XmlTagName(std::string_view tag) {
  if (tag.size() < 2) return {};
  size_t stop = tag.find(' ');
  if (stop == std::string_view::npos) stop = tag.find('/');
  if (stop == std::string_view::npos) stop = tag.size() - 1;
  if (stop < 1) return {};
  return tag.substr(1, stop - 1);
}

std::string_view XmlTagAttributes(std::string_view tag) {
  const char* found = xml::FindByte(tag.data(), tag.data() + tag.size(), ' ');
  size_t space = found ? static_cast<size_t>(found - tag.data()) : std::string_view::npos;
  if (space == std::string_view::npos || tag.size() < space + 2) return {};
  // The tag ends at its first ">", so everything up to its last character is attribute text.
  std::string_view raw = tag.substr(space + 1, tag.size() - space - 2);
  if (!raw.empty() && raw.back() == '/') raw.remove_suffix(1);
  // Blanks before the closing "/>" or ">" separate nothing; without this they would end up in
  // the last value (r="A1" /> would give the value A1" and a dimension ref would not parse).
  while (!raw.empty() && static_cast<unsigned char>(raw.back()) <= 0x20) raw.remove_suffix(1);
  return raw;
}

std::vector<std::string> XmlSplitAttributes(std::string_view raw) {
  std::vector<std::string> lines;
  std::string line;
  bool inQuotes = false;
  bool pending = false;
  for (size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    bool last = i + 1 == raw.size();
    if (c == '"') inQuotes = !inQuotes;
    if ((c == ' ' && !inQuotes && !last) || c == '\n' || c == '\r') {
      lines.push_back(std::move(line));
      line.clear();
      pending = false;
      continue;
    }
    line.push_back(c);
    pending = true;
  }
  if (pending) lines.push_back(std::move(line));
  for (std::string& entry : lines) {
    size_t eq = entry.find('=');
    if (eq == std::string::npos) continue;
    std::string_view value = std::string_view(entry).substr(eq + 1);
    if (value.size() > 2) {
      if (value.front() == '"') value.remove_prefix(1);
      if (!value.empty() && value.back() == '"') value.remove_suffix(1);
    }
    entry = entry.substr(0, eq + 1) + XmlDecodeEntities(value);
  }
  return lines;
}

std::string XmlDecodeEntities(std::string_view text) {
  std::string out(text);
  out.resize(XmlDecodeEntitiesInPlace(out.data(), out.size()));
  return out;
}

size_t XmlDecodeEntitiesInPlace(char* text, size_t length) {
  const void* first = std::memchr(text, '&', length);
  if (first == nullptr) return length;
  size_t in = static_cast<size_t>(static_cast<const char*>(first) - text);
  size_t out = in;
  while (in < length) {
    char c = text[in];
    if (c == '&') {
      char bytes[4];
      size_t count = 0;
      size_t used = DecodeReference(text + in, length - in, bytes, &count);
      if (used > 0) {
        // Every reference is longer than the bytes it stands for, so out stays behind in.
        std::memcpy(text + out, bytes, count);
        out += count;
        in += used;
        continue;
      }
    }
    text[out++] = c;
    ++in;
  }
  return out;
}

}  // namespace scrivtar
