#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "io/kread.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/options_misc.h"
#include "state/runstate.h"

// A block larger than a test machine should give comes back as null (the
// engine's out-of-memory end) instead of a sanitizer report: a model that
// size is no fault of a reader. Freed blocks wait in a quarantine of 16 MB
// (many inputs' worth of arrays) instead of 256: with the larger one every
// input's arrays came from fresh pages, which cost more than the reading.
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1:max_allocation_size_mb=1024:quarantine_size_mb=16";
}

namespace {

std::string workDir, startDir;

void removeWorkDir() {
  std::error_code ec;
  if (!workDir.empty()) std::filesystem::remove_all(workDir, ec);
}

std::string currentDir() {
  std::error_code ec;
  std::string d = std::filesystem::current_path(ec).string();
  if (ec) fuzz::abortWith("harness", "cannot read the current directory");
  return d;
}

}  // namespace

// Crash inputs are written while the target works in its own directory: an
// artifact prefix that is not absolute is made so (the starting directory
// when none is given), so that they land where the run was started.
//
// The readers run on one thread, and waiting threads sleep instead of
// spinning: several targets run side by side, and the parallel regions of a
// small grid have nothing to share out.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("OMP_NUM_THREADS", "1", 0);
  setenv("OMP_WAIT_POLICY", "passive", 0);
  static std::vector<std::string> args;
  static std::vector<char*> ptrs;
  const std::string here = currentDir() + "/";
  const std::string flag = "-artifact_prefix=";
  bool given = false;
  for (int a = 0; a < *argc; ++a) {
    std::string arg = (*argv)[a];
    if (arg.rfind(flag, 0) == 0) {
      given = true;
      if (arg.size() > flag.size() && arg[flag.size()] != '/') arg = flag + here + arg.substr(flag.size());
    }
    args.push_back(arg);
  }
  if (!given) args.push_back(flag + here);
  for (std::string& s : args) ptrs.push_back(s.data());
  ptrs.push_back(nullptr);
  *argc = static_cast<int>(args.size());
  *argv = ptrs.data();
  return 0;
}

namespace fuzz {

Input::Input() {
  startDir = currentDir();
  if (workDir.empty()) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tovak-fuzz-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) abortWith("harness", "cannot make the working directory");
    workDir = tmpl;
    std::atexit(removeWorkDir);
  }
  if (chdir(workDir.c_str()) != 0) abortWith("harness", "cannot enter the working directory");
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(workDir, ec)) std::filesystem::remove_all(e.path(), ec);
  SetArraysZero();
  setControlDefaults();
  setRunStateInitial();
}

// The arrays are released again after each input, so that every input ends
// with as many blocks freed as allocated and the leak check looks only at
// inputs that lose memory.
Input::~Input() {
  SetArraysZero();
  if (chdir(startDir.c_str()) != 0) abortWith("harness", "cannot return to the starting directory");
}

void smallArrays() {
  MaxCeller = 200, MaxFlater = 400, MaxPunkter = 400, MaxNester = 100, MaxConnFlate = 100;
}

void writeFile(const char* name, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(name, "wb");
  if (!f) abortWith(name, "cannot write the input file");
  const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  std::fclose(f);
  if (!ok) abortWith(name, "cannot write the input file");
}

void writeFile(const char* name, const std::string& text) {
  writeFile(name, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// The log echoes the title of the control file as it stands, so a title that
// holds the word is no error of the engine's; G 50 reports a stage switch
// outside 0..2 and goes on with it, which is the documented behaviour. The
// place line of a reader that stopped at a footer echoes the input line.
void acceptedWithoutError(const char* reader) {
  std::ifstream log("boogie");
  const std::string title = Title + 1;
  for (std::string line; std::getline(log, line);)
    if (line.find("Error") != std::string::npos && line != title && line.rfind("At line ", 0) != 0 &&
        line != "Error for G 50 data set in control file")
      abortWith(reader, "the input was accepted, but the log says: " + line);
}

void abortWith(const char* reader, const std::string& what) {
  std::fprintf(stderr, "tovak fuzz (%s): %s\n", reader, what.c_str());
  std::abort();
}

}  // namespace fuzz
