#include "state/log.h"

#ifndef TOVAK_FUZZ
#include <omp.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "state/runstate.h"

namespace {
const char* kLogName = "boogie";

[[noreturn]] void cannotOpenLog() {
  setMessage("cannot open file 'boogie' ");
  endProcess(-3);
}

// Appends to the log; false when it cannot be opened or a write or the close
// fails (an unwritable directory, a full disk).
bool appendLog(const char* fmt, va_list ap) {
  FILE* f = std::fopen(kLogName, "a");
  if (!f) return false;
  bool ok = std::vfprintf(f, fmt, ap) >= 0;
  ok = std::fflush(f) == 0 && ok && !std::ferror(f);
  if (std::fclose(f) != 0) ok = false;
  return ok;
}

// What the log could not take goes to stderr, so that it is said somewhere.
void toStderr(const char* fmt, va_list ap) {
  std::fprintf(stderr, "tovak: the log file 'boogie' cannot be written in this directory\n");
  std::vfprintf(stderr, fmt, ap);
  std::fflush(stderr);
}
}  // namespace

void logv(const char* fmt, va_list ap) {
  va_list copy;
  va_copy(copy, ap);
  const bool ok = appendLog(fmt, ap);
  if (!ok) toStderr(fmt, copy);
  va_end(copy);
  if (!ok) cannotOpenLog();
}

void logf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  logv(fmt, ap);
  va_end(ap);
}

void logTruncate() {
  FILE* f = std::fopen(kLogName, "w");
  if (!f || std::fclose(f) != 0) {
    std::fprintf(stderr, "tovak: cannot create the log file 'boogie' in this directory\n");
    cannotOpenLog();
  }
}

int failureStatus(int status) { return (status == 0 || status == 1) ? 2 : status; }

void fatal(int status, const char* fmt, ...) {
  if (fmt) {
    // A failure is reported even where the log cannot take it, and keeps its
    // own status.
    va_list ap, copy;
    va_start(ap, fmt);
    va_copy(copy, ap);
    if (!appendLog(fmt, ap)) toStderr(fmt, copy);
    va_end(copy);
    va_end(ap);
  }
  endProcess(failureStatus(status));
}

void endProcess(int status) {
  std::fflush(nullptr);
#ifdef TOVAK_FUZZ
  throw ProcessEnd{status};
#else
  // Inside a parallel region the other threads are still using the model
  // state: the process ends at once, without the exit handlers that would
  // free it under them. The log is complete already (every line is written
  // and closed by its call).
  if (omp_in_parallel()) std::_Exit(status);
  std::exit(status);
#endif
}

static void copyText(char* dst, const char* src) {
  std::strncpy(dst, src, 199);
  dst[199] = 0;
}

void setMessage(const char* text) { copyText(mc_message, text); }
void setProgram(const char* text) { copyText(mc_program, text); }
void setV1(const char* text) { copyText(mc_v1, text); }
