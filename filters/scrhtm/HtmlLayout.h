// How an HTML page's text is laid out as plain text: white space collapsed as a browser renders
// it (except in pre), block elements on lines of their own, table cells separated by TAB and rows
// ending lines, list items with their bullet or number. Fed element by element by the parser.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scrivtar::html {

class THtmlLayout {
 public:
  explicit THtmlLayout(std::string& out) : out_(&out) {}
  void SetOutput(std::string& out) { out_ = &out; }

  void StartElement(std::string_view name);
  void EndElement(std::string_view name);
  void Characters(std::string_view utf8);
  // The end of the document: the last line is ended.
  void Finish();

 private:
  struct TTable {
    int32_t cells = 0;      // cells begun in the current row
    int32_t cellDepth = 0;  // open cells of this table
  };
  void LineEnd();
  void BlockBoundary();
  void Put(std::string_view text);
  bool InCell() const { return !tables_.empty() && tables_.back().cellDepth > 0; }

  std::string* out_;
  bool lineHasText_ = false;
  bool pendingSpace_ = false;
  // A list marker or cell separator was just written: the item's own blocks and spaces follow
  // it on the same line.
  bool afterMarker_ = false;
  int32_t skipDepth_ = 0;  // inside head, script, style ...
  int32_t preDepth_ = 0;
  bool dropNewline_ = false;    // the newline right after <pre> is not part of the text
  std::vector<int32_t> lists_;  // per open list: -1 bulleted, else the last number used
  std::vector<TTable> tables_;
  int32_t listOverflow_ = 0, tableOverflow_ = 0;
};

}  // namespace scrivtar::html
