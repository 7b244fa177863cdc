// One run per project directory: a second run started while the first one
// works says so on stderr and ends without touching the first one's files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "runcontrol.h"
#include "support/case_runner.h"
#include "support/stderr_run.h"

namespace {

std::string runCapturingStderr(const CaseDir& d, int& status) {
  CaseDir outside;
  const std::string err = outside.path() + "/stderr";
  status = runWithStderr(d.path(), err);
  std::ifstream in(err);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

TEST(RunLockCase, ASecondRunInABusyDirectoryEndsWithoutTouchingIt) {
  CaseDir d;
  d.write("control", "F 2 X\n");
  d.write("boogie", "the log of the run at work\n");
  // The run at work: this process holds the directory's lock, exclusive or
  // shared; the lock a run takes is exclusive, so it is refused by either.
  int held = -1;
  for (int kind : {LOCK_EX, LOCK_SH}) {
    SCOPED_TRACE(kind == LOCK_EX ? "exclusive lock held" : "shared lock held");
    if (held >= 0) close(held);
    held = open(d.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, kind | LOCK_NB), 0);
    int status = 0;
    const std::string err = runCapturingStderr(d, status);
    EXPECT_EQ(status, kDirectoryBusy & 0xff);
    EXPECT_NE(err.find("tovak: another run is working in this project directory; this one ends without touching "
                       "its files"),
              std::string::npos)
        << err;
    EXPECT_EQ(d.boogie(), "the log of the run at work\n");
  }
  // Once the first run has ended (its lock given back), a run goes ahead.
  close(held);
  EXPECT_EQ(d.run(), 0) << d.boogie();
  // Every end gives the lock back: a run after a failed one goes ahead too.
  d.write("control", "F 2 Z\n");
  EXPECT_EQ(d.run(), 252);
  d.write("control", "F 2 X\n");
  EXPECT_EQ(d.run(), 0);
}
