// The example projects of examples/ run to a converged flow and write their
// result files; each README shows the pictures of its result.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"

namespace {

const std::string kExamples = std::string(TOVAK_SOURCE_DIR) + "/examples/";

std::string exampleFile(const std::string& example, const std::string& name) {
  std::ifstream in(kExamples + example + "/" + name);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string exampleFile(const std::string& name) { return exampleFile("channel", name); }

// Every directory of examples/, sorted.
std::vector<std::string> exampleDirs() {
  std::vector<std::string> out;
  if (DIR* d = opendir(kExamples.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      struct stat st {};
      if (n[0] != '.' && stat((kExamples + n).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) out.push_back(n);
    }
    closedir(d);
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The examples other than the channel, which has its own test below.
std::vector<std::string> otherExamples() {
  std::vector<std::string> out = exampleDirs();
  out.erase(std::remove(out.begin(), out.end(), "channel"), out.end());
  return out;
}

std::string testName(const testing::TestParamInfo<std::string>& info) {
  std::string n = info.param;
  std::replace(n.begin(), n.end(), '-', '_');
  return n;
}

}  // namespace

TEST(Examples, TheChannelConvergesAndWritesItsResults) {
  CaseDir dir;
  for (const char* name : {"control", "koosurf"}) {
    const std::string text = exampleFile(name);
    ASSERT_FALSE(text.empty()) << name;
    dir.write(name, text);
  }
  ASSERT_EQ(dir.run({"OMP_NUM_THREADS=2", "OMP_WAIT_POLICY=passive"}), 1) << dir.boogie();
  EXPECT_TRUE(dir.boogieHas("Solution converged")) << dir.boogie();
  EXPECT_EQ(dir.boogie().find("Error"), std::string::npos) << dir.boogie();
  for (const char* name : {"result.end", "ParaView3U.vtk", "tecplfe.dat"}) EXPECT_TRUE(dir.exists(name)) << name;
}

// The three examples are there, and the README of the repository lists every
// example directory.
TEST(Examples, TheReadmeListsEveryExample) {
  const std::vector<std::string> dirs = exampleDirs();
  for (const char* required : {"channel", "flume", "rough-channel"})
    EXPECT_NE(std::find(dirs.begin(), dirs.end(), required), dirs.end()) << required;
  std::ifstream in(std::string(TOVAK_SOURCE_DIR) + "/README.md");
  std::ostringstream s;
  s << in.rdbuf();
  const std::string readme = s.str();
  const auto section = readme.find("\n## Examples\n");
  ASSERT_NE(section, std::string::npos);
  for (const std::string& example : dirs)
    EXPECT_NE(readme.find("(examples/" + example + ")", section), std::string::npos) << example;
}

// Each README shows its two pictures by a relative link, and the pictures are
// there and small.
TEST(Examples, EveryReadmeShowsThePicturesOfItsResult) {
  for (const std::string& example : exampleDirs()) {
    SCOPED_TRACE(example);
    const std::string readme = exampleFile(example, "README.md");
    ASSERT_FALSE(readme.empty());
    for (const char* picture : {"velocity_section.png", "velocity_plan.png"}) {
      EXPECT_NE(readme.find(std::string("](") + picture + ")"), std::string::npos) << picture;
      struct stat st {};
      ASSERT_EQ(stat((kExamples + example + "/" + picture).c_str(), &st), 0) << picture;
      EXPECT_GT(st.st_size, 1000) << picture;
      EXPECT_LT(st.st_size, 200 * 1024) << picture;
    }
  }
}

// Every other example runs to a converged flow, with no error, and writes the
// result file and the 3-D VTK file that scripts/render.py draws.
class EveryExample : public testing::TestWithParam<std::string> {};

TEST_P(EveryExample, ConvergesAndWritesTheFilesOfItsPictures) {
  CaseDir dir;
  for (const char* name : {"control", "koosurf"}) {
    const std::string text = exampleFile(GetParam(), name);
    ASSERT_FALSE(text.empty()) << name;
    dir.write(name, text);
  }
  ASSERT_EQ(dir.run({"OMP_NUM_THREADS=2", "OMP_WAIT_POLICY=passive"}), 1) << dir.boogie();
  EXPECT_TRUE(dir.boogieHas("Solution converged")) << dir.boogie();
  EXPECT_EQ(dir.boogie().find("Error"), std::string::npos) << dir.boogie();
  for (const char* name : {"result.end", "ParaView3U.vtk"}) EXPECT_TRUE(dir.exists(name)) << name;
}

INSTANTIATE_TEST_SUITE_P(Examples, EveryExample, testing::ValuesIn(otherExamples()), testName);
