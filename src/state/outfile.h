// Files the engine writes, checked to the last byte.
//
// A file opened for writing ("w", "wb") is written under "<name>.tmp" and takes
// its own name only when every write and the close have succeeded, so that a
// full disk or a failing device leaves the earlier file of that name as it
// was. A file opened for appending ("a") grows in place; what it held before
// stays. A write that fails (the disk full, the device gone) is found at the
// latest by the close: `closeOutput` then removes the unfinished file, says
// so in `boogie` and ends the run with status kWriteFailed.
#pragma once

#include <cstdio>
#include <string>

// The exit status of a file that could not be written to its end.
constexpr int kWriteFailed = -31;

// Opens `name` for writing or appending; null when it cannot be opened.
std::FILE* openWrite(const std::string& name, const char* mode = "w");

// Flushes and closes a file of openWrite and gives it its name. False when a
// write or the close failed; the unfinished file is removed then. A stream
// that openWrite did not open is closed and checked as well.
bool closeWrite(std::FILE* f);

// closeWrite, and on a failure the message "Error: could not write file
// '<name>' (<reason>)" in `boogie` (on stderr when the log
// cannot be written either) and the end with kWriteFailed.
void closeOutput(std::FILE* f);

// Test hook: the next `n`-th close of a file opened by openWrite fails as if
// the disk were full (0 = off). Counts down across calls.
void failNthClose(int n);
