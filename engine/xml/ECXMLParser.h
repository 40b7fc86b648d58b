// The XML item tree: a document (TECXMLParser) builds, from one in-memory copy of a part, a
// tree of elements (TXMLItem) with their names, decoded text and attributes. It does not
// validate and never reports malformed input.
//
//   TECXMLParser doc;
//   TXMLGhost ghost;  ghost.PrimaryDocument = &doc;
//   ghost.ClearDocument();
//   ghost.LoadFromBuffer(std::move(partBytes));   // or LoadFromStream(view): copies
//   TXMLItem root = doc.RootItem();               // carries the document element itself
//   for (int i = 0; i < root.Count(); ++i) {
//     TXMLItem child = root.SubItem(i);
//     if (child.Name() == "w:t") text += child.Text();
//     if (child.Params().Values("t") == "s") ...   // or Params().IndexOf("t=s") >= 0
//   }
//
// Tree rules:
//  - the root carries the document element's name, attributes and text; its children are the
//    document element's children. A missing document element leaves the root unnamed;
//  - names keep their prefix ("w:t"); comparisons in IndexOfName, ItemByName and the Params
//    lookups ignore letter case (A to Z); Name() itself is as written;
//  - an end tag closes the current element whatever its name; content after the document
//    element is closed is kept under the root; elements open at the end stay open;
//  - Text is the element's character content, entity-decoded once. Text following a child
//    element is joined to the element's earlier text with CR LF (unless that text was blank,
//    i.e. only bytes up to 0x20, in which case it replaces it);
//  - spaces at the start and end of text are significant (kept) inside an element whose
//    attributes hold xml:space="preserve" or whose name is exactly "a:t", and stay significant
//    through text and end tags until the next start or empty-element tag;
//  - the tree is at most kMaxDepth levels deep: elements nested deeper are attached flat to
//    the element at the limit (their text goes to it), so recursive walks are safe.
//
// TXMLItem is a small handle (document pointer and index), cheap to copy. Handles stay valid
// until the next load or clear of the document; string_views from Name() and Text() stay valid
// until then too, unless that item's own name or text is set.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scrivtar {

class TECXMLParser;

// An item's attributes, read-only: an ordered list of lines "name=value" (value with its
// quotes removed and entity-decoded). Entries are cut from the tag's raw text on each call.
class TXMLParams {
 public:
  TXMLParams() = default;
  explicit TXMLParams(std::string_view raw) : raw_(raw) {}

  int Count() const;
  bool Empty() const { return raw_.empty(); }
  // Line index as "name=value".
  std::string Strings(int index) const;
  std::vector<std::string> Lines() const;
  // The value of the first entry whose name equals name (letter case ignored); "" when none.
  std::string Values(std::string_view name) const;
  // True and the value in *value when an entry with that name exists.
  bool FindValue(std::string_view name, std::string* value) const;
  // Index of the first entry with that name (letter case ignored), or -1.
  int IndexOfName(std::string_view name) const;
  // Index of the first entry equal to the whole line ("t=s"), letter case ignored, or -1.
  int IndexOf(std::string_view line) const;
  // The raw attribute text of the tag.
  std::string_view Raw() const { return raw_; }

 private:
  std::string_view raw_;
};

class TXMLItem {
 public:
  TXMLItem() = default;  // the null item
  explicit operator bool() const { return doc_ != nullptr; }
  bool operator==(const TXMLItem& other) const = default;

  std::string_view Name() const;
  std::string_view Text() const;
  TXMLParams Params() const;
  int Count() const;
  int SubItemCount() const { return Count(); }
  // The child at index (0-based); the null item when index is out of range.
  TXMLItem SubItem(int index) const;
  // The item this one belongs to; the null item for the root.
  TXMLItem Parent() const;

  // Index of the first child at or after start whose name equals name, letter case ignored;
  // -1 when there is none.
  int IndexOfName(std::string_view name, int start = 0) const;
  // The first child whose name equals name, letter case ignored; when there is none, a new
  // empty child of that name is appended and returned (the lookup changes the tree).
  TXMLItem ItemByName(std::string_view name) const;
  int IndexOf(const TXMLItem& child) const;

  // Appends a new empty child and returns it.
  TXMLItem New() const;
  // Removes the child at index (with its subtree).
  void Delete(int index) const;
  // Moves the child at from to position to.
  void Move(int from, int to) const;
  // Removes all children and empties Params, Name and Text.
  void Clear() const;
  void SetName(std::string_view name) const;
  void SetText(std::string_view text) const;

 private:
  friend class TECXMLParser;
  TXMLItem(TECXMLParser* doc, uint32_t index) : doc_(doc), index_(index) {}
  TECXMLParser* doc_ = nullptr;
  uint32_t index_ = 0;
};

class TECXMLParser {
 public:
  // Deeper elements are attached flat to the element at this depth (the root is depth 0).
  static constexpr int kMaxDepth = 1024;

  TECXMLParser();
  ~TECXMLParser();
  TECXMLParser(const TECXMLParser&) = delete;
  TECXMLParser& operator=(const TECXMLParser&) = delete;

  TXMLItem RootItem() { return TXMLItem(this, 0); }

  // Builds the tree from bytes (copied once into the document's buffer). Any previous tree is
  // discarded first. A zero byte ends the document. Documents beyond 4 GiB are cut there.
  void LoadFromStream(std::string_view bytes);
  // The same, taking the bytes over without a copy (the part stream is left empty).
  void LoadFromBuffer(std::string&& bytes);
  // Empties the tree (the root stays, unnamed) and frees the buffer.
  void ClearDocument();

  // Number of items in the tree, the root included (for measurements).
  size_t ItemCount() const { return nodes_.size(); }
  // Bytes held by the buffer, the item pool and the child lists (for measurements).
  size_t MemoryUsage() const;

  std::string StyleSheet;       // href of an <?xml-stylesheet ...?> declaration
  bool CrLfInAsString = false;  // kept for the writer, which this reader does not have

  // Events; none is assigned by the system. BeforeLoad and BeforeClear may set *cancel.
  std::function<void(TXMLItem)> XMLItemChanged;
  std::function<void(bool* cancel)> BeforeLoad;
  std::function<void()> OnLoaded;
  std::function<void(bool* cancel)> BeforeClear;
  std::function<void()> OnCleared;

 private:
  friend class TXMLItem;

  // One element, 24 bytes. Its tag is either in the buffer (tag = offset of its "<"; name and
  // attributes are cut from it when asked for) or, once renamed or created by New, in
  // ownedTags_[tag]. Its text is in the buffer (text, textLen) or in owned_[text].
  struct Node {
    uint32_t tag = 0;
    uint32_t text = 0;
    uint32_t textLen = 0;
    uint32_t parent = 0;
    uint32_t firstChild = 0;  // index into children_
    uint32_t countFlags = 0;  // low 28 bits: number of children; high 4 bits: flags
  };
  struct OwnedTag {
    std::string name;
    std::string attributes;
  };
  static_assert(sizeof(Node) == 24);
  static constexpr uint32_t kCountMask = 0x0FFFFFFF;
  static constexpr uint32_t kTagOwned = 1u << 28;
  static constexpr uint32_t kTagNone = 1u << 29;
  static constexpr uint32_t kTextOwned = 1u << 30;
  static constexpr uint32_t kTextNonBlank = 1u << 31;
  static constexpr uint32_t kNoParent = 0xFFFFFFFF;
  static uint32_t CountOf(const Node& n) { return n.countFlags & kCountMask; }

  void Parse();
  void LayOutChildren();
  void ResetTree();
  void Changed(uint32_t index);

  std::string_view BufferTag(const Node& n) const;
  std::string_view NameOf(const Node& n) const;
  std::string_view AttrOf(const Node& n) const;
  std::string_view TextOf(const Node& n) const;
  uint32_t AppendChild(uint32_t parent);
  void MakeChildListWritable(uint32_t parent, uint32_t extra);
  uint32_t OwnString(std::string text);
  void SetCount(Node& n, uint32_t count) { n.countFlags = (n.countFlags & ~kCountMask) | count; }

  std::string buffer_;
  std::vector<Node> nodes_;
  std::vector<uint32_t> children_;
  std::deque<std::string> owned_;  // a deque keeps every string in place as it grows
  std::deque<OwnedTag> ownedTags_;
  bool loading_ = false;
};

// Passes load and clear on to its PrimaryDocument (not owned).
class TXMLGhost {
 public:
  TECXMLParser* PrimaryDocument = nullptr;
  void LoadFromStream(std::string_view bytes) {
    if (PrimaryDocument) PrimaryDocument->LoadFromStream(bytes);
  }
  void LoadFromBuffer(std::string&& bytes) {
    if (PrimaryDocument) PrimaryDocument->LoadFromBuffer(std::move(bytes));
  }
  void ClearDocument() {
    if (PrimaryDocument) PrimaryDocument->ClearDocument();
  }
};

}  // namespace scrivtar
