// The zip reader over the real-world packages of ../shared/corpus: every entry of a package
// that Info-ZIP's unzip tests clean must come out byte for byte as `unzip -p` gives it, and
// damaged packages must end in the reader's own exceptions, nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "zip/VCLUnZip.h"

namespace scrivtar {
namespace {

bool IsPackage(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".docx" || ext == ".xlsx" || ext == ".pptx" || ext == ".zip" || ext == ".docm" ||
         ext == ".xlsm" || ext == ".pptm";
}

TEST(ZipCorpus, EntriesMatchUnzip) {
  const auto corpus = test::CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  if (!std::filesystem::exists("/usr/bin/unzip")) GTEST_SKIP() << "no unzip";
  int packages = 0, compared = 0;
  TVCLUnZip zip;
  for (const auto& item : std::filesystem::recursive_directory_iterator(corpus)) {
    if (!item.is_regular_file() || !IsPackage(item.path())) continue;
    ++packages;
    const std::string path = item.path().string();
    zip.SetZipName(item.path());
    try {
      zip.ReadDirectory();
    } catch (const EZipError&) {
      continue;  // damaged beyond the recovery scan
    }
    // unzip -p writes every file entry in central directory order.
    std::vector<const TZipHeaderInfo*> order;
    std::set<std::string> names;
    bool comparable = true;
    for (int i = 0; i < zip.EntryCount(); ++i) {
      const TZipHeaderInfo& entry = zip.Entry(i);
      if (entry.fileName.empty()) continue;
      comparable &= names.insert(LowerAscii(entry.StoredPath())).second;
      order.push_back(&entry);
    }
    std::sort(order.begin(), order.end(),
              [](auto* a, auto* b) { return a->centralHeaderOffset < b->centralHeaderOffset; });
    std::string ours;
    bool complete = true;
    for (const TZipHeaderInfo* entry : order) {
      try {
        complete &= zip.ExtractToStream(ours, entry->StoredPath()) == 1;
      } catch (const EFatalUnzipError&) {
        complete = false;
      }
    }
    if (!comparable || test::RunProcess("/usr/bin/unzip", {"-tqq", path}).exitStatus != 0) continue;
    test::ProcessResult theirs = test::RunProcess("/usr/bin/unzip", {"-p", path});
    EXPECT_TRUE(complete) << path;
    EXPECT_TRUE(ours == theirs.out) << path << ": " << ours.size() << " vs " << theirs.out.size();
    ++compared;
  }
  RecordProperty("packages", packages);
  RecordProperty("compared", compared);
  EXPECT_GT(compared, 0);
}

}  // namespace
}  // namespace scrivtar
