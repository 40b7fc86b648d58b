#include "OfficeXText.h"

#include <string_view>
#include <vector>

#include "platform/Prefault.h"
#include "xml/ECXMLParser.h"

namespace scrivtar {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Markup compatibility: an mc:AlternateContent holds the same content more than once (a text box
// as a DrawingML shape in mc:Choice and again as VML in mc:Fallback). Only one branch is read,
// the first mc:Choice, or the mc:Fallback when there is no choice, so the text appears once.
int32_t BranchToRead(TXMLItem alternate) {
  const int32_t count = alternate.Count();
  int32_t fallback = -1;
  for (int32_t i = 0; i < count; ++i) {
    const std::string_view name = alternate.SubItem(i).Name();
    if (name == "mc:Choice") return i;
    if (name == "mc:Fallback" && fallback < 0) fallback = i;
  }
  return fallback;
}

// Depth-first walk without recursion (a part may nest elements arbitrarily deep): enter runs
// before an element's children, leave after them; both get the item and its name, which is
// cut from the tag once.
template <typename Enter, typename Leave>
void WalkTree(TXMLItem root, Enter enter, Leave leave) {
  struct Frame {
    TXMLItem item;
    std::string_view name;
    int32_t next;  // the next child to read
    int32_t end;   // one past the last child to read
  };
  auto frameOf = [](TXMLItem item, std::string_view name) {
    if (name != "mc:AlternateContent") return Frame{item, name, 0, item.Count()};
    const int32_t branch = BranchToRead(item);
    return branch < 0 ? Frame{item, name, 0, 0} : Frame{item, name, branch, branch + 1};
  };
  std::vector<Frame> stack;
  std::string_view rootName = root.Name();
  enter(root, rootName);
  stack.push_back(frameOf(root, rootName));
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next >= top.end) {
      leave(top.item, top.name);
      stack.pop_back();
      continue;
    }
    TXMLItem child = top.item.SubItem(top.next++);
    std::string_view name = child.Name();
    enter(child, name);
    stack.push_back(frameOf(child, name));
  }
}

}  // namespace

void AppendDocxText(TXMLItem root, std::string& out) {
  WalkTree(
      root,
      [&out](TXMLItem item, std::string_view name) {
        if (name.size() < 3 || name[0] != 'w' || name[1] != ':') return;
        if (name == "w:br") {
          out += kLineEnd;
        } else if (name == "w:t") {
          out += item.Text();
        } else if (name == "w:tab") {
          if (item.Params().Count() == 0) out += '\t';
        } else if (name == "w:noBreakHyphen") {
          out += '-';
        }
      },
      [&out, backed = size_t{0}](TXMLItem, std::string_view name) mutable {
        if (name != "w:p") return;
        out += kLineEnd;
        // The text of a large document grows into the room reserved for it.
        backed = platform::PrefaultAhead(out.data(), out.size(), out.capacity(), backed);
      });
}

void AppendSlideText(TXMLItem root, std::string& out) {
  WalkTree(
      root,
      [&out](TXMLItem item, std::string_view name) {
        if (name == "a:t") out += item.Text();
      },
      [&out](TXMLItem, std::string_view name) {
        if (name == "a:p") out += kLineEnd;
      });
}

}  // namespace scrivtar
