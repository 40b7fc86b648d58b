#include "VtMhtCvt.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>
#include <unordered_set>
#include <utility>

#include "hosts/Converters.h"

namespace scrivtar {

namespace {

// ---- text helpers

std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<uint8_t>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<uint8_t>(s[e - 1]) <= 0x20) --e;
  return s.substr(b, e - b);
}

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// prefix is lower case.
bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (LowerAscii(s[i]) != prefix[i]) return false;
  }
  return true;
}

// needle is lower case; npos when absent.
size_t FindNoCase(std::string_view s, std::string_view needle, size_t from = 0) {
  if (needle.empty() || s.size() < needle.size()) return std::string_view::npos;
  for (size_t i = from; i + needle.size() <= s.size(); ++i) {
    if (LowerAscii(s[i]) == needle[0] && StartsWithNoCase(s.substr(i), needle)) return i;
  }
  return std::string_view::npos;
}

bool IsBlank(std::string_view line) {
  return Trim(line).empty();
}

// A header line is examined as segments: trimmed, one ";" at its end removed, cut at every ";",
// each piece trimmed.
template <typename Fn>
void ForEachSegment(std::string_view line, Fn&& fn) {
  line = Trim(line);
  if (!line.empty() && line.back() == ';') line.remove_suffix(1);
  for (;;) {
    size_t semicolon = line.find(';');
    fn(Trim(line.substr(0, semicolon)));
    if (semicolon == std::string_view::npos) return;
    line.remove_prefix(semicolon + 1);
  }
}

enum class Keyword {
  kNone,
  kContentType,
  kBoundary,
  kTransferEncoding,
  kOther,      // location, description, content id, disposition: recognised, not used
  kParameter,  // charset, filename, name: keywords only inside a part header or after another
};

constexpr std::string_view kContentType = "content-type:";
constexpr std::string_view kBoundary = "boundary";
constexpr std::string_view kTransferEncoding = "content-transfer-encoding:";

Keyword KeywordOf(std::string_view segment) {
  // Every keyword begins with one of these letters; most content lines stop here.
  const char first = segment.empty() ? '\0' : LowerAscii(segment[0]);
  if (first != 'c' && first != 'b' && first != 'f' && first != 'n') return Keyword::kNone;
  if (StartsWithNoCase(segment, kContentType)) return Keyword::kContentType;
  if (StartsWithNoCase(segment, kBoundary)) return Keyword::kBoundary;
  if (StartsWithNoCase(segment, kTransferEncoding)) return Keyword::kTransferEncoding;
  for (std::string_view other :
       {"content-location:", "content-description:", "content-id:", "content-disposition:"}) {
    if (StartsWithNoCase(segment, other)) return Keyword::kOther;
  }
  for (std::string_view parameter : {"charset", "filename", "name"}) {
    if (StartsWithNoCase(segment, parameter)) return Keyword::kParameter;
  }
  return Keyword::kNone;
}

// "Field-Name:" at the very start of the line: printable ASCII without blanks, then a colon.
bool StartsWithFieldName(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && line[i] > 0x20 && line[i] < 0x7F && line[i] != ':') ++i;
  return i > 0 && i < line.size() && line[i] == ':';
}

// The value after "boundary": the word removed, trimmed, one leading "=" removed, trimmed.
std::string_view BoundaryValueBase(std::string_view segment) {
  std::string_view value = Trim(segment.substr(kBoundary.size()));
  if (!value.empty() && value.front() == '=') value = Trim(value.substr(1));
  return value;
}

std::string_view CutAtQuote(std::string_view value) {
  return value.substr(0, value.find('"'));
}

// In a part header: a value that begins with a double quote ends at the next one.
std::string_view PartBoundaryValue(std::string_view segment) {
  std::string_view value = BoundaryValueBase(segment);
  if (!value.empty() && value.front() == '"') value = CutAtQuote(value.substr(1));
  return value;
}

// In the top-level header: everything up to the first double quote goes, the value ends at the
// next one.
std::string_view TopBoundaryValue(std::string_view segment) {
  std::string_view value = BoundaryValueBase(segment);
  size_t quote = value.find('"');
  if (quote != std::string_view::npos) value = CutAtQuote(value.substr(quote + 1));
  return value;
}

// ---- boundaries

// The boundary list, and a byte trie over it so that testing a line costs its length at most,
// however many boundaries the file declares.
class BoundarySet {
 public:
  BoundarySet() { nodes_.emplace_back(); }

  // Adds the text unless the list holds it already in any letter case. Empty texts are not
  // boundaries (every line beginning with "--" would match one).
  void Add(std::string_view text, std::vector<std::string>& list) {
    if (text.empty()) return;
    std::string folded(text);
    for (char& c : folded) c = LowerAscii(c);
    if (!folded_.insert(std::move(folded)).second) return;
    list.emplace_back(text);
    uint32_t node = 0;
    for (char c : text) node = AddChild(node, static_cast<uint8_t>(c));
    nodes_[node].terminal = true;
  }

  // After trimming, "--" immediately followed by a boundary (letter case significant).
  bool IsBoundaryLine(std::string_view line) const {
    line = Trim(line);
    if (line.size() < 2 || line[0] != '-' || line[1] != '-') return false;
    uint32_t node = 0;
    for (size_t i = 2; i < line.size(); ++i) {
      node = Child(node, static_cast<uint8_t>(line[i]));
      if (node == kNoNode) return false;
      if (nodes_[node].terminal) return true;
    }
    return false;
  }

 private:
  static constexpr uint32_t kNoNode = UINT32_MAX;
  struct Node {
    uint32_t firstChild = kNoNode;
    uint32_t nextSibling = kNoNode;
    uint8_t byte = 0;
    bool terminal = false;
  };

  uint32_t Child(uint32_t node, uint8_t byte) const {
    uint32_t child = nodes_[node].firstChild;
    while (child != kNoNode && nodes_[child].byte != byte) child = nodes_[child].nextSibling;
    return child;
  }

  uint32_t AddChild(uint32_t node, uint8_t byte) {
    if (uint32_t child = Child(node, byte); child != kNoNode) return child;
    Node fresh;
    fresh.byte = byte;
    fresh.nextSibling = nodes_[node].firstChild;
    nodes_.push_back(fresh);
    uint32_t index = static_cast<uint32_t>(nodes_.size() - 1);
    nodes_[node].firstChild = index;
    return index;
  }

  std::vector<Node> nodes_;
  std::unordered_set<std::string> folded_;
};

// ---- the body scan

class PartScanner {
 public:
  PartScanner(WebArchive& archive, BoundarySet& boundaries)
      : archive_(archive), lines_(archive.lines), boundaries_(boundaries) {
    parts_.resize(2);  // [0] stands for the preamble and is never output; [1] is pending
  }

  void Scan(size_t headerEnd) {
    const size_t count = lines_.Count();
    std::string joined;
    for (size_t n = headerEnd + 1; n <= count;) {
      std::string_view line = lines_[n];
      size_t next = n + 1;
      bool encodedWords = HasEncodedWords(line);
      if (encodedWords && next <= count && HasEncodedWords(lines_[next])) {
        // A header value folded into several encoded-word lines stays one header line.
        joined.assign(line);
        while (next <= count && HasEncodedWords(lines_[next])) joined.append(lines_[next++]);
        line = joined;
      }
      Examine(line, n);
      if (!encodedWords) FindEndOfPrevious(line, n);
      n = next;
    }
  }

  // The parts whose header ended; a part whose end the scan never saw runs to the last line.
  std::vector<WebArchivePart> TakeParts() {
    std::vector<WebArchivePart> parts(std::make_move_iterator(parts_.begin() + 1),
                                      std::make_move_iterator(parts_.end() - 1));
    for (WebArchivePart& part : parts) {
      if (part.lastLine == 0) part.lastLine = lines_.Count();
    }
    return parts;
  }

 private:
  static bool HasEncodedWords(std::string_view line) {
    return line.find("=?") != std::string_view::npos && line.find("?=") != std::string_view::npos &&
           FindNoCase(line, "?q?") != line.npos;
  }

  bool IsHeaderLine(std::string_view line) const {
    bool header = false;
    ForEachSegment(line, [&](std::string_view segment) {
      Keyword keyword = KeywordOf(segment);
      if (keyword == Keyword::kParameter ? inPartHeader_ : keyword != Keyword::kNone) {
        header = true;
      }
    });
    if (header || !inPartHeader_) return header;
    // Inside a part header every header field and every folded continuation belongs to it,
    // so that a field without a keyword (such as "MIME-Version: 1.0", which Python's email
    // package puts into each part) does not end the header early.
    return StartsWithFieldName(line) ||
           (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !IsBlank(line));
  }

  void Record(std::string_view line, WebArchivePart& part) {
    ForEachSegment(line, [&](std::string_view segment) {
      switch (KeywordOf(segment)) {
        case Keyword::kContentType:
          part.contentType = Trim(segment.substr(kContentType.size()));
          break;
        case Keyword::kBoundary:
          boundaries_.Add(PartBoundaryValue(segment), archive_.boundaries);
          break;
        case Keyword::kTransferEncoding:
          part.transferEncoding = Trim(segment.substr(kTransferEncoding.size()));
          break;
        default:
          break;
      }
    });
  }

  void Examine(std::string_view line, size_t n) {
    const bool header = IsHeaderLine(line);
    if (!inPartHeader_) {
      if (!header) return;
      if (Previous().lastLine == 0) Previous().lastLine = n - 1;
      inPartHeader_ = true;
      Record(line, parts_.back());
    } else if (header) {
      Record(line, parts_.back());
    } else {
      parts_.back().firstLine = n;
      parts_.emplace_back();
      inPartHeader_ = false;
    }
  }

  void FindEndOfPrevious(std::string_view line, size_t n) {
    WebArchivePart& previous = Previous();
    if (previous.lastLine != 0) return;
    if (boundaries_.IsBoundaryLine(line)) {
      previous.lastLine = n - 1;
    } else if (n == lines_.Count()) {
      previous.lastLine = n;
    }
  }

  WebArchivePart& Previous() { return parts_[parts_.size() - 2]; }

  WebArchive& archive_;
  const TUniFileStringList& lines_;
  BoundarySet& boundaries_;
  std::vector<WebArchivePart> parts_;
  bool inPartHeader_ = false;
};

bool IsAlternative(const WebArchivePart& part) {
  return FindNoCase(part.contentType, "multipart/alternative") != std::string_view::npos;
}

void AdjustRanges(WebArchive& archive, const BoundarySet& boundaries) {
  const TUniFileStringList& lines = archive.lines;
  const size_t count = lines.Count();
  for (WebArchivePart& part : archive.parts) {
    const bool alternative = IsAlternative(part);
    if (!alternative) {
      while (part.firstLine <= count) {
        std::string_view text = Trim(lines[part.firstLine]);
        if (!text.empty() && text != "=0A=" && !StartsWithNoCase(text, "x-mimeole:")) break;
        ++part.firstLine;
      }
    }
    while (part.lastLine >= 1) {
      std::string_view text = lines[part.lastLine];
      if (!boundaries.IsBoundaryLine(text) && (alternative || !IsBlank(text))) break;
      --part.lastLine;
    }
  }
}

// ---- decoding the HTML parts

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kQuotedMark = "=EF=BB=BF";

std::string_view WithoutMark(std::string_view line, bool quotedForm) {
  if (line.starts_with(kUtf8Mark)) line.remove_prefix(kUtf8Mark.size());
  if (quotedForm && line.starts_with(kQuotedMark)) line.remove_prefix(kQuotedMark.size());
  return line;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "=XX" becomes the byte XX in html[from..]; the scan goes on after the byte, so "=3D41" gives
// "=41". An "=" without two hexadecimal digits stays.
void DecodeEscapes(std::string& html, size_t from) {
  size_t w = from;
  for (size_t r = from; r < html.size();) {
    int high, low;
    if (html[r] == '=' && r + 2 < html.size() && (high = HexValue(html[r + 1])) >= 0 &&
        (low = HexValue(html[r + 2])) >= 0) {
      html[w++] = static_cast<char>(high * 16 + low);
      r += 3;
    } else {
      html[w++] = html[r++];
    }
  }
  html.resize(w);
}

// "<base href ... />" on the line html[from..] goes, once; one without "/>" stays.
void RemoveBaseElement(std::string& html, size_t from) {
  std::string_view line(html.data() + from, html.size() - from);
  constexpr std::string_view kBase = "<base href";
  size_t start = FindNoCase(line, kBase);
  if (start == std::string_view::npos) return;
  size_t close = line.find("/>", start + kBase.size());
  if (close == std::string_view::npos) return;
  html.erase(from + start, close + 2 - start);
}

void AppendLine(std::string& html, std::string_view line) {
  size_t from = html.size();
  html.append(WithoutMark(line, false));
  RemoveBaseElement(html, from);
  html += "\r\n";
}

// Quoted-printable: marks removed, soft line breaks joined, escapes decoded, the base element
// removed. Joining stops at the part's last line: a soft break there ends the content (past it
// lie the boundary and the next parts, which would otherwise be decoded twice, or ever more
// often when every part ends in "=").
void AppendQuotedPrintable(std::string& html, const TUniFileStringList& lines,
                           const WebArchivePart& part) {
  const size_t last = std::min(part.lastLine, lines.Count());
  size_t n = part.firstLine;
  while (n <= last) {
    const size_t from = html.size();
    html.append(WithoutMark(lines[n], true));
    while (html.size() > from && html.back() == '=') {
      html.pop_back();
      if (n == last) break;
      html.append(WithoutMark(lines[++n], true));
    }
    DecodeEscapes(html, from);
    RemoveBaseElement(html, from);
    html += "\r\n";
    ++n;
  }
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Base64: the content decoded (characters outside the alphabet skipped, "=" ends a group), then
// line by line as an 8-bit part.
void AppendBase64(std::string& html, const TUniFileStringList& lines, const WebArchivePart& part) {
  std::string decoded;
  uint32_t bits = 0;
  int bitCount = 0;
  for (size_t n = part.firstLine; n <= part.lastLine && n <= lines.Count(); ++n) {
    for (char c : lines[n]) {
      int value = Base64Value(c);
      if (value < 0) {
        if (c == '=') bits = 0, bitCount = 0;
        continue;
      }
      bits = (bits << 6) | static_cast<uint32_t>(value);
      bitCount += 6;
      if (bitCount >= 8) {
        bitCount -= 8;
        decoded += static_cast<char>((bits >> bitCount) & 0xFF);
      }
    }
  }
  TUniFileStringList decodedLines;
  decodedLines.SetText(std::move(decoded));
  for (size_t n = 1; n <= decodedLines.Count(); ++n) AppendLine(html, decodedLines[n]);
}

void AppendPlain(std::string& html, const TUniFileStringList& lines, const WebArchivePart& part) {
  for (size_t n = part.firstLine; n <= part.lastLine && n <= lines.Count(); ++n) {
    AppendLine(html, lines[n]);
  }
}

bool EqualsNoCase(std::string_view text, std::string_view lower) {
  return text.size() == lower.size() && StartsWithNoCase(text, lower);
}

}  // namespace

// ---- the line list

void TUniFileStringList::LoadFromFile(const std::filesystem::path& fileName) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "rb"),
                                                       std::fclose);
  if (!file) {
    throw std::system_error(errno, std::generic_category(), "cannot open " + fileName.string());
  }
  // Read straight into the text, sized by the file's size when it is known.
  std::error_code sizeError;
  const uintmax_t sizeHint = std::filesystem::file_size(fileName, sizeError);
  std::string bytes;
  size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) {
      if (bytes.size() >= UINT32_MAX) {
        throw std::system_error(std::make_error_code(std::errc::file_too_large), fileName.string());
      }
      const size_t first = !sizeError && sizeHint < UINT32_MAX ? sizeHint + 1 : size_t{1} << 16;
      bytes.resize(bytes.empty() ? first : bytes.size() * 2);
    }
    const size_t got = std::fread(bytes.data() + filled, 1, bytes.size() - filled, file.get());
    // Nothing after the first zero byte is read.
    const bool zero = std::memchr(bytes.data() + filled, 0, got) != nullptr;
    filled += got;
    if (zero) break;
    if (filled < bytes.size()) {
      if (std::ferror(file.get())) {
        throw std::system_error(errno ? errno : EIO, std::generic_category(),
                                "cannot read " + fileName.string());
      }
      break;
    }
  }
  bytes.resize(filled);
  SetText(std::move(bytes));
}

void TUniFileStringList::SetText(std::string bytes) {
  size_t zero = bytes.find('\0');
  if (zero != std::string::npos) bytes.resize(zero);
  if (bytes.size() >= UINT32_MAX) {
    throw std::system_error(std::make_error_code(std::errc::file_too_large));
  }
  text_ = std::move(bytes);
  starts_.clear();
  const char* data = text_.c_str();
  const size_t size = text_.size();
  size_t at = 0;
  while (at < size) {
    starts_.push_back(static_cast<uint32_t>(at));
    at += std::strcspn(data + at, "\r\n");  // the text holds no zero byte
    if (at < size && data[at] == '\r' && at + 1 < size && data[at + 1] == '\n') ++at;
    ++at;
  }
}

std::string_view TUniFileStringList::operator[](size_t n) const {
  const size_t start = starts_[n - 1];
  size_t end = n < starts_.size() ? starts_[n] : text_.size();
  if (n < starts_.size() || (end > start && (text_[end - 1] == '\n' || text_[end - 1] == '\r'))) {
    // Drop the line break: CR LF, or a lone CR or LF.
    --end;
    if (text_[end] == '\n' && end > start && text_[end - 1] == '\r') --end;
  }
  return std::string_view(text_).substr(start, end - start);
}

size_t TUniFileStringList::SpanBytes(size_t first, size_t last) const {
  last = std::min(last, Count());
  if (first < 1 || first > last) return 0;
  const size_t end = last < Count() ? starts_[last] : text_.size();
  return end - starts_[first - 1];
}

// ---- parsing

namespace {

// The part table of the lines already in archive.lines.
bool ParseLines(WebArchive& archive) {
  const TUniFileStringList& lines = archive.lines;
  const size_t count = lines.Count();

  size_t headerEnd = 0;
  for (size_t n = 1; n <= count && headerEnd == 0; ++n) {
    if (IsBlank(lines[n])) headerEnd = n;
  }
  if (headerEnd == 0) return false;

  BoundarySet boundaries;
  for (size_t n = 1; n < headerEnd; ++n) {
    ForEachSegment(lines[n], [&](std::string_view segment) {
      if (StartsWithNoCase(segment, kBoundary)) {
        boundaries.Add(TopBoundaryValue(segment), archive.boundaries);
      } else if (StartsWithNoCase(segment, kContentType)) {
        archive.documentContentType = Trim(segment.substr(kContentType.size()));
      } else if (StartsWithNoCase(segment, kTransferEncoding)) {
        archive.documentTransferEncoding = Trim(segment.substr(kTransferEncoding.size()));
      }
    });
  }

  PartScanner scanner(archive, boundaries);
  scanner.Scan(headerEnd);
  archive.parts = scanner.TakeParts();
  if (archive.parts.empty()) {
    // A single-part document: its body is the content.
    archive.parts.push_back(WebArchivePart{archive.documentContentType,
                                           archive.documentTransferEncoding, headerEnd, count});
  }
  AdjustRanges(archive, boundaries);
  return true;
}

}  // namespace

bool ParseWebArchive(const std::filesystem::path& fileName, WebArchive& archive) {
  archive = WebArchive{};
  archive.lines.LoadFromFile(fileName);
  return ParseLines(archive);
}

bool ParseWebArchiveText(std::string bytes, WebArchive& archive) {
  archive = WebArchive{};
  archive.lines.SetText(std::move(bytes));
  return ParseLines(archive);
}

std::string BuildArchiveHtml(const WebArchive& archive) {
  // Decoding never lengthens a line, so this is room for every quoted-printable or 8-bit part.
  size_t room = 0;
  for (const WebArchivePart& part : archive.parts) {
    if (part.contentType != "text/html" || part.firstLine > part.lastLine) continue;
    room += archive.lines.SpanBytes(part.firstLine, part.lastLine) +
            2 * (part.lastLine - part.firstLine + 1);
  }
  std::string html;
  html.reserve(room);
  for (const WebArchivePart& part : archive.parts) {
    if (part.contentType != "text/html") continue;
    std::string_view encoding = Trim(part.transferEncoding);
    if (EqualsNoCase(encoding, "quoted-printable")) {
      AppendQuotedPrintable(html, archive.lines, part);
    } else if (EqualsNoCase(encoding, "base64")) {
      AppendBase64(html, archive.lines, part);
    } else {
      AppendPlain(html, archive.lines, part);
    }
  }
  return html;
}

int32_t ConvertMht(FilterHosts& hosts, const std::filesystem::path& fileName, int32_t /*ignored*/,
                   OutputBlock& block, int32_t codePage) {
  std::string html;
  {
    WebArchive archive;
    if (!ParseWebArchive(fileName, archive)) return kFormatError;
    html = BuildArchiveHtml(archive);
  }
  return ConvertHtmlText(hosts, html, 0, block, codePage);
}

}  // namespace scrivtar
