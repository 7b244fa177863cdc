// Names of files written in series.
//
// A writer that must not overwrite its earlier output takes the first free
// name stem + counter + ending, the counter written in decimal with leading
// zeros to at least `width` digits. The search starts at 0 at every call, so
// a gap left by a deleted file is filled first; nothing is remembered between
// calls.
#pragma once

#include <string>

// The largest counter of a series.
constexpr int kLastFileCounter = 999998;

// stem + counter (at least `width` digits, zero-padded) + ending.
std::string numberedName(const std::string& stem, int counter, int width, const std::string& ending);

// True when anything of this name exists in the working directory (a file
// that cannot be read, a directory, a dangling link): such a name is taken.
bool fileNameTaken(const std::string& name);

// The first numbered name that is not taken, trying 0, 1, ... up to `last`.
// When every name is taken the name of `last` is returned, so that the newest
// output replaces that file.
std::string findFreeFileName(const std::string& stem, int width, const std::string& ending,
                             int last = kLastFileCounter);
