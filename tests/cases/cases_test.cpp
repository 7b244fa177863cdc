// Runs every project directory under tests/cases/ with the real engine and
// checks what its `expect` file asks for:
//   status N          the exit status
//   line <text>       a line of boogie that must be there
//   file <name>       a file the run must have written
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/case_runner.h"

namespace fs = std::filesystem;

namespace {
std::vector<std::string> caseNames() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(TOVAK_CASES_DIR))
    if (e.is_directory() && fs::exists(e.path() / "expect")) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}
}  // namespace

class ProjectCase : public ::testing::TestWithParam<std::string> {};

TEST_P(ProjectCase, RunsAsExpected) {
  fs::path src = fs::path(TOVAK_CASES_DIR) / GetParam();
  CaseDir d;
  for (const auto& e : fs::directory_iterator(src))
    if (e.path().filename() != "expect") fs::copy(e.path(), fs::path(d.path()) / e.path().filename());
  int status = d.run();
  std::ifstream ex(src / "expect");
  for (std::string line; std::getline(ex, line);) {
    if (line.rfind("status ", 0) == 0) {
      EXPECT_EQ(status, std::stoi(line.substr(7))) << d.boogie();
    } else if (line.rfind("line ", 0) == 0) {
      EXPECT_TRUE(d.boogieHas(line.substr(5))) << "missing line: " << line.substr(5) << "\n" << d.boogie();
    } else if (line.rfind("file ", 0) == 0) {
      EXPECT_TRUE(d.exists(line.substr(5))) << "missing file " << line.substr(5);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ProjectCase, ::testing::ValuesIn(caseNames()),
                         [](const auto& info) { return info.param; });
