#include "doc/VtDocCvt.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "CfbBuilder.h"
#include "TestSupport.h"
#include "core/VtCvtBase.h"
#include "scrivtar/Convert.h"
#include "scrivtar/Engine.h"

namespace scrivtar {
namespace {

using test::AppendLe16;
using test::AppendLe32;
using test::CfbBuilder;

// The bytes of a string literal, embedded zeros included.
template <size_t N>
std::string Raw(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

std::string Utf16Le(std::u16string_view text) {
  std::string bytes;
  for (char16_t c : text) AppendLe16(bytes, c);
  return bytes;
}

// A Word document built byte by byte: a FIB, the pieces' text after it and a CLX in the table
// stream. Word 6 documents (nFib below 193) take their text from fcMin..fcMac instead.
struct WordDoc {
  struct Piece {
    std::string bytes;  // 8-bit text, or UTF-16LE for a 16-bit piece
    bool wide = false;
  };
  uint16_t nFib = 0x00C1;
  uint16_t lid = 0x0409;
  uint16_t flags = 0;
  std::vector<Piece> pieces;
  std::string clxPrefix;    // property entries before the piece table
  std::string clxOverride;  // a whole CLX instead of the built one
  bool withTableStream = true;
  std::string word6Text;  // the fcMin..fcMac range of a Word 6 document
  int cfbVersion = 3;

  static constexpr uint32_t kTextStart = 0x600;

  std::string Clx() const {
    if (!clxOverride.empty()) return clxOverride;
    std::string plc;
    uint32_t cp = 0, fc = kTextStart;
    std::vector<uint32_t> fcs;
    AppendLe32(plc, 0);
    for (const Piece& piece : pieces) {
      cp += static_cast<uint32_t>(piece.wide ? piece.bytes.size() / 2 : piece.bytes.size());
      AppendLe32(plc, cp);
      fcs.push_back(piece.wide ? fc : ((fc * 2) | 0x40000000u));
      fc += static_cast<uint32_t>(piece.bytes.size());
    }
    for (uint32_t pieceFc : fcs) {
      AppendLe16(plc, 0);
      AppendLe32(plc, pieceFc);
      AppendLe16(plc, 0);
    }
    std::string clx = clxPrefix;
    clx.push_back(2);
    AppendLe32(clx, static_cast<uint32_t>(plc.size()));
    return clx + plc;
  }

  std::string WordDocumentStream() const {
    std::string stream(kTextStart, '\0');
    test::PutLe16(stream, 2, nFib);
    test::PutLe16(stream, 6, lid);
    test::PutLe16(stream, 10, flags);
    if (nFib < 193) {
      test::PutLe32(stream, 24, kTextStart);
      test::PutLe32(stream, 28, kTextStart + static_cast<uint32_t>(word6Text.size()));
      return stream + word6Text;
    }
    test::PutLe32(stream, 0x1A2, 0x10);
    test::PutLe32(stream, 0x1A6, static_cast<uint32_t>(Clx().size()));
    for (const Piece& piece : pieces) stream += piece.bytes;
    return stream;
  }

  std::string Build() const {
    CfbBuilder builder(cfbVersion);
    builder.AddStream("WordDocument", WordDocumentStream());
    if (withTableStream) {
      std::string table(0x10, '\0');
      builder.AddStream((flags & 0x0200) ? "1Table" : "0Table", table + Clx());
    }
    return builder.Build().bytes;
  }
};

// Converts a file; the result code and the stored bytes.
struct Converted {
  int32_t result;
  std::string bytes;
};

Converted Convert(const std::filesystem::path& path, int32_t codePage, int32_t keepRaw = 0,
                  int32_t lineBreak = 0) {
  OutputBlock block;
  int32_t result = ConvertDoc(path, 0, block, codePage, lineBreak, keepRaw);
  std::string bytes;
  if (result > 0) bytes.assign(block.begin(), block.begin() + result);
  return {result, bytes};
}

Converted ConvertBytes(const std::string& file, int32_t codePage, int32_t keepRaw = 0,
                       int32_t lineBreak = 0) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "a.doc", file);
  return Convert(dir / "a.doc", codePage, keepRaw, lineBreak);
}

std::string Utf8(std::string_view text) {
  return "\xEF\xBB\xBF" + std::string(text);
}

// UTF-8 output with its mark for BMP text.
std::string Utf8Out(std::u16string_view text) {
  std::string out = "\xEF\xBB\xBF";
  for (char16_t c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}
std::string Utf16Out(std::u16string_view text) {
  return "\xFF\xFE" + Utf16Le(text);
}

// The footnote story (its reference mark a space), then header and footer stories with the
// empty paragraphs Word keeps between them.
constexpr char kNotesText[] =
    "Body text  ends.\r\n \tFootnote text\r\n\r\nHeader line\r\n\r\nFooter line\r\n"
    "\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
constexpr char16_t kNotesWide[] =
    u"Body text  ends.\r\n \tFootnote text\r\n\r\nHeader line\r\n\r\nFooter line\r\n"
    u"\r\n\r\n\r\n\r\n\r\n\r\n\r\n";

// Documents saved by LibreOffice as Word 97 (one 16-bit piece each), in the three output forms.
TEST(ConvertDoc, LibreOfficeDocumentsInEveryOutputForm) {
  struct Case {
    const char* file;
    std::string ansi;     // 1252 output
    std::u16string wide;  // 1200 and 65001 output
  };
  const Case cases[] = {
      {"hello.doc", "Hello\r\n", u"Hello\r\n"},
      {"paragraphs.doc", "First paragraph.\r\nSecond\r\nline two.\r\nTab\tstop.\r\n",
       u"First paragraph.\r\nSecond\r\nline two.\r\nTab\tstop.\r\n"},
      // Cells end in 0x07, the row in another 0x07.
      {"table.doc", "a\tb\t\tafter\r\n", u"a\tb\t\tafter\r\n"},
      // Field begin, separator and end become spaces; instruction and result both stay.
      {"hyperlink.doc", "See   HYPERLINK \"http://example.com/\"  Example  here.\r\n",
       u"See   HYPERLINK \"http://example.com/\"  Example  here.\r\n"},
      // In a 16-bit piece the no-break space stays (as 0xA0 in 1252); the non-breaking hyphen is
      // a space in 1252 and a hyphen-minus otherwise; the optional hyphen becomes a space.
      {"specials.doc",
       "no\xA0"
       "break non breaking soft hyphen\r\n",
       u"no\u00A0break non-breaking soft hyphen\r\n"},
      // Footnote, header and footer stories follow the main text with no separation.
      {"notes.doc", kNotesText, kNotesWide},
      // Characters without a 1252 form become "?".
      {"greek.doc", "???????? and ??? caf\xE9\r\n",
       u"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac and \u65e5\u672c\u8a9e caf\u00e9\r\n"},
      {"empty.doc", "\r\n", u"\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::filesystem::path path = test::FixturesDir() / "doc" / c.file;
    Converted ansi = Convert(path, 1252);
    EXPECT_EQ(ansi.result, static_cast<int32_t>(c.ansi.size()));
    EXPECT_EQ(ansi.bytes, c.ansi);
    EXPECT_EQ(Convert(path, 0).bytes, c.ansi);
    EXPECT_EQ(Convert(path, 1200).bytes, Utf16Out(c.wide));
    EXPECT_EQ(Convert(path, 65001).bytes, Utf8Out(c.wide));
  }
}

TEST(ConvertDoc, KeepRawLeavesMarkCharacters) {
  std::filesystem::path table = test::FixturesDir() / "doc" / "table.doc";
  EXPECT_EQ(Convert(table, 1252, 1).bytes,
            "a\x07"
            "b\x07\x07"
            "after\r\n");
  EXPECT_EQ(Convert(table, 1200, 1).bytes, Utf16Out(u"a\u0007b\u0007\u0007after\r\n"));
  EXPECT_EQ(Convert(table, 1252, 2).bytes, "a\tb\t\tafter\r\n");  // only 1 keeps them
  std::filesystem::path link = test::FixturesDir() / "doc" / "hyperlink.doc";
  EXPECT_EQ(Convert(link, 65001, 1).bytes, Utf8("See \x13 HYPERLINK \"http://example.com/\"\x01\x14"
                                                "Example\x15 here.\r\n"));
}

// 8-bit and 16-bit pieces side by side, with every class of mark character.
TEST(ConvertDoc, EightAndSixteenBitPiecesAndTheCleanUpTable) {
  WordDoc doc;
  doc.pieces.push_back({Raw("A\xA0"
                            "b\x1E"
                            "c\x07\x0B"
                            "d\x0C\x13\x14\x15\x01\x02\x08\x1F"
                            "\x0A\x09\x0D\x80\x00\x1D"),
                        false});
  doc.pieces.push_back({Utf16Le(u"\u00A0x\u001Ey\u0007\u20AC\u0416\r"), true});
  std::string file = doc.Build();

  EXPECT_EQ(ConvertBytes(file, 1252).bytes,
            "A b c\t\r\nd        \r\n\t\r\n\x80  \xA0x y\t\x80?\r\n");
  EXPECT_EQ(ConvertBytes(file, 1200).bytes,
            Utf16Out(u"A b-c\t\r\nd        \r\n\t\r\n\u20AC  \u00A0x-y\t\u20AC\u0416\r\n"));
  EXPECT_EQ(ConvertBytes(file, 65001).bytes,
            Utf8Out(u"A b-c\t\r\nd        \r\n\t\r\n\u20AC  \u00A0x-y\t\u20AC\u0416\r\n"));
  // Raw: only the 8-bit piece's no-break space and the line ends change.
  EXPECT_EQ(ConvertBytes(file, 1252, 1).bytes, Raw("A b\x1E"
                                                   "c\x07\x0B"
                                                   "d\x0C\x13\x14\x15\x01\x02\x08\x1F\r\n\x09\r\n"
                                                   "\x80\x00\x1D\xA0x\x1Ey\x07\x80?\r\n"));
  // Line-break styles: 1 gives CR, 2 LF, anything else CR LF.
  WordDoc lines;
  lines.pieces.push_back({"a\rb\nc\r\nd\x0B", false});
  std::string linesFile = lines.Build();
  EXPECT_EQ(ConvertBytes(linesFile, 1252, 0, 1).bytes, "a\rb\rc\rd\r");
  EXPECT_EQ(ConvertBytes(linesFile, 1252, 0, 2).bytes, "a\nb\nc\nd\n");
  EXPECT_EQ(ConvertBytes(linesFile, 1252, 0, 7).bytes, "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(ConvertBytes(linesFile, 1251, 0, 2).bytes, "a\nb\nc\nd\n");
  // A CR LF pair split between an 8-bit and a 16-bit piece is still one line end.
  WordDoc split;
  split.pieces.push_back({"a\r", false});
  split.pieces.push_back({Utf16Le(u"\nb\u000B\n"), true});
  std::string splitFile = split.Build();
  EXPECT_EQ(ConvertBytes(splitFile, 1252, 0, 2).bytes, "a\nb\n");
  EXPECT_EQ(ConvertBytes(splitFile, 65001, 0, 2).bytes, Utf8("a\nb\n"));
  EXPECT_EQ(ConvertBytes(splitFile, 1200, 1, 2).bytes, Utf16Out(u"a\nb\u000B\n"));
}

TEST(ConvertDoc, Word6TakesTheRangeUnchanged) {
  WordDoc doc;
  doc.nFib = 0x0065;
  doc.word6Text = "Caf\xE9\xA0ok\x07\r";
  EXPECT_EQ(ConvertBytes(doc.Build(), 1252).bytes, "Caf\xE9\xA0ok\t\r\n");
  EXPECT_EQ(ConvertBytes(doc.Build(), 1200).bytes, Utf16Out(u"Caf\u00E9\u00A0ok\t\r\n"));
  // The encrypted test comes before the version test.
  doc.flags = 0x0100;
  EXPECT_EQ(ConvertBytes(doc.Build(), 1252).result, kNotAllowed);
  WordDoc encrypted;
  encrypted.flags = 0x0100;
  encrypted.pieces.push_back({"secret", false});
  EXPECT_EQ(ConvertBytes(encrypted.Build(), 65001).result, kNotAllowed);
}

// Word 6 and Word 95 text is in the code page of the document's language; Word 97 pieces keep
// theirs (8-bit pieces are Windows-1252 whatever the language).
TEST(ConvertDoc, Word6TextInTheCodePageOfItsLanguage) {
  struct Case {
    uint16_t lid;
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {0x0419, "\xCA\xEE\xEC\xEF\xE0\xED\xE8\xFF",
       u"\u041A\u043E\u043C\u043F\u0430\u043D\u0438\u044F"},
      {0x0422, "\xB2\xBF", u"\u0406\u0457"},
      {0x0C1A, "\xDF", u"\u042F"},  // Serbian in Cyrillic
      {0x081A, "\x8A", u"\u0160"},  // Serbian in Latin letters: 1250
      {0x0408, "\xC1\xE8\xE7\xED\xE1", u"\u0391\u03B8\u03B7\u03BD\u03B1"},
      {0x041F, "\xDE\xF0", u"\u015E\u011F"},
      {0x040D, "\xF9\xEC\xE5\xED", u"\u05E9\u05DC\u05D5\u05DD"},
      {0x0401, "\xC7", u"\u0627"},
      {0x0426, "\xD0", u"\u0160"},
      {0x0415,
       "\xA3\xF3"
       "d\xBF",
       u"\u0141\u00F3d\u017C"},
      {0x042A, "\xD0", u"\u0110"},
      {0x041E, "\xA1", u"\u0E01"},
      {0x0411, "\x93\xFA\x96\x7B", u"\u65E5\u672C"},
      {0x0804, "\xD6\xD0", u"\u4E2D"},
      {0x0404, "\xA4\xA4", u"\u4E2D"},
      {0x0412, "\xC7\xD1", u"\uD55C"},
      {0x0407, "Gr\xFC\xDF", u"Gr\u00FC\u00DF"},  // German: 1252
      {0x0000, "\xE9", u"\u00E9"},                // no language
  };
  for (const Case& c : cases) {
    WordDoc doc;
    doc.nFib = 0x0068;  // Word 95
    doc.lid = c.lid;
    doc.word6Text = c.bytes;
    EXPECT_EQ(ConvertBytes(doc.Build(), 65001).bytes, Utf8Out(c.text)) << std::hex << c.lid;
    EXPECT_EQ(ConvertBytes(doc.Build(), 1200).bytes, Utf16Out(c.text)) << std::hex << c.lid;
  }
  // A Russian Word 95 text written as Windows-1252: letters the code page lacks become "?".
  WordDoc russian;
  russian.nFib = 0x0065;
  russian.lid = 0x0419;
  russian.word6Text = "A\xCA";
  EXPECT_EQ(ConvertBytes(russian.Build(), 1252).bytes, "A?");
  EXPECT_EQ(ConvertBytes(russian.Build(), 1251).bytes, "A\xCA");
  // Word 97: an 8-bit piece stays Windows-1252 whatever the language.
  WordDoc word97;
  word97.lid = 0x0419;
  word97.pieces.push_back({"\xE9", false});
  EXPECT_EQ(ConvertBytes(word97.Build(), 65001).bytes, Utf8Out(u"\u00E9"));
}

TEST(ConvertDoc, TheFlagsChooseTheTableStream) {
  WordDoc one;
  one.flags = 0x0200;
  one.pieces.push_back({"from 1Table", false});
  // A decoy 0Table whose CLX names no piece.
  CfbBuilder builder;
  builder.AddStream("WordDocument", one.WordDocumentStream());
  builder.AddStream("1Table", std::string(0x10, '\0') + one.Clx());
  builder.AddStream("0Table", std::string(0x10, '\0') + "\x02\x04\x00\x00\x00\x00\x00\x00\x00");
  EXPECT_EQ(ConvertBytes(builder.Build().bytes, 1252).bytes, "from 1Table");

  one.flags = 0;  // now 0Table is named, which the file lacks
  CfbBuilder missing;
  missing.AddStream("WordDocument", one.WordDocumentStream());
  missing.AddStream("1Table", std::string(0x10, '\0') + one.Clx());
  Converted none = ConvertBytes(missing.Build().bytes, 1200);
  EXPECT_EQ(none.result, 2);
  EXPECT_EQ(none.bytes, "\xFF\xFE");
}

// A document with no text: empty in 1252, only the byte-order mark in 1200 and 65001.
TEST(ConvertDoc, NoTextGivesOnlyTheMark) {
  std::string noWordDocument = CfbBuilder().AddStream("Other", "x").Build().bytes;
  WordDoc noTable;
  noTable.withTableStream = false;
  noTable.pieces.push_back({"lost", false});
  WordDoc noPieces;
  for (const std::string& file : {noWordDocument, noTable.Build(), noPieces.Build()}) {
    EXPECT_EQ(ConvertBytes(file, 1252).result, 0);
    EXPECT_EQ(ConvertBytes(file, 1200).bytes, "\xFF\xFE");
    EXPECT_EQ(ConvertBytes(file, 65001).bytes, "\xEF\xBB\xBF");
  }
}

// Damaged piece tables: the walk stops, the pieces found so far are emitted, and no piece takes
// bytes the stream does not hold.
TEST(ConvertDoc, DamagedPieceTables) {
  // A one-piece table after prefix, with extra bytes after it and lcb grown by lcbDelta.
  auto pieceTable = [](const std::string& prefix, uint32_t lcbDelta, size_t extra = 0) {
    WordDoc doc;
    doc.pieces.push_back({"text", false});
    doc.clxPrefix = prefix;
    std::string clx = doc.Clx();
    test::PutLe32(clx, prefix.size() + 1, test::GetLe32(clx, prefix.size() + 1) + lcbDelta);
    doc.clxOverride = clx + std::string(extra, '\x55');
    return doc.Build();
  };
  struct Case {
    const char* what;
    std::string file;
    std::string text;
  };
  std::string prc("\x01\x02\x00\xAA\xBB", 5);
  const Case cases[] = {
      {"property entries first", pieceTable(prc + prc, 0), "text"},
      {"property entry that does not advance", pieceTable(std::string("\x01\xFD\xFF", 3), 0), ""},
      {"property entry past the end", pieceTable(std::string("\x01\x00\x10", 3), 0), ""},
      {"unknown entry", pieceTable(std::string("\x05", 1), 0), ""},
      {"piece table cut short", pieceTable("", 1), ""},
      {"remainder of the piece count dropped", pieceTable("", 3, 3), "text"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ConvertBytes(c.file, 1252).bytes, c.text) << c.what;
  }

  // A piece that reaches beyond the stream: the bytes that exist.
  WordDoc beyond;
  beyond.pieces.push_back({"abc", false});
  std::string clx = beyond.Clx();
  test::PutLe32(clx, 5 + 4, 5000);  // limit CP
  beyond.clxOverride = clx;
  EXPECT_EQ(ConvertBytes(beyond.Build(), 1252).bytes, "abc");

  // A piece table that names the whole stream thousands of times stops once the pieces have
  // taken as many bytes as the stream holds.
  WordDoc repeated;
  repeated.pieces.push_back({std::string(100, 'x'), false});
  std::string plc;
  const uint32_t count = 20000;
  for (uint32_t i = 0; i <= count; ++i) AppendLe32(plc, i * 0x10000);
  for (uint32_t i = 0; i < count; ++i) {
    AppendLe16(plc, 0);
    AppendLe32(plc, 0x40000000u);
    AppendLe16(plc, 0);
  }
  repeated.clxOverride = std::string("\x02", 1);
  AppendLe32(repeated.clxOverride, static_cast<uint32_t>(plc.size()));
  repeated.clxOverride += plc;
  Converted capped = ConvertBytes(repeated.Build(), 1252);
  ASSERT_GT(capped.result, 0);
  EXPECT_LE(capped.result, static_cast<int32_t>(repeated.WordDocumentStream().size()));
}

TEST(ConvertDoc, ContainerFailuresAndOtherSectorSizes) {
  test::TempDir dir;
  EXPECT_EQ(Convert(dir / "missing.doc", 1252).result, kSourceMissing);
  test::WriteFileBytes(dir / "text.doc", "just text, not a compound document");
  EXPECT_EQ(Convert(dir / "text.doc", 1252).result, kFormatError);
  std::string damaged = WordDoc().Build();
  damaged[0x1E] = 3;
  test::WriteFileBytes(dir / "damaged.doc", damaged);
  EXPECT_EQ(Convert(dir / "damaged.doc", 1252).result, kOpenError);

  WordDoc v4;
  v4.cfbVersion = 4;
  v4.pieces.push_back({std::string(5000, 'y'), false});  // beyond the mini stream
  v4.pieces.push_back({Utf16Le(u"z\r"), true});
  EXPECT_EQ(ConvertBytes(v4.Build(), 1252).bytes, std::string(5000, 'y') + "z\r\n");
}

TEST(ConvertByType, AnRtfFileNamedDocGoesToTheRtfFilter) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "a.doc", "{\\rtf1\\ansi Hello}");
  EXPECT_EQ(Convert(dir / "a.doc", 1252).result, kFormatError);
  Engine engine;
  OutputBlock block;
  bool usedRtf = false;
  ConvertByType(engine, "DOC", dir / "a.doc", block, 1252, {}, &usedRtf);
  EXPECT_TRUE(usedRtf);
}

// Word 6, Word 95 and Word 97-2003 files of the corpus: the known texts come out.
// The finishing walk passes runs of printable ASCII on in blocks. Long random texts, with marks,
// line ends and non-ASCII at every offset and split over owned and in-place runs, must come out
// exactly as the clean-up table and the line-end rule give them one character at a time.
TEST(FinishDocText, BlockRunsMatchTheCharacterRules) {
  const char16_t alphabet[] = {u'a', u'Z', u' ', u'~', 0x7F, 0x07, 0x09,   0x0A,   0x0B,
                               0x0D, 0x1E, 0x13, 0x00, 0xA0, 0xE9, 0x2028, 0x20AC, 0xFFFF};
  auto clean = [](char16_t c, bool wide) -> char16_t {
    switch (c) {
      case 0x07:
      case 0x09:
        return u'\t';
      case 0x0A:
        return u'\n';
      case 0x0B:
      case 0x0D:
        return u'\r';
      case 0x1E:
        return wide ? u'-' : u' ';
      default:
        return c < 0x20 ? u' ' : c;
    }
  };
  std::mt19937 rng(20261210);
  for (int round = 0; round < 300; ++round) {
    const bool wide = round % 2 == 0;
    const int32_t keepRaw = (round / 2) % 2;
    const int32_t style = (round / 4) % 3;
    std::deque<std::string> inPlace;  // the "file" bytes runs point into
    DocText text;
    text.wide = wide;
    std::u16string expected;  // the working text, one unit at a time
    const int runs = 1 + static_cast<int>(rng() % 4);
    for (int r = 0; r < runs; ++r) {
      const size_t length = rng() % 70;
      const bool owned = rng() % 2 == 0;
      std::u16string units;
      for (size_t i = 0; i < length; ++i) {
        // Mostly plain letters, so that long plain runs occur between the marks.
        char16_t c = rng() % 3 ? static_cast<char16_t>(u'a' + rng() % 26)
                               : alphabet[rng() % std::size(alphabet)];
        if (!wide) c &= 0xFF;
        units.push_back(c);
      }
      if (wide && owned) {
        text.AppendOwned(std::u16string_view(units));
      } else if (wide) {
        inPlace.push_back(Utf16Le(units));
        text.AppendInPlace(reinterpret_cast<const uint8_t*>(inPlace.back().data()), length);
      } else {
        std::string bytes(units.begin(), units.end());
        if (owned) {
          text.AppendOwned(std::string_view(bytes));
        } else {
          inPlace.push_back(bytes);
          text.AppendInPlace(reinterpret_cast<const uint8_t*>(inPlace.back().data()), length);
          // Compressed text read in place takes a no-break space as a plain space.
          for (char16_t& c : units) c = c == 0xA0 ? u' ' : c;
        }
      }
      expected += units;
    }
    if (keepRaw == 0) {
      for (char16_t& c : expected) c = clean(c, wide);
    }
    for (int32_t codePage : wide ? std::vector<int32_t>{65001, 1200} : std::vector<int32_t>{1252}) {
      std::string want;
      if (!wide) {
        std::string bytes(expected.begin(), expected.end());
        want = NormalizeLineEnds(bytes, style);
      } else if (codePage == 65001) {
        want = "\xEF\xBB\xBF" + WideToUtf8(NormalizeLineEndsW(expected, style));
      } else {
        want = Utf16Out(NormalizeLineEndsW(expected, style));
      }
      OutputBlock block;
      int32_t stored = FinishDocText(text, codePage, style, keepRaw, block);
      ASSERT_GE(stored, 0);
      EXPECT_EQ(std::string(block.begin(), block.begin() + stored), want)
          << "round " << round << " code page " << codePage;
    }
  }
}

TEST(ConvertDoc, CorpusWordFiles) {
  std::filesystem::path corpus = test::CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  struct Case {
    const char* file;
    const char* expected;  // a part of the UTF-8 output
    int32_t result;        // or a result code
  };
  const Case cases[] = {
      {"poi/document/Word95.doc", "The quick brown fox jumps over the lazy dog\r\n", 0},
      {"poi/document/Word6_sections.doc", "This is a test.\r\n\r\n This is a new section.", 0},
      {"poi/document/simple.doc", "This is a simple file created with Word 97-SR2.", 0},
      // Many 16-bit pieces of Cyrillic text.
      {"poi/document/o_kurs.doc", "\xD0\x92\xD0\xAB\xD0\xA1\xD0\xA8\xD0\x90\xD0\xAF", 0},
      {"poi/document/PasswordProtected.doc", nullptr, kNotAllowed},
      {"poi/document/word2.doc", nullptr, kFormatError},
  };
  for (const Case& c : cases) {
    std::filesystem::path path = corpus / c.file;
    if (!std::filesystem::exists(path)) continue;
    Converted out = Convert(path, 65001);
    if (c.expected) {
      EXPECT_NE(out.bytes.find(c.expected), std::string::npos) << c.file;
    } else {
      EXPECT_EQ(out.result, c.result) << c.file;
    }
  }
}

}  // namespace
}  // namespace scrivtar
