#include "support/case_runner.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

CaseDir::CaseDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "tovak-case-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("cannot create a temporary directory");
  dir_ = tmpl;
}

CaseDir::~CaseDir() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

void CaseDir::write(const std::string& name, const std::string& text) const {
  std::ofstream f(dir_ + "/" + name, std::ios::binary);
  f << text;
}

void CaseDir::mkdir(const std::string& name) const { std::filesystem::create_directory(dir_ + "/" + name); }

bool CaseDir::exists(const std::string& name) const { return std::filesystem::exists(dir_ + "/" + name); }

std::string CaseDir::read(const std::string& name) const {
  std::ifstream f(dir_ + "/" + name, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

std::vector<std::string> CaseDir::boogieLines() const {
  std::vector<std::string> lines;
  std::istringstream in(boogie());
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

bool CaseDir::boogieHas(const std::string& line) const {
  for (const std::string& l : boogieLines())
    if (l == line) return true;
  return false;
}

int CaseDir::run(const std::vector<std::string>& env) const {
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir_.c_str()) != 0) _exit(127);
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    execl(TOVAK_BIN, TOVAK_BIN, static_cast<char*>(nullptr));
    _exit(127);
  }
  int st = 0;
  waitpid(pid, &st, 0);
  return engineStatus(st);
}

int engineStatus(int waitStatus) {
  const int status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
  // A sanitizer report inside the engine fails the test whatever status the
  // test expects.
  if (isSanitizerStatus(status))
    ADD_FAILURE() << "the engine ended with status " << status << ", the exit code of a sanitizer report";
  return status;
}

CaseResult runControl(const std::string& control) {
  CaseDir d;
  d.write("control", control);
  int st = d.run();
  return {st, d.boogie()};
}

std::string straightChannelKoosurf(double bed, double water) {
  std::ostringstream s;
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 6; ++j) s << i << " " << j << " " << i - 1 << ".0 " << j - 1 << ".0 " << bed << " " << water << "\n";
  return s.str();
}

std::vector<std::vector<std::string>> sedimentBalanceRows(const std::string& log) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(log);
  std::string line;
  int left = 0;
  while (std::getline(in, line)) {
    if (line.rfind("Size   Inflow", 0) == 0) {
      left = -1;
      continue;
    }
    if (left == 0) continue;
    std::istringstream w(line);
    std::vector<std::string> cols;
    for (std::string c; w >> c;) cols.push_back(c);
    // The table ends at the first line that does not start with a size.
    if (cols.empty() || cols[0].find_first_not_of("0123456789") != std::string::npos) {
      left = 0;
      continue;
    }
    rows.push_back(cols);
  }
  return rows;
}

CommandOutput runCommand(const std::string& cmd) {
  CommandOutput out;
  FILE* p = popen((cmd + " 2>&1").c_str(), "r");
  if (!p) return out;
  char buf[4096];
  while (std::fgets(buf, sizeof buf, p)) out.text += buf;
  const int w = pclose(p);
  out.status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
  return out;
}
