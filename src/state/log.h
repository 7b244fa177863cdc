// The log `boogie` and the ends of the process.
//
// Every message of the engine goes through logf: the log is opened for
// appending, written and closed at once, so that the file is complete whatever
// happens next. Only the control-file reader truncates it (logTruncate).
#pragma once

#include <cstdarg>

// Appends a formatted text to `boogie`. When the log cannot be opened the
// status text becomes "cannot open file 'boogie' " and the process ends with
// status -3.
void logf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void logv(const char* fmt, va_list ap);

// Truncates `boogie` (or creates it). Ends with status -3 when that fails.
void logTruncate();

// Maps a failure status to the process exit status: a failure must never look
// like the normal end (1) or letter X (0), so both become 2.
int failureStatus(int status);

// Appends the message (when fmt is not null) and ends the process with the
// failure status (see failureStatus).
[[noreturn]] void fatal(int status, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

// Ends the process with exactly this status (normal end, letter X).
[[noreturn]] void endProcess(int status);

#ifdef TOVAK_FUZZ
// In a fuzz build the process does not end: endProcess (and so fatal and a
// log that cannot be opened) throws this to the harness.
struct ProcessEnd {
  int status;
};
#endif

// Status texts for a front end. Nothing in the engine reads them.
void setMessage(const char* text);   // mc_message
void setProgram(const char* text);   // mc_program
void setV1(const char* text);        // mc_v1: why results were written
