// Web archives: a 20 MB archive shaped like Chromium's "Save page as MHTML" (a quoted-printable
// HTML part of about 14 MB with soft line breaks and escapes, then base64 images of about 6 MB).
// Parsing and decoding in memory, and the whole conversion from the file through the echo test
// filter when it is built beside the benchmark (bin/testfilters). Reports archive bytes per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "mht/VtMhtCvt.h"
#include "platform/ProgramDir.h"
#include "scrivtar/Engine.h"

namespace {

constexpr size_t kArchiveSize = 20 * 1024 * 1024;

// Quoted-printable as Chromium writes it: lines of at most 76 characters, "=" soft breaks.
void AppendQuotedPrintable(std::string& out, const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  size_t column = 0;
  auto put = [&](std::string_view piece) {
    if (column + piece.size() > 75) {
      out += "=\r\n";
      column = 0;
    }
    out += piece;
    column += piece.size();
  };
  for (unsigned char c : text) {
    if (c == '\n') {
      out += "\r\n";
      column = 0;
    } else if (c == '=' || c >= 0x80) {
      char escape[3] = {'=', kHex[c >> 4], kHex[c & 15]};
      put(std::string_view(escape, 3));
    } else {
      put(std::string_view(reinterpret_cast<const char*>(&c), 1));
    }
  }
}

const std::string& Archive() {
  static const std::string archive = [] {
    std::string a =
        "From: <Saved by Blink>\r\nSubject: Benchmark page\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/related;\r\n\ttype=\"text/html\";\r\n"
        "\tboundary=\"----MultipartBoundary--bench----\"\r\n\r\n\r\n"
        "------MultipartBoundary--bench----\r\nContent-Type: text/html\r\n"
        "Content-ID: <frame-1@mhtml.blink>\r\nContent-Transfer-Encoding: quoted-printable\r\n"
        "Content-Location: file:///bench/index.html\r\n\r\n";
    std::string html = "<!DOCTYPE html><html><head><title>Caf\xC3\xA9</title></head><body>\n";
    const std::string paragraph =
        "<p class=\"text\" style=\"margin: 0\">Der B\xC3\xA4r sa\xC3\x9F am Fl\xC3\xBC\xC3\x9F"
        "chen, caf\xC3\xA9 cr\xC3\xA8me \xE2\x80\x94 plain words fill most of a line of a saved "
        "page, with <a href=\"https://example.com/?a=1&amp;b=2\">a link</a> now and then.</p>\n";
    while (html.size() < kArchiveSize * 6 / 10) html += paragraph;
    html += "</body></html>\n";
    AppendQuotedPrintable(a, html);
    for (int image = 0; a.size() < kArchiveSize; ++image) {
      a += "\r\n------MultipartBoundary--bench----\r\nContent-Type: image/png\r\n"
           "Content-Transfer-Encoding: base64\r\nContent-Location: file:///bench/" +
           std::to_string(image) + ".png\r\n\r\n";
      for (int line = 0; line < 4000; ++line) {
        a += "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhfDwAChwGA\r\n";
      }
    }
    a += "\r\n------MultipartBoundary--bench------\r\n";
    return a;
  }();
  return archive;
}

void ParseAndBuild(benchmark::State& state) {
  const std::string& archive = Archive();
  for (auto _ : state) {
    scrivtar::WebArchive parsed;
    scrivtar::ParseWebArchiveText(archive, parsed);
    std::string html = scrivtar::BuildArchiveHtml(parsed);
    benchmark::DoNotOptimize(html.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * archive.size()));
}

void ConvertThroughEchoFilter(benchmark::State& state) {
  namespace fs = std::filesystem;
  const fs::path echo = scrivtar::platform::ProgramDir() / "testfilters" / "echo.so";
  if (!fs::exists(echo)) {
    state.SkipWithError("bin/testfilters/echo.so is not built");
    return;
  }
  const fs::path dir = fs::temp_directory_path() / "scrivtar-mht-bench";
  fs::create_directories(dir);
  fs::remove(dir / "scrhtm.so");
  fs::create_symlink(echo, dir / "scrhtm.so");
  const fs::path file = dir / "page.mht";
  const std::string& archive = Archive();
  if (std::FILE* f = std::fopen(file.c_str(), "wb")) {
    std::fwrite(archive.data(), 1, archive.size(), f);
    std::fclose(f);
  }
  scrivtar::Engine engine(scrivtar::EngineConfig{dir});
  scrivtar::OutputBlock block;
  for (auto _ : state) {
    int32_t n = scrivtar::ConvertMht(engine.filterHosts(), file, 0, block, 65001);
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * archive.size()));
  fs::remove_all(dir);
}

}  // namespace

BENCHMARK(ParseAndBuild)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ConvertThroughEchoFilter)->Unit(benchmark::kMillisecond)->UseRealTime();
