// The XML tokenizer and the item tree: tables of documents and what the reader makes of them.
#include "xml/ECXMLParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xml/ECXMLTokenizer.h"

namespace scrivtar {
namespace {

// Kind letters: D declaration, C comment, E empty-element tag, / end tag, S start tag, T text.
std::string Tokens(std::string doc, bool preserve = false) {
  TXMLLargeTokenizer tokenizer(doc.data(), doc.size());
  std::string out;
  for (auto kind = tokenizer.Next(preserve); kind != TXMLTokenKind::kEndOfInput;
       kind = tokenizer.Next(preserve)) {
    const char* letter = "?";
    switch (kind) {
      case TXMLTokenKind::kDeclaration:
        letter = "D";
        break;
      case TXMLTokenKind::kComment:
        letter = "C";
        break;
      case TXMLTokenKind::kEmptyTag:
        letter = "E";
        break;
      case TXMLTokenKind::kEndTag:
        letter = "/";
        break;
      case TXMLTokenKind::kStartTag:
        letter = "S";
        break;
      case TXMLTokenKind::kText:
        letter = "T";
        break;
      case TXMLTokenKind::kEndOfInput:
        break;
    }
    out += letter;
    out += "[" + std::string(tokenizer.Token()) + "]";
  }
  return out;
}

TEST(XmlTokenizer, ClassifiesAndCutsTokens) {
  struct Case {
    std::string doc;
    bool preserve;
    std::string tokens;
  };
  const std::vector<Case> cases = {
      {"<?xml version=\"1.0\"?>\r\n<a>x</a>", false, "D[<?xml version=\"1.0\"?>]S[<a>]T[x]/[</a>]"},
      {"<?XML?><!-- c --><b/><c></c>", false, "D[<?XML?>]C[<!-- c -->]E[<b/>]S[<c>]/[</c>]"},
      // Quotes do not protect ">"; a comment ends at its first ">".
      {"<a t=\"x>y\">", false, "S[<a t=\"x>]T[y\">]"},
      {"<!-- a > b -->", false, "C[<!-- a >]T[b -->]"},
      {"<!DOCTYPE x><![CDATA[z]]>", false, "S[<!DOCTYPE x>]S[<![CDATA[z]]>]"},
      // An internal subset makes the whole declaration one skipped token, whatever "]" and ">"
      // its quoted values and comments hold; an unterminated one ends the document.
      {"<!DOCTYPE x [<!ENTITY a \"]>\"><!-- ]> --><!ENTITY b 'c'>]><x/>", false,
       "C[<!DOCTYPE x [<!ENTITY a \"]>\"><!-- ]> --><!ENTITY b 'c'>]>]E[<x/>]"},
      {"<!doctype x SYSTEM \"a[b\">", false, "S[<!doctype x SYSTEM \"a[b\">]"},
      {"<a/><!DOCTYPE x [<!ENTITY a \"b\">", false, "E[<a/>]"},
      // Text ends after its last significant byte; preserve keeps spaces, not control bytes.
      {"<t>  two  </t>", false, "S[<t>]T[two]/[</t>]"},
      {"<t>  two  \n</t>", true, "S[<t>]T[  two  ]/[</t>]"},
      {"a\r\nb", false, "T[ab]"},
      {"a\nb", false, "T[a\nb]"},
      {"a\n\rb\r", false, "T[ab]"},
      {"<c\r\n r=\"1\">", false, "S[<c r=\"1\">]"},
      // A zero byte ends the document; an unterminated tag is dropped.
      {std::string("<a>x\0<b>", 8), false, "S[<a>]T[x]"},
      {"<a>x<b", false, "S[<a>]T[x]"},
      {"\x01\x02<a>\x80\xFF", false, "S[<a>]T[\x80\xFF]"},
      {"", false, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Tokens(c.doc, c.preserve), c.tokens) << c.doc;
}

TEST(XmlTokenizer, TagNamesAndAttributes) {
  struct Case {
    std::string tag;
    std::string name;
    std::vector<std::string> params;
  };
  const std::vector<Case> cases = {
      {"<c r=\"A1\" s=\"3\" t=\"s\">", "c", {"r=A1", "s=3", "t=s"}},
      {"<w:tab/>", "w:tab", {}},
      {"<w:tab w:val=\"left\" w:pos=\"720\"/>", "w:tab", {"w:val=left", "w:pos=720"}},
      {"<a>", "a", {}},
      {"</a>", "", {}},
      // A space before "/>" or ">" does not end up in the last value.
      {"<dimension ref=\"A1:C3\" />", "dimension", {"ref=A1:C3"}},
      {"<x a=\"1\" >", "x", {"a=1"}},
      // Two double quotes stay; one character in quotes loses them; two spaces: an empty entry.
      {"<x a=\"\" b=\"z\">", "x", {"a=\"\"", "b=z"}},
      {"<x a=\"1\"  b=\"2\">", "x", {"a=1", "", "b=2"}},
      // Spaces inside quotes do not split; values are decoded once.
      {"<x t=\"a b\" u=\"&amp;lt;&#8217;&apos;\">", "x", {"t=a b", "u=&lt;\xE2\x80\x99'"}},
      {"<x a='1' b = \"2\" c>", "x", {"a='1'", "b", "=", "\"2\"", "c"}},
      {"<x a=\"1\"\nb=\"2\">", "x", {"a=1", "b=2"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(XmlTagName(c.tag), c.name) << c.tag;
    EXPECT_EQ(XmlSplitAttributes(XmlTagAttributes(c.tag)), c.params) << c.tag;
    TXMLParams params(XmlTagAttributes(c.tag));
    EXPECT_EQ(params.Lines(), c.params) << c.tag;
    EXPECT_EQ(params.Count(), static_cast<int>(c.params.size())) << c.tag;
  }
}

TEST(XmlTokenizer, EntityDecoding) {
  struct Case {
    std::string in, out;
  };
  const std::vector<Case> cases = {
      {"a &amp;lt; b", "a &lt; b"},
      {"&lt;&gt;&quot;&amp;&apos;", "<>\"&'"},
      {"&#8217;&#x2019;&#X41;&#65;", "\xE2\x80\x99\xE2\x80\x99&#X41;A"},
      {"&#x1F600;&#9;", "\xF0\x9F\x98\x80\t"},
      // Not references: left as written.
      {"&#0;&#xD800;&#x110000;&#;&#x;&nbsp;&LT;&amp",
       "&#0;&#xD800;&#x110000;&#;&#x;&nbsp;&LT;&amp"},
      {"& &&amp;", "& &&"},
      {"&#00000000000000000065;", "&#00000000000000000065;"},
  };
  for (const Case& c : cases) EXPECT_EQ(XmlDecodeEntities(c.in), c.out) << c.in;
}

// The tree as text: name(params){text}[children].
std::string Dump(TXMLItem item) {
  std::string out(item.Name());
  std::vector<std::string> params = item.Params().Lines();
  if (!params.empty()) {
    out += "(";
    for (size_t i = 0; i < params.size(); ++i) out += (i ? "," : "") + params[i];
    out += ")";
  }
  if (!item.Text().empty()) out += "{" + std::string(item.Text()) + "}";
  if (item.Count() > 0) {
    out += "[";
    for (int i = 0; i < item.Count(); ++i) out += (i ? " " : "") + Dump(item.SubItem(i));
    out += "]";
  }
  return out;
}

std::string Tree(const std::string& doc) {
  TECXMLParser parser;
  parser.LoadFromStream(doc);
  return Dump(parser.RootItem());
}

TEST(XmlTree, BuildsTheItemTree) {
  struct Case {
    const char* what;
    std::string doc;
    std::string tree;
  };
  const std::vector<Case> cases = {
      {"root carries the document element",
       "<?xml version=\"1.0\"?><w:document a=\"1\"><w:body/></w:document>",
       "w:document(a=1)[w:body]"},
      {"xml:space preserve keeps spaces",
       "<r><w:t xml:space=\"preserve\">  two  </w:t><w:t>  two  </w:t></r>",
       "r[w:t(xml:space=preserve){  two  } w:t{two}]"},
      {"a:t keeps spaces without the attribute", "<p><a:t> x </a:t><b:t> x </b:t></p>",
       "p[a:t{ x } b:t{x}]"},
      {"preserve mode lasts through the end tag",
       "<r><w:t xml:space=\"preserve\">a</w:t>   <w:t>b</w:t></r>",
       "r{   }[w:t(xml:space=preserve){a} w:t{b}]"},
      {"text after a child is joined with a line break", "<p>one<b/>two</p>", "p{one\r\ntwo}[b]"},
      {"joined text is decoded once", "<p>x &amp;lt;<b/>two &amp;gt;<c/>3</p>",
       "p{x &lt;\r\ntwo &gt;\r\n3}[b c]"},
      {"blank text is replaced, not joined", "<p><w:t xml:space=\"preserve\"> </w:t><b/>x</p>",
       "p{x}[w:t(xml:space=preserve){ } b]"},
      {"numeric references and apos", "<t>it&apos;s &#8217;q&#x2019;</t>",
       "t{it's \xE2\x80\x99q\xE2\x80\x99}"},
      {"comment with a > leaks its rest into the text", "<a><!-- x > y --></a>", "a{y -->}"},
      {"end tags close whatever is open", "<a><b><c></x></y>t</a>", "a{t}[b[c]]"},
      {"content after the document element stays under the root", "<a>x</a></a><b/>y",
       "a{x\r\ny}[b]"},
      {"the first start tag names the root", "<a/><b>x</b>", "b{x}[a]"},
      {"unclosed elements stay open", "<a><b><c>deep", "a[b[c{deep}]]"},
      {"no document element", "just text", "{just text}"},
      {"zero byte ends the document", std::string("<a><b/>\0<c/></a>", 16), "a[b]"},
      {"empty document", "", ""},
      // Names: up to the first space, else the first "/", else the ">", also when the space or
      // the ">" lies beyond the first 16 bytes of the tag.
      {"long names and slashes in names",
       "<abcdefghijklmnopqrstuvwxyz><ab/cd ef=\"1\"/><ab/c><abcdefghijklmno/x y=\"2\"/>"
       "<abcdefghijklmnopqrstuvw/x></ab/c>",
       "abcdefghijklmnopqrstuvwxyz[ab/cd(ef=1) ab[abcdefghijklmno/x(y=2) "
       "abcdefghijklmnopqrstuvw]]"},
      {"xml:space in capitals",
       "<r><w:t XML:Space=\"preserve\"> a </w:t><w:t x=\"xml:space\"> b "
       "</w:t></r>",
       "r[w:t(XML:Space=preserve){ a } w:t(x=xml:space){b}]"},
      {"an element without a name takes the next start tag's", "<a>< ><c>t</c></a>", "a[c{t}]"},
  };
  for (const Case& c : cases) EXPECT_EQ(Tree(c.doc), c.tree) << c.what;
}

TEST(XmlTree, LookupsIgnoreLetterCaseAndItemByNameAppends) {
  TECXMLParser parser;
  parser.LoadFromStream(
      "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row></sheetData>"
      "<SheetData/></worksheet>");
  TXMLItem root = parser.RootItem();
  EXPECT_EQ(root.IndexOfName("SHEETDATA"), 0);
  EXPECT_EQ(root.IndexOfName("sheetdata", 1), 1);
  EXPECT_EQ(root.IndexOfName("sheetdata", 2), -1);
  TXMLItem cell = root.ItemByName("sheetData").SubItem(0).SubItem(0);
  EXPECT_EQ(cell.Name(), "c");
  EXPECT_EQ(cell.Params().Values("R"), "A1");
  EXPECT_EQ(cell.Params().IndexOf("T=S"), 1);
  EXPECT_EQ(cell.Params().IndexOfName("s"), -1);
  EXPECT_EQ(cell.ItemByName("v").Text(), "0");
  EXPECT_EQ(cell.Parent().Parent().Parent(), root);
  EXPECT_FALSE(root.Parent());
  EXPECT_FALSE(root.SubItem(5));

  std::string_view name = cell.Name();
  TXMLItem dimension = root.ItemByName("dimension");
  EXPECT_EQ(root.Count(), 3);
  EXPECT_EQ(dimension.Name(), "dimension");
  EXPECT_EQ(dimension.Params().Count(), 0);
  EXPECT_EQ(root.ItemByName("DIMENSION"), dimension);
  EXPECT_EQ(name, "c");  // earlier views stay valid
}

TEST(XmlTree, EditingTheTree) {
  TECXMLParser parser;
  parser.LoadFromStream("<a x=\"1\"><b/><c/><d/></a>");
  TXMLItem root = parser.RootItem();
  int changes = 0;
  parser.XMLItemChanged = [&](TXMLItem) { ++changes; };
  root.SubItem(2).New().SetName("b1");
  root.Move(2, 0);
  root.Delete(1);
  root.SetName("z");
  root.SetText("t");
  EXPECT_EQ(Dump(root), "z(x=1){t}[d[b1] c]");
  EXPECT_EQ(changes, 6);
  root.SubItem(1).Clear();
  root.New();
  EXPECT_EQ(Dump(root), "z(x=1){t}[d[b1]  ]");
  root.Clear();
  EXPECT_EQ(Dump(root), "");

  TXMLGhost ghost;
  ghost.PrimaryDocument = &parser;
  ghost.LoadFromBuffer(std::string("<q/>"));
  EXPECT_EQ(Dump(parser.RootItem()), "[q]");
  ghost.ClearDocument();
  EXPECT_EQ(parser.RootItem().Count(), 0);
  EXPECT_EQ(parser.ItemCount(), 1u);
}

TEST(XmlTree, DeepNestingIsFlattenedAtTheDepthLimit) {
  std::string doc;
  const int depth = 100000;
  for (int i = 0; i < depth; ++i) doc += "<d>";
  doc += "x";
  for (int i = 0; i < depth; ++i) doc += "</d>";
  doc += "<tail/>";
  TECXMLParser parser;
  parser.LoadFromStream(doc);
  TXMLItem item = parser.RootItem();
  int levels = 0;
  while (item.Count() > 0) {
    item = item.SubItem(item.Count() == 1 ? 0 : 0);
    ++levels;
    if (levels > TECXMLParser::kMaxDepth + 2) break;
  }
  EXPECT_LE(levels, TECXMLParser::kMaxDepth + 1);
  EXPECT_EQ(parser.ItemCount(), static_cast<size_t>(depth) + 1);
  // The flattened elements were closed in step: the tail lands under the root again.
  EXPECT_EQ(parser.RootItem().SubItem(parser.RootItem().Count() - 1).Name(), "tail");
}

// The "billion laughs" declaration: skipped, its entities never expanded, the elements after it
// read as usual (the shared strings of a workbook that carries one).
TEST(XmlTree, InternalSubsetIsSkipped) {
  std::string doc =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n <!ENTITY lol \"lol\">\n"
      " <!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n"
      " <!ENTITY lol2 \"&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;\">\n]>\n"
      "<sst><si><t>&lol2; kept</t></si><si><t>two</t></si></sst>";
  TECXMLParser parser;
  parser.LoadFromStream(doc);
  TXMLItem root = parser.RootItem();
  EXPECT_EQ(root.Name(), "sst");
  ASSERT_EQ(root.Count(), 2);
  EXPECT_EQ(root.SubItem(0).SubItem(0).Text(), "&lol2; kept");
  EXPECT_EQ(root.SubItem(1).SubItem(0).Text(), "two");
}

TEST(XmlTree, StyleSheetFromTheDeclaration) {
  TECXMLParser parser;
  parser.LoadFromStream("<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?><a/>");
  EXPECT_EQ(parser.StyleSheet, "s.xsl");
}

}  // namespace
}  // namespace scrivtar
