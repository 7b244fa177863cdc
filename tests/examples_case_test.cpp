// The example project of the README runs to a converged flow and writes its
// result files.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "support/case_runner.h"

namespace {

std::string exampleFile(const std::string& name) {
  std::ifstream in(std::string(TOVAK_SOURCE_DIR) + "/examples/channel/" + name);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
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
