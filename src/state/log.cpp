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
}  // namespace

void logv(const char* fmt, va_list ap) {
  FILE* f = std::fopen(kLogName, "a");
  if (!f) cannotOpenLog();
  std::vfprintf(f, fmt, ap);
  std::fclose(f);
}

void logf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  logv(fmt, ap);
  va_end(ap);
}

void logTruncate() {
  FILE* f = std::fopen(kLogName, "w");
  if (!f) cannotOpenLog();
  std::fclose(f);
}

int failureStatus(int status) { return (status == 0 || status == 1) ? 2 : status; }

void fatal(int status, const char* fmt, ...) {
  if (fmt) {
    va_list ap;
    va_start(ap, fmt);
    logv(fmt, ap);
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

void notAvailable(const char* what) {
  fatal(2, "Error: %s is not available in this build\n", what);
}

static void copyText(char* dst, const char* src) {
  std::strncpy(dst, src, 199);
  dst[199] = 0;
}

void setMessage(const char* text) { copyText(mc_message, text); }
void setProgram(const char* text) { copyText(mc_program, text); }
void setV1(const char* text) { copyText(mc_v1, text); }
