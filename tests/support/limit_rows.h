// The accepted limits of control-file data sets: a value at its limit is
// accepted and the value just beyond it is refused, so that a limit moved by
// one step or a comparison turned is caught.
//
// Both texts are read by the first pass of the reader in a child process (a
// refusal ends the process), inside a fresh project directory.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "support/control_rows.h"
#include "support/in_dir.h"

struct LimitRow {
  std::string accepted;  // a value at its limit (for "above"/"below": just inside)
  std::string refused;   // the same data set with the value just beyond
  int status;            // exit status of the refusal (1 becomes 2, -1 is 255)
  std::string message;   // the last bytes of the log on refusal
};

inline void PrintTo(const LimitRow& r, std::ostream* os) { *os << '"' << r.accepted << "\" | \"" << r.refused << '"'; }

// How the first pass over a text ended: kReadThrough when it read to the end.
struct FirstPassEnd {
  int status;
  std::string log;
};
constexpr int kReadThrough = 100;

inline FirstPassEnd firstPassInChild(const std::string& control) {
  InProjectDir dir;
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    // A refusal ends through exit(): end at once with its status, without
    // the clean-up of the whole test process.
    on_exit([](int status, void*) { _exit(status); }, nullptr);
    readControlText(control);
    std::fflush(nullptr);
    _exit(kReadThrough);
  }
  int ws = 0;
  if (pid < 0 || waitpid(pid, &ws, 0) != pid) return {-1, "fork failed"};
  return {WIFEXITED(ws) ? WEXITSTATUS(ws) : -1, dir.dir().exists("boogie") ? dir.dir().boogie() : std::string()};
}

inline void expectLimit(const LimitRow& r) {
  const FirstPassEnd a = firstPassInChild(r.accepted);
  EXPECT_EQ(a.status, kReadThrough) << "\"" << r.accepted << "\" is refused:\n" << a.log;
  EXPECT_EQ(a.log.find("rror"), std::string::npos) << "\"" << r.accepted << "\" logs:\n" << a.log;
  const FirstPassEnd b = firstPassInChild(r.refused);
  EXPECT_EQ(b.status, r.status) << "\"" << r.refused << "\" log:\n" << b.log;
  EXPECT_TRUE(endsWith(b.log, r.message)) << "\"" << r.refused << "\" log:\n" << b.log << "\nexpected at its end:\n"
                                          << r.message;
}

// Every row of a table, each traced by its two texts.
inline void expectLimits(const std::vector<LimitRow>& rows) {
  for (const LimitRow& r : rows) {
    SCOPED_TRACE("\"" + r.accepted + "\" | \"" + r.refused + "\"");
    expectLimit(r);
  }
}

// A row whose refusal is the common message "Error for <letter> <n> in control"
// (status 1), with the line end the family puts after it.
inline LimitRow commonLimit(char letter, int n, const char* accepted, const char* refused, bool lineEnd = false) {
  char msg[64];
  std::snprintf(msg, sizeof msg, "Error for %c %d in control%s", letter, n, lineEnd ? "\n" : "");
  return {accepted, refused, 2, msg};
}
