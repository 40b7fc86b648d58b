// The XML reader over arbitrary bytes: tokenizer, tree, attribute lines and lookups.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "xml/ECXMLParser.h"

namespace {

// Touches every item the way the extractors do; depth is bounded by the reader itself.
size_t Walk(scrivtar::TXMLItem item, int depth) {
  size_t total = item.Name().size() + item.Text().size();
  scrivtar::TXMLParams params = item.Params();
  for (const std::string& line : params.Lines()) total += line.size();
  total += params.Values("r").size() + static_cast<size_t>(params.IndexOf("t=s") + 1);
  total += static_cast<size_t>(item.IndexOfName("w:t") + 1);
  if (depth > scrivtar::TECXMLParser::kMaxDepth + 1) __builtin_trap();
  for (int i = 0; i < item.Count(); ++i) total += Walk(item.SubItem(i), depth + 1);
  return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  scrivtar::TECXMLParser parser;
  parser.LoadFromStream(std::string_view(reinterpret_cast<const char*>(data), size));
  scrivtar::TXMLItem root = parser.RootItem();
  volatile size_t sink = Walk(root, 0);
  (void)sink;
  root.ItemByName("dimension").Params().Values("ref");
  if (root.Count() > 1) root.Move(0, root.Count() - 1);
  if (root.Count() > 0) root.Delete(0);
  return 0;
}
