// docs/control.md, the reference of the control file: every data-set row of
// the reader has its entry, and the file is what scripts/control_doc.py makes
// of the rows today.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "io/dataset.h"
#include "support/case_runner.h"

namespace {

const std::string kDoc = std::string(TOVAK_SOURCE_DIR) + "/docs/control.md";

// The headings of the entries ("### F 36", "### S (any number)").
std::set<std::string> headings(const std::string& path) {
  std::set<std::string> out;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);)
    if (line.rfind("### ", 0) == 0) out.insert(line.substr(4));
  return out;
}

std::string heading(const DataSet& d) {
  return std::string(1, d.letter) + (d.number == kAnyNumber ? " (any number)" : " " + std::to_string(d.number));
}

}  // namespace

TEST(ControlDoc, EveryDataSetRowHasItsEntry) {
  const std::set<std::string> have = headings(kDoc);
  ASSERT_FALSE(have.empty()) << kDoc;
  std::set<std::string> rows;
  for (const DataSet* d : allDataSets()) {
    rows.insert(heading(*d));
    EXPECT_TRUE(have.count(heading(*d))) << heading(*d) << " has no entry in docs/control.md";
  }
  // And no entry stands for a data set the reader does not have.
  for (const std::string& h : have) EXPECT_TRUE(rows.count(h)) << h << " is no data set of the reader";
}

// The file is the script's output for the rows of this build: a changed
// default, range or message (or a new row) without a new docs/control.md
// fails here.
TEST(ControlDoc, TheFileIsWhatTheRowsGive) {
  const CommandOutput o =
      runCommand("/usr/bin/python3 '" + std::string(TOVAK_SOURCE_DIR) + "/scripts/control_doc.py' --check '" TOVAK_DATASETS_BIN "'");
  EXPECT_EQ(o.status, 0) << o.text;
}
