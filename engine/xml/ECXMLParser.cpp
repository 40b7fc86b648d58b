#include "xml/ECXMLParser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "platform/Prefault.h"
#include "xml/ECXMLTokenizer.h"
#include "xml/XmlScan.h"

namespace scrivtar {
namespace {

char LowerAsciiChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAsciiChar(a[i]) != LowerAsciiChar(b[i])) return false;
  }
  return true;
}

bool IsBlank(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) > 0x20) return false;
  }
  return true;
}

// Calls f(line) for each attribute line of raw text, without copying: a space outside double
// quotes (but never the last character) and every CR or LF end a line; a break at the very end
// opens no further line. f returns false to stop.
template <class F>
void ForEachAttributeLine(std::string_view raw, F f) {
  // Only four bytes matter; a table tells them from the rest with one load per byte.
  static constexpr auto kSpecial = [] {
    std::array<bool, 256> special{};
    special['"'] = special[' '] = special['\n'] = special['\r'] = true;
    return special;
  }();
  bool inQuotes = false;
  size_t start = 0;
  for (size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (!kSpecial[static_cast<unsigned char>(c)]) continue;
    if (c == '"') inQuotes = !inQuotes;
    if ((c == ' ' && !inQuotes && i + 1 < raw.size()) || c == '\n' || c == '\r') {
      if (!f(raw.substr(start, i - start))) return;
      start = i + 1;
    }
  }
  if (start < raw.size()) f(raw.substr(start));
}

struct AttributeEntry {
  std::string_view name;   // before the first "="; the whole line when there is none
  std::string_view value;  // quotes removed, not yet decoded
  bool hasEquals = false;
};

// The position of c in a short text, or npos: attribute entries are a few bytes long, and a
// plain loop beats a library call for them.
size_t FindInShort(std::string_view text, char c) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == c) return i;
  }
  return std::string_view::npos;
}

AttributeEntry SplitEntry(std::string_view line) {
  AttributeEntry entry;
  size_t eq = FindInShort(line, '=');
  if (eq == std::string_view::npos) {
    entry.name = line;
    return entry;
  }
  entry.hasEquals = true;
  entry.name = line.substr(0, eq);
  entry.value = line.substr(eq + 1);
  if (entry.value.size() > 2) {
    if (entry.value.front() == '"') entry.value.remove_prefix(1);
    if (!entry.value.empty() && entry.value.back() == '"') entry.value.remove_suffix(1);
  }
  return entry;
}

std::string DecodedValue(std::string_view value) {
  if (FindInShort(value, '&') == std::string_view::npos) return std::string(value);
  return XmlDecodeEntities(value);
}

// Whether the decoded value equals text, letter case ignored; decodes only when there is a
// reference to decode.
bool DecodedEqualsNoCase(std::string_view value, std::string_view text) {
  if (FindInShort(value, '&') == std::string_view::npos) return EqualsNoCase(value, text);
  return EqualsNoCase(XmlDecodeEntities(value), text);
}

std::string EntryLine(const AttributeEntry& entry) {
  if (!entry.hasEquals) return std::string(entry.name);
  std::string line(entry.name);
  line += '=';
  line += DecodedValue(entry.value);
  return line;
}

// False when no "=" in text follows "xml:space" (letter case ignored): then no attribute entry
// can be xml:space, and most tags are ruled out without cutting their entries.
bool MentionsXmlSpace(std::string_view text) {
  if (text.size() < 10) return false;
  const char* end = text.data() + text.size();
  for (const char* p = text.data() + 9; p < end; ++p) {
    p = xml::FindByte(p, end, '=');
    if (p == nullptr) return false;
    // Eight bytes at once: with bit 0x20 set, capitals match their small letters (other bytes
    // may match too; the entries are then cut and compared exactly).
    uint64_t head;
    std::memcpy(&head, p - 9, 8);
    uint64_t want;
    std::memcpy(&want, "xml:spac", 8);
    if ((head | 0x2020202020202020u) == want && (p[-1] | 0x20) == 'e') return true;
  }
  return false;
}

// True when the attributes hold the entry xml:space=preserve (letter case ignored).
bool HasPreserve(std::string_view raw) {
  if (raw.size() < 18) return false;
  if (!MentionsXmlSpace(raw)) return false;
  bool found = false;
  ForEachAttributeLine(raw, [&](std::string_view line) {
    AttributeEntry entry = SplitEntry(line);
    if (entry.hasEquals && EqualsNoCase(entry.name, "xml:space") &&
        DecodedEqualsNoCase(entry.value, "preserve")) {
      found = true;
      return false;
    }
    return true;
  });
  return found;
}

// True when a tag's attributes hold xml:space=preserve.
bool TagPreserves(std::string_view tag) {
  return MentionsXmlSpace(tag) && HasPreserve(XmlTagAttributes(tag));
}

}  // namespace

// ---- TXMLParams ----

int TXMLParams::Count() const {
  int count = 0;
  ForEachAttributeLine(raw_, [&](std::string_view) {
    ++count;
    return true;
  });
  return count;
}

std::string TXMLParams::Strings(int index) const {
  std::string result;
  int i = 0;
  ForEachAttributeLine(raw_, [&](std::string_view line) {
    if (i++ != index) return true;
    result = EntryLine(SplitEntry(line));
    return false;
  });
  return result;
}

std::vector<std::string> TXMLParams::Lines() const {
  std::vector<std::string> lines;
  ForEachAttributeLine(raw_, [&](std::string_view line) {
    lines.push_back(EntryLine(SplitEntry(line)));
    return true;
  });
  return lines;
}

bool TXMLParams::FindValue(std::string_view name, std::string* value) const {
  bool found = false;
  ForEachAttributeLine(raw_, [&](std::string_view line) {
    AttributeEntry entry = SplitEntry(line);
    if (!entry.hasEquals || !EqualsNoCase(entry.name, name)) return true;
    found = true;
    if (value) *value = DecodedValue(entry.value);
    return false;
  });
  return found;
}

std::string TXMLParams::Values(std::string_view name) const {
  std::string value;
  FindValue(name, &value);
  return value;
}

int TXMLParams::IndexOfName(std::string_view name) const {
  int index = -1;
  int i = 0;
  ForEachAttributeLine(raw_, [&](std::string_view line) {
    AttributeEntry entry = SplitEntry(line);
    if (entry.hasEquals && EqualsNoCase(entry.name, name)) {
      index = i;
      return false;
    }
    ++i;
    return true;
  });
  return index;
}

int TXMLParams::IndexOf(std::string_view wanted) const {
  int index = -1;
  int i = 0;
  ForEachAttributeLine(raw_, [&](std::string_view line) {
    AttributeEntry entry = SplitEntry(line);
    bool equal;
    if (!entry.hasEquals) {
      equal = EqualsNoCase(entry.name, wanted);
    } else {
      size_t eq = FindInShort(wanted, '=');
      equal = eq != std::string_view::npos && EqualsNoCase(entry.name, wanted.substr(0, eq)) &&
              DecodedEqualsNoCase(entry.value, wanted.substr(eq + 1));
    }
    if (equal) {
      index = i;
      return false;
    }
    ++i;
    return true;
  });
  return index;
}

// ---- TXMLItem ----

std::string_view TXMLItem::Name() const {
  if (!doc_) return {};
  return doc_->NameOf(doc_->nodes_[index_]);
}

std::string_view TXMLItem::Text() const {
  if (!doc_) return {};
  return doc_->TextOf(doc_->nodes_[index_]);
}

TXMLParams TXMLItem::Params() const {
  if (!doc_) return {};
  return TXMLParams(doc_->AttrOf(doc_->nodes_[index_]));
}

int TXMLItem::Count() const {
  if (!doc_) return 0;
  return static_cast<int>(TECXMLParser::CountOf(doc_->nodes_[index_]));
}

TXMLItem TXMLItem::SubItem(int index) const {
  if (!doc_ || index < 0) return {};
  const auto& node = doc_->nodes_[index_];
  if (static_cast<uint32_t>(index) >= TECXMLParser::CountOf(node)) return {};
  return TXMLItem(doc_, doc_->children_[node.firstChild + static_cast<uint32_t>(index)]);
}

TXMLItem TXMLItem::Parent() const {
  if (!doc_) return {};
  uint32_t parent = doc_->nodes_[index_].parent;
  if (parent == TECXMLParser::kNoParent) return {};
  return TXMLItem(doc_, parent);
}

int TXMLItem::IndexOfName(std::string_view name, int start) const {
  if (!doc_) return -1;
  const auto& node = doc_->nodes_[index_];
  const uint32_t count = TECXMLParser::CountOf(node);
  for (uint32_t i = start < 0 ? 0 : static_cast<uint32_t>(start); i < count; ++i) {
    const auto& child = doc_->nodes_[doc_->children_[node.firstChild + i]];
    if (EqualsNoCase(doc_->NameOf(child), name)) return static_cast<int>(i);
  }
  return -1;
}

TXMLItem TXMLItem::ItemByName(std::string_view name) const {
  if (!doc_) return {};
  int index = IndexOfName(name);
  if (index >= 0) return SubItem(index);
  TXMLItem child = New();
  child.SetName(name);
  return child;
}

int TXMLItem::IndexOf(const TXMLItem& child) const {
  if (!doc_ || child.doc_ != doc_) return -1;
  const auto& node = doc_->nodes_[index_];
  for (uint32_t i = 0; i < TECXMLParser::CountOf(node); ++i) {
    if (doc_->children_[node.firstChild + i] == child.index_) return static_cast<int>(i);
  }
  return -1;
}

TXMLItem TXMLItem::New() const {
  if (!doc_) return {};
  uint32_t child = doc_->AppendChild(index_);
  doc_->Changed(index_);
  return TXMLItem(doc_, child);
}

void TXMLItem::Delete(int index) const {
  if (!doc_ || index < 0) return;
  auto& node = doc_->nodes_[index_];
  const uint32_t count = TECXMLParser::CountOf(node);
  if (static_cast<uint32_t>(index) >= count) return;
  // The subtree stays in the pool, unreachable, until the next load or clear.
  auto begin = doc_->children_.begin() + node.firstChild;
  std::copy(begin + index + 1, begin + count, begin + index);
  doc_->SetCount(node, count - 1);
  doc_->Changed(index_);
}

void TXMLItem::Move(int from, int to) const {
  if (!doc_) return;
  const auto& node = doc_->nodes_[index_];
  int count = static_cast<int>(TECXMLParser::CountOf(node));
  if (from < 0 || to < 0 || from >= count || to >= count || from == to) return;
  auto begin = doc_->children_.begin() + node.firstChild;
  if (from < to) {
    std::rotate(begin + from, begin + from + 1, begin + to + 1);
  } else {
    std::rotate(begin + to, begin + from, begin + from + 1);
  }
  doc_->Changed(index_);
}

void TXMLItem::Clear() const {
  if (!doc_) return;
  auto& node = doc_->nodes_[index_];
  node.tag = 0;
  node.text = 0;
  node.textLen = 0;
  node.countFlags = TECXMLParser::kTagNone;
  doc_->Changed(index_);
}

void TXMLItem::SetName(std::string_view name) const {
  if (!doc_) return;
  TECXMLParser::OwnedTag tag{std::string(name), std::string(doc_->AttrOf(doc_->nodes_[index_]))};
  doc_->ownedTags_.push_back(std::move(tag));
  auto& node = doc_->nodes_[index_];
  node.tag = static_cast<uint32_t>(doc_->ownedTags_.size() - 1);
  node.countFlags = (node.countFlags & ~TECXMLParser::kTagNone) | TECXMLParser::kTagOwned;
  doc_->Changed(index_);
}

void TXMLItem::SetText(std::string_view text) const {
  if (!doc_) return;
  bool nonBlank = !IsBlank(text);
  uint32_t owned = doc_->OwnString(std::string(text));
  auto& node = doc_->nodes_[index_];
  node.text = owned;
  node.textLen = static_cast<uint32_t>(std::min<size_t>(text.size(), 0xFFFFFFFFu));
  node.countFlags |= TECXMLParser::kTextOwned;
  if (nonBlank) {
    node.countFlags |= TECXMLParser::kTextNonBlank;
  } else {
    node.countFlags &= ~TECXMLParser::kTextNonBlank;
  }
  doc_->Changed(index_);
}

// ---- TECXMLParser ----

TECXMLParser::TECXMLParser() {
  ResetTree();
}
TECXMLParser::~TECXMLParser() = default;

std::string_view TECXMLParser::BufferTag(const Node& n) const {
  // The tag runs to its first ">", which the tokenizer has checked is there.
  const char* start = buffer_.data() + n.tag;
  const char* close = xml::FindByte(start, buffer_.data() + buffer_.size(), '>');
  size_t length = close ? static_cast<size_t>(close - start) + 1 : buffer_.size() - n.tag;
  return std::string_view(start, length);
}

std::string_view TECXMLParser::NameOf(const Node& n) const {
  if (n.countFlags & kTagNone) return {};
  if (n.countFlags & kTagOwned) return ownedTags_[n.tag].name;
  // From the second character to the first space; without a space to the first "/"; without
  // either, up to the ">". The scan stops at the first space, so it costs the name's length.
  const char* tag = buffer_.data() + n.tag;
  ptrdiff_t length = xml::TagNameLength(tag, buffer_.data() + buffer_.size());
  if (length < 0) return {};
  return std::string_view(tag + 1, static_cast<size_t>(length));
}

std::string_view TECXMLParser::AttrOf(const Node& n) const {
  if (n.countFlags & kTagNone) return {};
  if (n.countFlags & kTagOwned) return ownedTags_[n.tag].attributes;
  return XmlTagAttributes(BufferTag(n));
}

std::string_view TECXMLParser::TextOf(const Node& n) const {
  if (n.countFlags & kTextOwned) return owned_[n.text];
  return std::string_view(buffer_).substr(n.text, n.textLen);
}

uint32_t TECXMLParser::OwnString(std::string text) {
  owned_.push_back(std::move(text));
  return static_cast<uint32_t>(owned_.size() - 1);
}

void TECXMLParser::Changed(uint32_t index) {
  if (!loading_ && XMLItemChanged) XMLItemChanged(TXMLItem(this, index));
}

void TECXMLParser::MakeChildListWritable(uint32_t parent, uint32_t extra) {
  Node& node = nodes_[parent];
  const uint32_t count = CountOf(node);
  if (node.firstChild + count == children_.size()) return;
  // Not at the end: move the list to the end, where it can grow.
  size_t newFirst = children_.size();
  children_.reserve(children_.size() + count + extra);
  for (uint32_t i = 0; i < count; ++i) {
    children_.push_back(children_[node.firstChild + i]);
  }
  node.firstChild = static_cast<uint32_t>(newFirst);
}

uint32_t TECXMLParser::AppendChild(uint32_t parent) {
  MakeChildListWritable(parent, 1);
  auto child = static_cast<uint32_t>(nodes_.size());
  Node node;
  node.parent = parent;
  node.countFlags = kTagNone;
  nodes_.push_back(node);
  children_.push_back(child);
  SetCount(nodes_[parent], CountOf(nodes_[parent]) + 1);
  return child;
}

void TECXMLParser::ResetTree() {
  std::string().swap(buffer_);
  std::vector<Node>().swap(nodes_);
  std::vector<uint32_t>().swap(children_);
  std::deque<std::string>().swap(owned_);
  std::deque<OwnedTag>().swap(ownedTags_);
  Node root;
  root.parent = kNoParent;
  root.countFlags = kTagNone;
  nodes_.push_back(root);
  StyleSheet.clear();
}

void TECXMLParser::ClearDocument() {
  bool cancel = false;
  if (BeforeClear) BeforeClear(&cancel);
  if (cancel) return;
  ResetTree();
  if (OnCleared) OnCleared();
}

void TECXMLParser::LoadFromStream(std::string_view bytes) {
  std::string copy(bytes);
  LoadFromBuffer(std::move(copy));
}

void TECXMLParser::LoadFromBuffer(std::string&& bytes) {
  bool cancel = false;
  if (BeforeLoad) BeforeLoad(&cancel);
  if (cancel) return;
  ResetTree();
  buffer_ = std::move(bytes);
  bytes.clear();
  // Offsets are 32-bit; zip entries never exceed that anyway.
  constexpr size_t kMaxDocument = std::numeric_limits<uint32_t>::max() - 1;
  if (buffer_.size() > kMaxDocument) buffer_.resize(kMaxDocument);
  loading_ = true;
  Parse();
  loading_ = false;
  if (OnLoaded) OnLoaded();
}

size_t TECXMLParser::MemoryUsage() const {
  size_t total = buffer_.capacity() + nodes_.capacity() * sizeof(Node) +
                 children_.capacity() * sizeof(uint32_t);
  for (const auto& s : owned_) total += sizeof(std::string) + s.capacity();
  for (const auto& t : ownedTags_)
    total += sizeof(OwnedTag) + t.name.capacity() + t.attributes.capacity();
  return total;
}

void TECXMLParser::Parse() {
  // Every element starts with a "<", so this bounds the pool; pages never written are not
  // resident, so the over-estimate for start/end tag pairs costs address space only.
  size_t tags = xml::CountByte(buffer_.data(), buffer_.data() + buffer_.size(), '<');
  nodes_.reserve(tags + 1);

  TXMLLargeTokenizer tokenizer(buffer_.data(), buffer_.size());
  // Open elements, root first; joined text of an open element is gathered in its frame and
  // stored once when it closes, so each piece is decoded once and copied a bounded number of
  // times however many children interrupt it.
  struct Frame {
    uint32_t node;
    std::string joined;
    bool hasJoined = false;
    bool blankName = false;  // only the root, until the document element names it
  };
  std::vector<Frame> open;
  open.push_back({0, {}, false, true});
  uint64_t flattened = 0;  // start tags beyond kMaxDepth not yet closed
  bool preserve = false;

  auto finish = [&](Frame& frame) {
    if (!frame.hasJoined) return;
    uint32_t owned = OwnString(std::move(frame.joined));
    Node& node = nodes_[frame.node];
    node.text = owned;
    node.textLen = static_cast<uint32_t>(std::min<size_t>(owned_[owned].size(), 0xFFFFFFFFu));
    node.countFlags |= kTextOwned | kTextNonBlank;
    frame.joined.clear();
    frame.hasJoined = false;
  };
  // Points the item at its tag in the buffer; its name.
  auto setTag = [&](uint32_t index, std::string_view tag) {
    Node& node = nodes_[index];
    node.tag = static_cast<uint32_t>(tag.data() - buffer_.data());
    node.countFlags &= ~(kTagOwned | kTagNone);
    return NameOf(node);
  };
  // The pool's pages are backed a chunk ahead of the items written into them.
  size_t poolBacked = 0;
  // A new child of parent; none when parent already holds the most children an item can.
  auto newChild = [&](uint32_t parent) -> uint32_t {
    if (CountOf(nodes_[parent]) == kCountMask) return kNoParent;
    auto index = static_cast<uint32_t>(nodes_.size());
    poolBacked = platform::PrefaultAhead(nodes_.data(), nodes_.size() * sizeof(Node),
                                         nodes_.capacity() * sizeof(Node), poolBacked);
    Node node;
    node.parent = parent;
    node.countFlags = kTagNone;
    nodes_.push_back(node);
    SetCount(nodes_[parent], CountOf(nodes_[parent]) + 1);
    return index;
  };

  for (TXMLTokenKind kind = tokenizer.Next(false); kind != TXMLTokenKind::kEndOfInput;
       kind = tokenizer.Next(preserve)) {
    std::string_view token = tokenizer.Token();
    Frame& current = open.back();
    switch (kind) {
      case TXMLTokenKind::kDeclaration: {
        std::string upper(token);
        for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        if (upper.find("XML-STYLESHEET") == std::string::npos) break;
        size_t href = upper.find("HREF");
        if (href == std::string::npos) break;
        size_t quote = token.find('"', href);
        if (quote == std::string_view::npos) break;
        size_t end = token.find('"', quote + 1);
        if (end == std::string_view::npos) end = token.size();
        StyleSheet = std::string(token.substr(quote + 1, end - quote - 1));
        break;
      }
      case TXMLTokenKind::kComment:
        break;
      case TXMLTokenKind::kText: {
        auto offset = static_cast<uint32_t>(tokenizer.TokenOffset());
        size_t length = XmlDecodeEntitiesInPlace(buffer_.data() + offset, token.size());
        std::string_view decoded(buffer_.data() + offset, length);
        Node& node = nodes_[current.node];
        if (current.hasJoined) {
          current.joined += "\r\n";
          current.joined += decoded;
        } else if (node.countFlags & kTextNonBlank) {
          current.joined = std::string(TextOf(node));
          current.joined += "\r\n";
          current.joined += decoded;
          current.hasJoined = true;
        } else {
          node.text = offset;
          node.textLen = static_cast<uint32_t>(length);
          node.countFlags &= ~kTextOwned;
          if (!IsBlank(decoded)) node.countFlags |= kTextNonBlank;
        }
        break;
      }
      case TXMLTokenKind::kStartTag: {
        if (current.blankName && flattened == 0) {
          std::string_view name = setTag(current.node, token);
          current.blankName = IsBlank(name);
          preserve = name == "a:t" || TagPreserves(token);
          break;
        }
        uint32_t child = newChild(current.node);
        if (child == kNoParent) break;
        std::string_view name = setTag(child, token);
        preserve = name == "a:t" || TagPreserves(token);
        if (open.size() > static_cast<size_t>(kMaxDepth)) {
          ++flattened;
        } else {
          open.push_back({child, {}, false, IsBlank(name)});
        }
        break;
      }
      case TXMLTokenKind::kEmptyTag: {
        uint32_t child = newChild(current.node);
        if (child == kNoParent) break;
        setTag(child, token);
        preserve = TagPreserves(token);
        break;
      }
      case TXMLTokenKind::kEndTag:
        if (flattened > 0) {
          --flattened;
        } else if (open.size() > 1) {
          finish(open.back());
          open.pop_back();
        }
        // An end tag at the root (document element already closed) keeps the root current.
        break;
      case TXMLTokenKind::kEndOfInput:
        break;
    }
  }
  for (Frame& frame : open) finish(frame);
  LayOutChildren();
}

void TECXMLParser::LayOutChildren() {
  // Children were counted while parsing; give each item a contiguous range, in document order.
  uint32_t next = 0;
  for (Node& node : nodes_) {
    node.firstChild = next;
    next += CountOf(node);
    SetCount(node, 0);
  }
  children_.reserve(next);
  platform::PrefaultForWrite(children_.data(), size_t{next} * sizeof(uint32_t));
  children_.assign(next, 0);
  for (uint32_t i = 1; i < nodes_.size(); ++i) {
    Node& parent = nodes_[nodes_[i].parent];
    uint32_t slot = CountOf(parent);
    children_[parent.firstChild + slot] = i;
    SetCount(parent, slot + 1);
  }
}

}  // namespace scrivtar
