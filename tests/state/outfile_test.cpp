// Checked writes: a file that cannot be written to its end never replaces the
// earlier file of its name, and says so; a run that meets a full disk, an
// unwritable directory or a log it cannot write ends with a failure status.
#include "state/outfile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/case_runner.h"
#include "support/in_dir.h"
#include "support/stderr_run.h"

namespace fs = std::filesystem;

namespace {

// The exit status kWriteFailed becomes in the shell.
constexpr int kWriteFailedExit = kWriteFailed & 0xff;

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The straight channel: letter Y generates the grid, M writes result.end.
void writeChannel(const std::string& dir) {
  std::ofstream(dir + "/control") << "F 2 YM\nG 1 23 8 5 1\nF 314 1 1\nK 2 0 0\nF 24 6\nF 293 1\n";
  std::ofstream(dir + "/koosurf") << straightChannelKoosurf();
}

// A small tmpfs of its own, unmounted at the end; empty path when this
// process may not mount.
class Tmpfs {
 public:
  explicit Tmpfs(const char* options) {
    std::string tmpl = (fs::temp_directory_path() / "tovak-tmpfs-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) return;
    dir_ = tmpl;
    if (mount("none", dir_.c_str(), "tmpfs", 0, options) != 0) {
      why_ = std::strerror(errno);
      fs::remove(dir_);
      dir_.clear();
    }
  }
  ~Tmpfs() {
    if (dir_.empty()) return;
    umount(dir_.c_str());
    fs::remove(dir_);
  }
  const std::string& path() const { return dir_; }
  const std::string& why() const { return why_; }
  void remountReadOnly() const { mount("none", dir_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr); }

 private:
  std::string dir_, why_;
};

// Fills the file system of `dir` until a write fails.
void fillUp(const std::string& dir) {
  int fd = open((dir + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  char block[4096] = {};
  while (write(fd, block, sizeof block) > 0) {
  }
  while (write(fd, block, 1) > 0) {
  }
  close(fd);
}

}  // namespace

TEST(CheckedWrite, AFileTakesItsNameOnlyWhenComplete) {
  InProjectDir p;
  std::ofstream("result.end") << "earlier\n";
  std::FILE* f = openWrite("result.end");
  ASSERT_NE(f, nullptr);
  std::fputs("new\n", f);
  EXPECT_EQ(slurp("result.end"), "earlier\n");  // the earlier file stands while writing
  EXPECT_TRUE(closeWrite(f));
  EXPECT_EQ(slurp("result.end"), "new\n");
  EXPECT_FALSE(fs::exists("result.end.tmp"));
}

TEST(CheckedWrite, AFailedWriteKeepsTheEarlierFileAndRemovesTheUnfinishedOne) {
  InProjectDir p;
  std::ofstream("result.end") << "earlier\n";
  fs::create_symlink("/dev/full", "result.end.tmp");  // every write there fails: no space
  std::FILE* f = openWrite("result.end");
  ASSERT_NE(f, nullptr);
  std::fputs("new\n", f);
  EXPECT_FALSE(closeWrite(f));
  EXPECT_EQ(slurp("result.end"), "earlier\n");
  EXPECT_FALSE(fs::exists(fs::symlink_status("result.end.tmp")));
}

TEST(CheckedWrite, AnAppendThatFailsIsFound) {
  InProjectDir p;
  fs::create_symlink("/dev/full", "timeo");
  std::FILE* f = openWrite("timeo", "a");
  ASSERT_NE(f, nullptr);
  std::fputs("1.0 2.0\n", f);
  EXPECT_FALSE(closeWrite(f));
}

TEST(CheckedWrite, TheInjectedFailureActsOnTheNthClose) {
  InProjectDir p;
  failNthClose(2);
  std::FILE* a = openWrite("a");
  std::FILE* b = openWrite("b");
  std::fputs("x", a);
  std::fputs("y", b);
  EXPECT_TRUE(closeWrite(a));
  EXPECT_FALSE(closeWrite(b));
  EXPECT_TRUE(fs::exists("a"));
  EXPECT_FALSE(fs::exists("b"));
  failNthClose(0);
}

// The result file meets a device with no space: the run ends with the status
// of a failed write and names the file; the earlier result file is kept.
TEST(CheckedWriteCase, AResultFileThatCannotBeWrittenEndsTheRunAndKeepsTheEarlierFile) {
  CaseDir d;
  writeChannel(d.path());
  d.write("result.end", "earlier\n");
  fs::create_symlink("/dev/full", d.path() + "/result.end.tmp");
  const int status = d.run();
  EXPECT_EQ(status, kWriteFailedExit) << d.boogie();
  EXPECT_TRUE(d.boogieHas("Error: could not write file 'result.end' (No space left on device)")) << d.boogie();
  EXPECT_EQ(d.read("result.end"), "earlier\n");
}

// A real full disk: a tmpfs filled up before the run. The log cannot take the
// message either: it goes to stderr; the run never ends as a success and the
// earlier result file survives.
TEST(CheckedWriteCase, AFullDiskLosesNoEarlierFileAndNeverEndsAsSuccess) {
  Tmpfs disk("size=256k");
  if (disk.path().empty()) GTEST_SKIP() << "cannot mount a tmpfs here (" << disk.why() << "): full-disk run skipped";
  writeChannel(disk.path());
  std::ofstream(disk.path() + "/result.end") << "earlier\n";
  fillUp(disk.path());
  CaseDir outside;
  const std::string err = outside.path() + "/stderr";
  const int status = runWithStderr(disk.path(), err);
  EXPECT_NE(status, 0);
  EXPECT_NE(status, 1);
  EXPECT_EQ(slurp(disk.path() + "/result.end"), "earlier\n");
  const std::string said = slurp(disk.path() + "/boogie") + slurp(err);
  EXPECT_NE(said.find("boogie"), std::string::npos) << said;
}

// Room for the log but not for the results: the message stands in boogie.
TEST(CheckedWriteCase, ADiskThatFillsDuringTheResultsSaysSoInTheLog) {
  Tmpfs disk("size=64k");
  if (disk.path().empty()) GTEST_SKIP() << "cannot mount a tmpfs here (" << disk.why() << "): full-disk run skipped";
  writeChannel(disk.path());
  CaseDir outside;
  const int status = runWithStderr(disk.path(), outside.path() + "/stderr");
  EXPECT_EQ(status, kWriteFailedExit) << slurp(disk.path() + "/boogie");
  const std::string log = slurp(disk.path() + "/boogie");
  EXPECT_NE(log.find("Error: could not write file 'result.end' (No space left on device)"), std::string::npos) << log;
  EXPECT_FALSE(fs::exists(disk.path() + "/result.end"));
  EXPECT_FALSE(fs::exists(disk.path() + "/result.end.tmp"));
}

// A project directory that cannot be written: no log can be made; stderr says
// so and the status is a failure.
TEST(CheckedWriteCase, AnUnwritableDirectoryEndsWithAFailureOnStderr) {
  Tmpfs disk("size=256k");
  if (disk.path().empty()) GTEST_SKIP() << "cannot mount a tmpfs here (" << disk.why() << "): read-only run skipped";
  writeChannel(disk.path());
  disk.remountReadOnly();
  CaseDir outside;
  const std::string err = outside.path() + "/stderr";
  const int status = runWithStderr(disk.path(), err);
  EXPECT_EQ(status, 253);  // -3: the log cannot be made
  EXPECT_NE(slurp(err).find("tovak: cannot create the log file 'boogie' in this directory"), std::string::npos)
      << slurp(err);
}

// The same without a mount: `boogie` is a directory, so no log can be made.
TEST(CheckedWriteCase, ALogThatCannotBeMadeIsSaidOnStderr) {
  CaseDir d;
  writeChannel(d.path());
  d.mkdir("boogie");
  CaseDir outside;
  const std::string err = outside.path() + "/stderr";
  EXPECT_EQ(runWithStderr(d.path(), err), 253);
  EXPECT_NE(slurp(err).find("tovak: cannot create the log file 'boogie' in this directory"), std::string::npos)
      << slurp(err);
}
