#include "TestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace scrivtar::test {

std::filesystem::path FixturesDir() {
  return SCRIVTAR_FIXTURES_DIR;
}
std::filesystem::path BinDir() {
  return SCRIVTAR_BIN_DIR;
}

std::filesystem::path CorpusDir() {
  std::filesystem::path corpus =
      std::filesystem::path(SCRIVTAR_SOURCE_DIR) / ".." / "shared" / "corpus";
  std::error_code ec;
  return std::filesystem::is_directory(corpus, ec) ? corpus.lexically_normal()
                                                   : std::filesystem::path();
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

TempDir::TempDir() {
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = std::filesystem::temp_directory_path() /
                     ("scrivtar-test-" + std::to_string(rd()) + std::to_string(attempt));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

namespace {

std::string Drain(int fd) {
  std::string data;
  char buffer[65536];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) data.append(buffer, static_cast<size_t>(n));
  return data;
}

}  // namespace

ProcessResult RunProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& workDir) {
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  posix_spawn_file_actions_addclose(&actions, outPipe[0]);
  posix_spawn_file_actions_addclose(&actions, errPipe[0]);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
  std::vector<std::string> argvStrings;
  argvStrings.push_back(program.string());
  argvStrings.insert(argvStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : argvStrings) argv.push_back(s.data());
  argv.push_back(nullptr);
  pid_t pid;
  int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  if (rc != 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    throw std::runtime_error("cannot start " + program.string());
  }
  ProcessResult result;
  std::thread errReader([&] { result.err = Drain(errPipe[0]); });
  result.out = Drain(outPipe[0]);
  errReader.join();
  close(outPipe[0]);
  close(errPipe[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

ProcessResult RunScrcmd(const std::vector<std::string>& args,
                        const std::filesystem::path& workDir) {
  return RunProcess(BinDir() / "scrcmd", args, workDir);
}

}  // namespace scrivtar::test
