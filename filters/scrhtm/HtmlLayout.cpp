#include "HtmlLayout.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace scrivtar::html {

namespace {

// Open lists and tables kept apart; deeper ones only count.
constexpr size_t kMaxNesting = 4096;

enum class TKind : uint8_t {
  kInline,
  kSkip,
  kBlock,
  kBreak,
  kListItem,
  kBulletList,
  kNumberList,
  kTable,
  kRow,
  kCell,
  kPre,
};

TKind KindOf(std::string_view name) {
  // libxml2 hands element names over in lower case.
  struct TEntry {
    std::string_view name;
    TKind kind;
  };
  static constexpr std::array kEntries = std::to_array<TEntry>({
      {"a", TKind::kInline},       {"address", TKind::kBlock},    {"article", TKind::kBlock},
      {"aside", TKind::kBlock},    {"blockquote", TKind::kBlock}, {"body", TKind::kBlock},
      {"br", TKind::kBreak},       {"caption", TKind::kBlock},    {"center", TKind::kBlock},
      {"dd", TKind::kBlock},       {"details", TKind::kBlock},    {"dialog", TKind::kBlock},
      {"dir", TKind::kBulletList}, {"div", TKind::kBlock},        {"dl", TKind::kBlock},
      {"dt", TKind::kBlock},       {"fieldset", TKind::kBlock},   {"figcaption", TKind::kBlock},
      {"figure", TKind::kBlock},   {"footer", TKind::kBlock},     {"form", TKind::kBlock},
      {"frameset", TKind::kBlock}, {"h1", TKind::kBlock},         {"h2", TKind::kBlock},
      {"h3", TKind::kBlock},       {"h4", TKind::kBlock},         {"h5", TKind::kBlock},
      {"h6", TKind::kBlock},       {"head", TKind::kSkip},        {"header", TKind::kBlock},
      {"hgroup", TKind::kBlock},   {"hr", TKind::kBlock},         {"html", TKind::kBlock},
      {"legend", TKind::kBlock},   {"li", TKind::kListItem},      {"listing", TKind::kPre},
      {"main", TKind::kBlock},     {"menu", TKind::kBulletList},  {"nav", TKind::kBlock},
      {"noscript", TKind::kSkip},  {"ol", TKind::kNumberList},    {"option", TKind::kBlock},
      {"p", TKind::kBlock},        {"plaintext", TKind::kPre},    {"pre", TKind::kPre},
      {"script", TKind::kSkip},    {"section", TKind::kBlock},    {"style", TKind::kSkip},
      {"summary", TKind::kBlock},  {"table", TKind::kTable},      {"tbody", TKind::kBlock},
      {"td", TKind::kCell},        {"template", TKind::kSkip},    {"textarea", TKind::kPre},
      {"tfoot", TKind::kBlock},    {"th", TKind::kCell},          {"thead", TKind::kBlock},
      {"title", TKind::kSkip},     {"tr", TKind::kRow},           {"ul", TKind::kBulletList},
      {"xmp", TKind::kPre},
  });
  auto found = std::lower_bound(kEntries.begin(), kEntries.end(), name,
                                [](const TEntry& e, std::string_view n) { return e.name < n; });
  return (found != kEntries.end() && found->name == name) ? found->kind : TKind::kInline;
}

bool IsHtmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

}  // namespace

void THtmlLayout::LineEnd() {
  out_->append("\r\n");
  lineHasText_ = false;
  pendingSpace_ = false;
  afterMarker_ = false;
}

void THtmlLayout::BlockBoundary() {
  if (afterMarker_) return;
  if (InCell()) {
    // Inside a cell, paragraphs stay on the row's line.
    pendingSpace_ = lineHasText_;
    return;
  }
  if (lineHasText_) LineEnd();
  pendingSpace_ = false;
}

void THtmlLayout::Put(std::string_view text) {
  if (pendingSpace_ && lineHasText_ && !afterMarker_) out_->push_back(' ');
  pendingSpace_ = false;
  afterMarker_ = false;
  out_->append(text);
  lineHasText_ = true;
}

void THtmlLayout::StartElement(std::string_view name) {
  TKind kind = KindOf(name);
  if (kind == TKind::kSkip) {
    ++skipDepth_;
    return;
  }
  if (skipDepth_ > 0) return;
  switch (kind) {
    case TKind::kInline:
    case TKind::kSkip:
      break;
    case TKind::kBlock:
      BlockBoundary();
      break;
    case TKind::kBreak:
      if (InCell()) {
        pendingSpace_ = lineHasText_;
      } else {
        LineEnd();
      }
      break;
    case TKind::kBulletList:
    case TKind::kNumberList:
      BlockBoundary();
      if (lists_.size() < kMaxNesting && listOverflow_ == 0) {
        lists_.push_back(kind == TKind::kBulletList ? -1 : 0);
      } else {
        ++listOverflow_;
      }
      break;
    case TKind::kListItem: {
      BlockBoundary();
      if (lists_.empty() || lists_.back() < 0) {
        Put("\xE2\x80\xA2 ");  // U+2022 bullet
      } else {
        std::string number = std::to_string(++lists_.back()) + ". ";
        Put(number);
      }
      pendingSpace_ = false;
      afterMarker_ = true;
      break;
    }
    case TKind::kTable:
      BlockBoundary();
      if (tables_.size() < kMaxNesting && tableOverflow_ == 0) {
        tables_.emplace_back();
      } else {
        ++tableOverflow_;
      }
      break;
    case TKind::kRow:
      if (!tables_.empty()) {
        if (tables_.back().cellDepth > 0) break;  // a row inside a cell of an unclosed table
        tables_.back().cells = 0;
      }
      BlockBoundary();
      break;
    case TKind::kCell:
      if (tables_.empty()) {
        pendingSpace_ = lineHasText_;
        break;
      }
      if (tables_.back().cells > 0 && tables_.back().cellDepth == 0) {
        out_->push_back('\t');
        pendingSpace_ = false;
        lineHasText_ = true;
        afterMarker_ = true;
      }
      ++tables_.back().cells;
      ++tables_.back().cellDepth;
      break;
    case TKind::kPre:
      BlockBoundary();
      ++preDepth_;
      dropNewline_ = true;
      break;
  }
}

void THtmlLayout::EndElement(std::string_view name) {
  TKind kind = KindOf(name);
  if (kind == TKind::kSkip) {
    if (skipDepth_ > 0) --skipDepth_;
    return;
  }
  if (skipDepth_ > 0) return;
  switch (kind) {
    case TKind::kInline:
    case TKind::kSkip:
    case TKind::kBreak:
      break;
    case TKind::kBlock:
    case TKind::kListItem:
      BlockBoundary();
      break;
    case TKind::kBulletList:
    case TKind::kNumberList:
      if (listOverflow_ > 0) {
        --listOverflow_;
      } else if (!lists_.empty()) {
        lists_.pop_back();
      }
      BlockBoundary();
      break;
    case TKind::kTable:
      if (tableOverflow_ > 0) {
        --tableOverflow_;
      } else if (!tables_.empty()) {
        tables_.pop_back();
      }
      BlockBoundary();
      break;
    case TKind::kRow:
      if (!tables_.empty() && tables_.back().cellDepth > 0) break;
      BlockBoundary();
      break;
    case TKind::kCell:
      if (!tables_.empty() && tables_.back().cellDepth > 0) --tables_.back().cellDepth;
      break;
    case TKind::kPre:
      if (preDepth_ > 0) --preDepth_;
      dropNewline_ = false;
      BlockBoundary();
      break;
  }
}

void THtmlLayout::Characters(std::string_view text) {
  if (skipDepth_ > 0 || text.empty()) return;
  if (preDepth_ > 0) {
    size_t i = 0;
    if (dropNewline_) {
      dropNewline_ = false;
      if (text.substr(0, 2) == "\r\n") {
        i = 2;
      } else if (text[0] == '\n' || text[0] == '\r') {
        i = 1;
      }
    }
    if (pendingSpace_ && lineHasText_ && i < text.size()) out_->push_back(' ');
    pendingSpace_ = false;
    for (; i < text.size(); ++i) {
      char c = text[i];
      if (c == '\r') {
        if (i + 1 < text.size() && text[i + 1] == '\n') continue;
        LineEnd();
      } else if (c == '\n') {
        LineEnd();
      } else {
        out_->push_back(c);
        lineHasText_ = true;
      }
    }
    return;
  }
  dropNewline_ = false;
  size_t i = 0;
  while (i < text.size()) {
    if (IsHtmlSpace(text[i])) {
      pendingSpace_ = true;
      ++i;
      continue;
    }
    size_t start = i;
    while (i < text.size() && !IsHtmlSpace(text[i])) ++i;
    Put(text.substr(start, i - start));
  }
}

void THtmlLayout::Finish() {
  if (lineHasText_) LineEnd();
}

}  // namespace scrivtar::html
