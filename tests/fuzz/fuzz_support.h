// The frame every reader's fuzz target shares.
//
// The engine reads fixed file names from the current directory, so each input
// is read in a private temporary directory: an Input object enters it, removes
// the files of the previous input and resets the model state as the unit tests
// do (SetArraysZero, setControlDefaults, setRunStateInitial); it returns to
// the starting directory, releasing the arrays, when it goes out of scope. The target then writes
// the input into the file the reader reads and runs the reader. A refused
// input ends through fatal / endProcess, which in this build throw ProcessEnd
// back to the target instead of ending the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "state/log.h"

namespace fuzz {

class Input {
 public:
  Input();
  ~Input();
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;
};

// Unstructured-array capacities (F 65) for the few cells of a test grid
// (SmallGrid, a grid read from a small `unstruc`): the full default set would
// allocate and clear some 60 MB for every input.
void smallArrays();

// Writes bytes into a file of the working directory.
void writeFile(const char* name, const std::uint8_t* data, std::size_t size);
void writeFile(const char* name, const std::string& text);

// Reports a fault found by a target and aborts, so that libFuzzer keeps the input.
[[noreturn]] void abortWith(const char* reader, const std::string& what);

// A reader that came back without ending the process has accepted its input:
// an "Error" line in `boogie` then is a fault (a failure that would end as
// success).
void acceptedWithoutError(const char* reader);

// Runs a reader. A process end with a failure status (refused input) returns
// here; so does a failure value, for readers that return one (failed(result)
// true). Otherwise the input was accepted and the log must hold no error.
template <class Reader, class Failed>
void run(const char* name, Reader reader, Failed failed) {
  try {
    if (failed(reader())) return;
  } catch (const ProcessEnd& end) {
    if (end.status == 0 || end.status == 1) abortWith(name, "a reader ended the process with a success status");
    return;
  }
  acceptedWithoutError(name);
}

template <class Reader>
void run(const char* name, Reader reader) {
  run(
      name,
      [&] {
        reader();
        return 0;
      },
      [](int) { return false; });
}

}  // namespace fuzz
