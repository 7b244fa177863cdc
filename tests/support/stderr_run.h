// Runs the real engine in a project directory with its stderr into a file,
// for the ends that cannot be said in `boogie`.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "support/case_runner.h"

// The exit status of the engine run in `dir`, its stderr written to `err`.
inline int runWithStderr(const std::string& dir, const std::string& err) {
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    int fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) _exit(127);
    dup2(fd, 2);
    execl(TOVAK_BIN, TOVAK_BIN, static_cast<char*>(nullptr));
    _exit(127);
  }
  int st = 0;
  waitpid(pid, &st, 0);
  return engineStatus(st);
}
