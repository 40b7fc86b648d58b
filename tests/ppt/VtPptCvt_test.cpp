#include "ppt/VtPptCvt.h"

#include <gtest/gtest.h>

#include <functional>

#include "CfbBuilder.h"
#include "PptBuilder.h"
#include "TestSupport.h"

namespace scrivtar {
namespace {

using test::BuildPresentation;
using test::PptAtom;
using test::PptContainer;
using test::PptCurrentUser;
using test::PptDocumentBuilder;
using test::PptHeader;
using test::PptOutlineTextRef;
using test::PptSlide;
using test::PptSlideList;
using test::PptSlidePersist;
using test::PptStreamsBytes;
using test::PptTextBytes;
using test::PptTextChars;
using test::PptTextHeader;
using test::U32le;

std::span<const uint8_t> AsBytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

struct Extracted {
  int32_t result;
  std::u16string text;
};

Extracted Extract(const PptStreamsBytes& streams, bool hasCurrentUser = true,
                  bool hasDocument = true) {
  PptStreams spans;
  if (hasCurrentUser) spans.currentUser = AsBytes(streams.currentUser);
  if (hasDocument) spans.document = AsBytes(streams.document);
  Extracted out;
  out.result = ExtractPptText(spans, out.text);
  EXPECT_EQ(out.result < 0 ? 0u : size_t(out.result), out.text.size() * 2);
  return out;
}

// A document with a slide list of the given children and the given slides, in one edit.
// slides: persist identifier (from 2 on) -> the slide's record bytes; an empty record maps its
// identifier to an offset past the stream's end.
PptStreamsBytes OneEdit(const std::string& slideListChildren,
                        const std::vector<std::pair<uint32_t, std::string>>& slides,
                        const std::string& notesListChildren = "") {
  PptDocumentBuilder doc;
  std::map<uint32_t, uint32_t> persist;
  for (const auto& [id, record] : slides) {
    persist[id] = record.empty() ? 0x7FFFFFF0 : doc.Append(record);
  }
  std::string children = PptSlideList(0, slideListChildren);
  if (!notesListChildren.empty()) children += PptSlideList(2, notesListChildren);
  persist[1] = doc.Append(PptContainer(0x03E8, children));
  uint32_t edit = doc.AddEdit(persist, 1);
  return {PptCurrentUser(edit), doc.bytes()};
}

TEST(PptText, PlaceholdersThroughOutlineRefsAndTextBoxesInStoredOrder) {
  auto ppt = BuildPresentation({{{u"Hello"}, {}}, {{}, {u"Bye"}}});
  Extracted got = Extract(ppt);
  EXPECT_EQ(got.text, u"Hello\rBye\r");
}

TEST(PptText, SlidesInPersistListOrderThenNotes) {
  // The notes list comes first in the document and the slides are stored in reverse; the slide
  // list decides the order, and the notes pages follow every slide.
  std::string slideA = PptSlide(PptTextChars(u"A"));
  std::string slideB = PptSlide(PptTextChars(u"B"));
  std::string notesA = PptSlide(PptTextChars(u"notes A"), true);
  PptDocumentBuilder doc;
  std::map<uint32_t, uint32_t> persist;
  persist[3] = doc.Append(slideB);
  persist[2] = doc.Append(slideA);
  persist[4] = doc.Append(notesA);
  persist[1] =
      doc.Append(PptContainer(0x03E8, PptSlideList(0, PptSlidePersist(2) + PptSlidePersist(3)) +
                                          PptSlideList(2, PptSlidePersist(4))));
  uint32_t edit = doc.AddEdit(persist, 1);
  EXPECT_EQ(Extract({PptCurrentUser(edit), doc.bytes()}).text, u"A\rB\rnotes A\r");

  auto built = BuildPresentation({{{u"one"}, {}}, {{u"two"}, {u"box"}}}, {{{u"n1"}, {}}});
  EXPECT_EQ(Extract(built).text, u"one\rtwo\rbox\rn1\r");
}

TEST(PptText, TextBytesAreWindows1252AndSoftBreaksStay) {
  auto ppt = OneEdit(PptSlidePersist(2),
                     {{2, PptSlide(PptTextBytes("5 \x80 caf\xE9") + PptTextChars(u"a\vb"))}});
  EXPECT_EQ(Extract(ppt).text, u"5 \u20AC caf\u00E9\ra\vb\r");
}

TEST(PptText, MostRecentEditThatHoldsASlideWins) {
  // Edit 1 saves slides 2 and 3; the fast-saved edit 2 rewrites slide 3 only. Slide 2 and the
  // document come from edit 1's directory, slide 3 from edit 2's.
  PptDocumentBuilder doc;
  std::map<uint32_t, uint32_t> first;
  first[2] = doc.Append(PptSlide(PptTextChars(u"two")));
  first[3] = doc.Append(PptSlide(PptTextChars(u"three, old")));
  first[1] =
      doc.Append(PptContainer(0x03E8, PptSlideList(0, PptSlidePersist(2) + PptSlidePersist(3))));
  uint32_t edit1 = doc.AddEdit(first, 1);
  uint32_t newSlide = doc.Append(PptSlide(PptTextChars(u"three, new")));
  uint32_t edit2 = doc.AddEdit({{3, newSlide}}, 1, edit1);
  EXPECT_EQ(Extract({PptCurrentUser(edit2), doc.bytes()}).text, u"two\rthree, new\r");

  // A chain whose oldest edit points back to the newest ends there with what it has read.
  std::string cyclic = doc.bytes();
  uint32_t lastEditField = edit1 + 8 + 8;
  cyclic.replace(lastEditField, 4, U32le(edit2));
  EXPECT_EQ(Extract({PptCurrentUser(edit2), cyclic}).text, u"two\rthree, new\r");
}

TEST(PptText, FailureTable) {
  auto good = BuildPresentation({{{u"Hello"}, {}}});
  uint32_t edit = static_cast<uint32_t>(good.document.size() - 36);
  struct Case {
    const char* name;
    std::function<void(PptStreamsBytes&, bool&, bool&)> damage;
    int32_t result;
  };
  const Case cases[] = {
      {"no Current User", [](auto&, bool& cu, bool&) { cu = false; }, 0},
      {"no PowerPoint Document", [](auto&, bool&, bool& doc) { doc = false; }, 0},
      {"short CurrentUserAtom", [](auto& s, bool&, bool&) { s.currentUser.resize(27); }, 0},
      {"size not 20",
       [&](auto& s, bool&, bool&) { s.currentUser = PptCurrentUser(edit, 0xE391C05F, 24); }, 0},
      {"encrypted",
       [&](auto& s, bool&, bool&) { s.currentUser = PptCurrentUser(edit, 0xF3D1C4DF); }, -11},
      {"unknown token",
       [&](auto& s, bool&, bool&) { s.currentUser = PptCurrentUser(edit, 0x12345678); }, 0},
      {"no current edit", [](auto& s, bool&, bool&) { s.currentUser = PptCurrentUser(0); }, 0},
      {"edit offset past the stream",
       [](auto& s, bool&, bool&) { s.currentUser = PptCurrentUser(1u << 30); }, 0},
      {"edit is no UserEditAtom",
       [&](auto& s, bool&, bool&) { s.currentUser = PptCurrentUser(edit - 4); }, 0},
      {"UserEditAtom of 24 bytes",
       [&](auto& s, bool&, bool&) { s.document.replace(edit + 4, 4, U32le(24)); }, 0},
      {"UserEditAtom cut short", [&](auto& s, bool&, bool&) { s.document.resize(edit + 30); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PptStreamsBytes streams = good;
    bool hasCurrentUser = true, hasDocument = true;
    c.damage(streams, hasCurrentUser, hasDocument);
    Extracted got = Extract(streams, hasCurrentUser, hasDocument);
    EXPECT_EQ(got.result, c.result);
    EXPECT_EQ(got.text, u"");
  }
}

// Damaged record trees: the walk ends, stays inside the records read and keeps the sound text.
TEST(PptText, MalformedTreesKeepTheSoundText) {
  std::string good = PptSlide(PptTextChars(u"good"));
  struct Case {
    const char* name;
    PptStreamsBytes streams;
    std::u16string text;
  };
  std::vector<Case> cases;
  cases.push_back(
      {"SlidePersistAtom of the wrong length: its texts belong to no slide",
       OneEdit(PptSlidePersist(2) + PptTextHeader() + PptTextChars(u"kept") +
                   PptAtom(0x03F3, U32le(3) + U32le(0)) + PptTextHeader() + PptTextChars(u"lost"),
               {{2, PptSlide(PptOutlineTextRef(0) + PptOutlineTextRef(1))},
                {3, PptSlide(PptOutlineTextRef(0))}}),
       u"kept\r"});
  cases.push_back({"text atoms before any slide entry or text header are dropped",
                   OneEdit(PptTextHeader() + PptTextChars(u"orphan") + PptSlidePersist(2) +
                               PptTextChars(u"headless") + PptTextHeader() + PptTextChars(u"ok"),
                           {{2, PptSlide(PptOutlineTextRef(0))}}),
                   u"ok\r"});
  cases.push_back(
      {"odd-length TextCharsAtom drops its last byte only",
       OneEdit(PptSlidePersist(2), {{2, PptSlide(PptAtom(0x0FA0, test::Utf16leBytes(u"ab") + "c") +
                                                 PptTextChars(u"next"))}}),
       u"ab\rnext\r"});
  cases.push_back(
      {"OutlineTextRefAtom of the wrong length is skipped",
       OneEdit(PptSlidePersist(2) + PptTextHeader() + PptTextChars(u"t"),
               {{2, PptSlide(PptAtom(0x0F9E, U32le(0) + U32le(0)) +
                             PptAtom(0x0F9E, std::string(2, '\0')) + PptTextChars(u"x"))}}),
       u"x\r"});
  cases.push_back(
      {"out-of-range OutlineTextRefAtom gives nothing",
       OneEdit(PptSlidePersist(2), {{2, PptSlide(PptOutlineTextRef(7) + PptTextChars(u"y"))}}),
       u"y\r"});
  // A ClientTextbox claiming more than its shape holds: clamped to the shape, whose other
  // records stand; the atom that reaches past the slide's end is not read.
  std::string overlong = PptContainer(
      0x03EE, PptContainer(0xF004, PptHeader(0xF, 0, 0xF00D, 4000) + PptTextChars(u"inner")) +
                  PptTextChars(u"after") + PptHeader(0, 0, 0x0FA0, 100) + "zz");
  cases.push_back({"records reaching past their container",
                   OneEdit(PptSlidePersist(2) + PptSlidePersist(3), {{2, overlong}, {3, good}}),
                   u"inner\rafter\rgood\r"});
  cases.push_back({"slide reaching past the stream keeps its whole records",
                   OneEdit(PptSlidePersist(2),
                           {{2, PptHeader(0xF, 0, 0x03EE, 1u << 31) + PptTextChars(u"cut")}}),
                   u"cut\r"});
  cases.push_back(
      {"identifier no directory holds, offset past the stream, not a slide",
       OneEdit(PptSlidePersist(9) + PptSlidePersist(4) + PptSlidePersist(2) + PptSlidePersist(3),
               {{2, PptTextChars(u"atom")}, {3, good}, {4, ""}}),
       u"good\r"});
  cases.push_back(
      {"an identifier listed twice, or leading into the document, is walked once",
       OneEdit(PptSlidePersist(2) + PptSlidePersist(2) + PptSlidePersist(1), {{2, good}}),
       u"good\r"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Extracted got = Extract(c.streams);
    EXPECT_EQ(got.result, static_cast<int32_t>(c.text.size() * 2));
    EXPECT_EQ(got.text, c.text);
  }
}

TEST(PptText, PersistDirectoryRunsAreBoundedByTheirRecord) {
  std::vector<uint8_t> dir;
  auto put = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) dir.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  put(5 | 2u << 20);  // identifiers 5 and 6
  put(100);
  put(200);
  put(7 | 4095u << 20);  // claims 4095 offsets, holds two
  put(300);
  put(400);
  std::vector<uint8_t> older;
  for (uint32_t v : {6u | 1u << 20, 999u, 9u | 1u << 20, 900u}) {
    for (int i = 0; i < 4; ++i) older.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  PptPersistDirectory directory({dir, older});
  EXPECT_EQ(directory.FindPersistOffset(5), 100);
  EXPECT_EQ(directory.FindPersistOffset(6), 200);  // the newer edit wins
  EXPECT_EQ(directory.FindPersistOffset(7), 300);
  EXPECT_EQ(directory.FindPersistOffset(8), 400);
  EXPECT_EQ(directory.FindPersistOffset(9), 900);
  EXPECT_EQ(directory.FindPersistOffset(10), -1);
  EXPECT_EQ(directory.FindPersistOffset(4), -1);
}

// More than 4,095 identifiers in one run let its 12-bit count wrap, as LibreOffice writes large
// presentations: the run is read up to the directory's end when the runs as written do not end
// there and the wrapped count fits exactly. Sound directories are read as written.
TEST(PptText, PersistRunWithAWrappedCount) {
  auto words = [](std::initializer_list<std::pair<uint32_t, uint32_t>> runs) {
    // (first identifier, number of offsets); offset k of a run is 1000 * first + k.
    std::vector<uint8_t> dir;
    auto put = [&](uint32_t v) {
      for (int i = 0; i < 4; ++i) dir.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    for (auto [first, count] : runs) {
      put(first | count << 20);  // the count wraps at 4,096 as a writer's shift lets it
      for (uint32_t k = 0; k < count; ++k) put(1000 * first + k);
    }
    return dir;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> directory;
    uint32_t id;
    int64_t offset;
  };
  const std::vector<Case> cases = {
      {"one wrapped run", words({{1, 5000}}), 4999, 1000 * 1 + 4998},
      {"a wrapped run after a sound one", words({{3, 2}, {9, 4100}}), 9 + 4099, 9000 + 4099},
      {"the run before it is unchanged", words({{3, 2}, {9, 4100}}), 4, 3001},
      // 4,097 offsets are 4 + 1 + 4,092 as written: sound runs, so no wrapped reading.
      {"sound runs stay as written", words({{1, 4}, {6, 4092}}), 6 + 4091, 6000 + 4091},
      {"identifiers past a sound directory", words({{1, 4}, {6, 4092}}), 6 + 4092, -1},
  };
  for (const Case& c : cases) {
    PptPersistDirectory directory({c.directory});
    EXPECT_EQ(directory.FindPersistOffset(c.id), c.offset) << c.what;
  }
  // A whole presentation with more than 4,095 slides in one edit's directory.
  std::vector<test::PptSlideText> slides(4200);
  for (size_t i = 0; i < slides.size(); ++i) {
    slides[i].textBoxes.push_back({u's', static_cast<char16_t>(u'a' + i % 26)});
  }
  std::u16string text = Extract(test::BuildPresentation(slides)).text;
  ASSERT_EQ(text.size(), 4200u * 3);
  for (size_t i = 0; i < slides.size(); ++i) {
    ASSERT_EQ(text.substr(3 * i, 2), slides[i].textBoxes[0]) << "slide " << i + 1;
  }
}

TEST(PptText, HostileTreesStayBounded) {
  // Containers nested far beyond any real slide: the walk ends and keeps the shallow text.
  std::string nested = PptTextChars(u"deep");
  for (int i = 0; i < 5000; ++i) nested = PptContainer(0xF003, nested);
  auto deep =
      OneEdit(PptSlidePersist(2), {{2, PptContainer(0x03EE, PptTextChars(u"top") + nested)}});
  EXPECT_EQ(Extract(deep).text, u"top\r");

  // Ten thousand references to one long text: the output stays within what the stream holds.
  std::u16string longText(20000, u'x');
  std::string refs;
  for (int i = 0; i < 10000; ++i) refs += PptOutlineTextRef(0);
  auto bomb =
      OneEdit(PptSlidePersist(2) + PptTextHeader() + PptTextChars(longText), {{2, PptSlide(refs)}});
  Extracted got = Extract(bomb);
  EXPECT_LE(got.text.size(), 2 * bomb.document.size() + 4096);
  EXPECT_TRUE(got.text.starts_with(longText + u"\r"));
}

std::string Convert(const std::filesystem::path& source, int32_t codePage, int32_t* result) {
  OutputBlock block;
  *result = ConvertPpt(source, 0, block, codePage);
  return *result > 0 ? std::string(block.begin(), block.begin() + *result) : std::string();
}

std::filesystem::path Fixture(const std::string& name) {
  return test::FixturesDir() / "ppt" / name;
}

TEST(ConvertPpt, LibreOfficePresentationsInEveryOutputEncoding) {
  int32_t result;
  EXPECT_EQ(Convert(Fixture("two_slides.ppt"), 65001, &result), "\xEF\xBB\xBFHello\r\nBye\r\n");

  // Paragraphs end lines, the soft break stays a vertical tab, notes follow all slides.
  std::u16string expected =
      u"Agenda\r\nFirst point\r\nSecond\vcontinued\r\nPrix: 5 \u20AC, caf\u00E9\r\n"
      u"\u041F\u0440\u0438\u0432\u0435\u0442 \u03B1\u03B2\u03B3 \u65E5\u672C\u8A9E\r\n"
      u"Notes of slide one\r\nNotes of slide three\r\n";
  std::string utf16 = Convert(Fixture("features.ppt"), 1200, &result);
  EXPECT_EQ(utf16, std::string("\xFF\xFE", 2) + test::Utf16leBytes(expected));
  std::string ansi = Convert(Fixture("features.ppt"), 1252, &result);
  EXPECT_NE(ansi.find("Prix: 5 \x80, caf\xE9\r\n"), std::string::npos);
  EXPECT_NE(ansi.find("\r\n?????? ??? ???\r\n"), std::string::npos);
}

TEST(ConvertPpt, FailuresOfTheFile) {
  test::TempDir dir;
  auto write = [&](const std::string& name, const std::string& bytes) {
    test::WriteFileBytes(dir / name, bytes);
    return dir / name;
  };
  PptStreamsBytes ppt = BuildPresentation({{{u"Hello"}, {}}});
  auto container = [](const std::string* currentUser, const std::string& document) {
    test::CfbBuilder cfb;
    if (currentUser) cfb.AddStream("Current User", *currentUser);
    cfb.AddStream("PowerPoint Document", document);
    return cfb.Build().bytes;
  };
  std::string encrypted = PptCurrentUser(0, test::kPptEncryptedToken);
  struct Case {
    const char* name;
    std::filesystem::path path;
    int32_t codePage;
    int32_t result;
    std::string text;
  };
  const Case cases[] = {
      {"missing", dir / "missing.ppt", 65001, kSourceMissing, ""},
      {"not a compound document", write("plain.ppt", "just some text"), 65001, kFormatError, ""},
      {"built presentation", write("built.ppt", container(&ppt.currentUser, ppt.document)), 65001,
       10, "\xEF\xBB\xBFHello\r\n"},
      {"no Current User, UTF-8", write("nouser.ppt", container(nullptr, ppt.document)), 65001, 3,
       "\xEF\xBB\xBF"},
      {"no Current User, UTF-16", dir / "nouser.ppt", 1200, 2, "\xFF\xFE"},
      {"encrypted", write("encrypted.ppt", container(&encrypted, ppt.document)), 65001, kNotAllowed,
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t result;
    std::string text = Convert(c.path, c.codePage, &result);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(text, c.text.substr(0, std::max(result, 0)));
  }

  // Through scrcmd, as users see it: the negative codes modulo 256.
  test::ProcessResult run = test::RunScrcmd({"-c65001", (dir / "encrypted.ppt").string(), "*"});
  EXPECT_EQ(run.exitStatus, 245);
  run = test::RunScrcmd({"-c65001", Fixture("two_slides.ppt").string(), "*"});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.out, "\xEF\xBB\xBFHello\r\nBye\r\n");
}

std::filesystem::path CorpusSlideshow(const std::string& name);

// PowerPoint 95 and earlier: "Current User" holds a bare user name, not a CurrentUserAtom. The
// text they keep for indexing ("Text_Content") is read; without it the version is not read and
// the result is -5, not an empty success. A 97 file that also keeps those streams (dual storage)
// is read as 97.
TEST(ConvertPpt, OlderVersionsGiveTheirIndexTextOrMinusFive) {
  test::TempDir dir;
  const std::string userName = test::Bytes("\x0B\0\0\0Daniel Noll", 15);
  const std::string header =
      test::Bytes("Microsoft (R) PowerPoint (R) Windows  \0\x07\x01\0\0\xF0\x03\0\0", 47);
  const std::string textContent = test::Bytes("Title\r\rWhat \x93now\x94 \x85\rLast\r\0\0", 27);
  PptStreamsBytes ppt97 = BuildPresentation({{{u"Hello"}, {}}});
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> streams;
    int32_t result;
    std::string text;
  };
  const Case cases[] = {
      {"PowerPoint 95 with its index text",
       {{"Current User", userName},
        {"Header", header},
        {"Text_Content", textContent},
        {"PowerPoint Document", std::string(64, '\x01')}},
       0,
       "\xEF\xBB\xBFTitle\r\n\r\nWhat \xE2\x80\x9Cnow\xE2\x80\x9D \xE2\x80\xA6\r\nLast\r\n"},
      {"PowerPoint 95 without it",
       {{"Current User", userName}, {"Header", header}, {"PowerPoint Document", "x"}},
       kFormatError,
       ""},
      {"PowerPoint 4", {{"Current User", userName}, {"PP40", "x"}}, kFormatError, ""},
      {"dual storage is read as 97",
       {{"Current User", ppt97.currentUser},
        {"Header", header},
        {"Text_Content", textContent},
        {"PowerPoint Document", ppt97.document}},
       0,
       "\xEF\xBB\xBFHello\r\n"},
      {"a bare Current User without an older version's stream stays empty",
       {{"Current User", userName}, {"PowerPoint Document", ppt97.document}},
       0,
       "\xEF\xBB\xBF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::CfbBuilder cfb;
    for (const auto& [name, bytes] : c.streams) cfb.AddStream(name, bytes);
    test::WriteFileBytes(dir / "old.ppt", cfb.Build().bytes);
    int32_t result;
    std::string text = Convert(dir / "old.ppt", 65001, &result);
    if (c.result < 0) {
      EXPECT_EQ(result, c.result);
    } else {
      EXPECT_EQ(text, c.text);
    }
  }
  // The corpus's PowerPoint 95 presentation.
  if (!test::CorpusDir().empty()) {
    int32_t result;
    std::string text = Convert(CorpusSlideshow("PPT95.ppt"), 65001, &result);
    EXPECT_NE(text.find("XML, HTML and All That\r\n\r\nWhat do they Mean"), std::string::npos);
  }
}

// Records and text atoms that straddle sector boundaries must read the same whether the stream's
// sectors follow each other in the file or not.
TEST(ConvertPpt, DocumentSectorsOutOfFileOrder) {
  std::vector<test::PptSlideText> slides;
  std::string expected = "\xEF\xBB\xBF";
  for (int i = 0; i < 60; ++i) {
    std::u16string title = u"Title " + std::u16string(i % 7 + 1, u'a' + i % 26);
    std::u16string box = u"Text box " + std::u16string(40 + i, u'0' + i % 10);
    slides.push_back({{title}, {box}});
    expected += std::string(title.begin(), title.end()) + "\r\n";
    expected += std::string(box.begin(), box.end()) + "\r\n";
  }
  PptStreamsBytes ppt = BuildPresentation(slides);
  ASSERT_GT(ppt.document.size(), 4u * 512) << "the stream must live in regular sectors";
  test::CfbBuilder cfb;
  cfb.AddStream("Current User", ppt.currentUser);
  cfb.AddStream("PowerPoint Document", ppt.document);
  test::CfbImage image = cfb.Build();

  // Move the stream's sectors into reverse order: logical sector i goes where sector n-1-i was.
  const test::CfbImage::Place place = image.streams.at("PowerPoint Document");
  std::vector<uint32_t> chain;
  for (uint32_t s = place.firstSector; s < 0xFFFFFFFA; s = image.FatEntry(s)) chain.push_back(s);
  ASSERT_GT(chain.size(), 4u);
  std::vector<std::string> contents;
  for (uint32_t s : chain) contents.push_back(image.bytes.substr(image.SectorOffset(s), 512));
  const size_t n = chain.size();
  for (size_t i = 0; i < n; ++i) {
    image.bytes.replace(image.SectorOffset(chain[n - 1 - i]), 512, contents[i]);
    image.SetFatEntry(chain[n - 1 - i], i + 1 < n ? chain[n - 2 - i] : 0xFFFFFFFE);
  }
  // The start sector field of the stream's directory entry (128-byte entries, offset 116).
  size_t entry = image.SectorOffset(image.firstDirectorySector) + 128 * place.directoryIndex;
  for (int b = 0; b < 4; ++b) image.bytes[entry + 116 + b] = char(chain[n - 1] >> (8 * b));

  test::TempDir dir;
  test::WriteFileBytes(dir / "scattered.ppt", image.bytes);
  int32_t result;
  EXPECT_EQ(Convert(dir / "scattered.ppt", 65001, &result), expected);
  EXPECT_EQ(result, int32_t(expected.size()));
}

std::filesystem::path CorpusSlideshow(const std::string& name) {
  std::filesystem::path corpus = test::CorpusDir();
  return corpus.empty() ? corpus : corpus / "poi" / "slideshow" / name;
}

TEST(ConvertPpt, CorpusEncryptedFastSavedAndCyclic) {
  if (test::CorpusDir().empty()) GTEST_SKIP() << "no ../shared/corpus";
  int32_t result;
  for (const char* name : {"Password_Protected-hello.ppt", "ppt_with_png_encrypted.ppt"}) {
    Convert(CorpusSlideshow(name), 65001, &result);
    EXPECT_EQ(result, kNotAllowed) << name;
  }
  // Six edits; older versions of the slides, still in the stream, give no text.
  EXPECT_EQ(Convert(CorpusSlideshow("bullets.ppt"), 65001, &result),
            "\xEF\xBB\xBFTitle text\r\nThis is a text placeholder that \r\nfollows the design "
            "pattern\r\nDefined in the slide master\r\nand has bullets by default\r\n"
            "I\xE2\x80\x99m a text box\r\nWith bullets\r\nThat follow the design pattern\r\n"
            "From the slide master\r\nI\xE2\x80\x99m a text box with user-defined\r\n"
            "bullet character\r\n");
  // The oldest edit points to itself; no directory holds a slide, so the text is empty.
  EXPECT_EQ(Convert(CorpusSlideshow("57272_corrupted_usereditatom.ppt"), 65001, &result),
            "\xEF\xBB\xBF");
}

TEST(ConvertPpt, EveryCorpusPresentationEndsWithADocumentedResult) {
  if (test::CorpusDir().empty()) GTEST_SKIP() << "no ../shared/corpus";
  for (const auto& entry : std::filesystem::recursive_directory_iterator(test::CorpusDir())) {
    if (entry.path().extension() != ".ppt") continue;
    int32_t result;
    Convert(entry.path(), 65001, &result);
    EXPECT_TRUE(result >= 3 || result == kOpenError || result == kFormatError ||
                result == kNotAllowed)
        << entry.path() << " gave " << result;
  }
}

}  // namespace
}  // namespace scrivtar
