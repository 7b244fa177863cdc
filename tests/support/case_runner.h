// Runs the real engine in a fresh temporary project directory.
#pragma once

#include <string>
#include <vector>

// The exit codes that scripts/test.sh gives AddressSanitizer (77) and
// UndefinedBehaviorSanitizer (78) reports; the engine itself never ends with them.
constexpr int kAsanExitCode = 77, kUbsanExitCode = 78;
inline bool isSanitizerStatus(int status) { return status == kAsanExitCode || status == kUbsanExitCode; }

// The exit status of an engine run from its wait status (-1 when it did not
// exit); a sanitizer exit code adds a failure to the calling test.
int engineStatus(int waitStatus);

class CaseDir {
 public:
  CaseDir();
  ~CaseDir();
  CaseDir(const CaseDir&) = delete;
  CaseDir& operator=(const CaseDir&) = delete;

  const std::string& path() const { return dir_; }
  // Writes a file into the project directory.
  void write(const std::string& name, const std::string& text) const;
  // Creates a directory inside the project directory.
  void mkdir(const std::string& name) const;
  bool exists(const std::string& name) const;
  std::string read(const std::string& name) const;
  std::string boogie() const { return read("boogie"); }
  std::vector<std::string> boogieLines() const;
  bool boogieHas(const std::string& line) const;

  // Runs the engine there; returns its exit status (or -1 when it did not exit).
  // A sanitizer exit code (77, 78) is a failure of the calling test.
  int run(const std::vector<std::string>& env = {}) const;

 private:
  std::string dir_;
};

// Runs a shell command with its standard error joined to its output; the
// status is its exit status (-1 when it did not exit or could not start).
struct CommandOutput {
  int status = -1;
  std::string text;
};
CommandOutput runCommand(const std::string& cmd);

// A project with just a control file: runs it and returns the status.
struct CaseResult {
  int status;
  std::string boogie;
  bool has(const std::string& text) const { return boogie.find(text) != std::string::npos; }
};
CaseResult runControl(const std::string& control);

// The koosurf file of a straight channel: 21 x 6 grid lines 1 m apart, bed
// at 0 and water at 1 m (20 x 5 columns, which G 1 23 8 holds), or at the
// levels given.
std::string straightChannelKoosurf(double bed = 0.0, double water = 1.0);

// The rows of the per-size balance tables that a sediment run logs ("Size
// Inflow (kg) ..."), each split into its columns: size, inflow, outflow,
// suspension, bed-layer change, bed change, defect, ...
std::vector<std::vector<std::string>> sedimentBalanceRows(const std::string& log);
