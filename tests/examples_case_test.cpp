// The example projects of examples/ run to a converged flow and write their
// result files; each README shows the pictures of its result.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <map>
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

// The examples that run in full here: every one but the channel, which has
// its own test below, and those whose full run takes minutes, which have
// case tests of their own on reduced grids (below).
const char* const kReducedExamples[] = {"settling-basin", "dredged-trench", "widening-reach"};

std::vector<std::string> otherExamples() {
  std::vector<std::string> out;
  for (const std::string& e : exampleDirs())
    if (e != "channel" && std::find(std::begin(kReducedExamples), std::end(kReducedExamples), e) ==
                              std::end(kReducedExamples))
      out.push_back(e);
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

// ---- The sediment and surface examples on reduced grids ----

namespace {

// The example's control file with the lines that start with a key of
// `replace` replaced by its value (dropped when the value is empty).
std::string reducedControl(const std::string& example, const std::vector<std::pair<std::string, std::string>>& replace) {
  std::istringstream in(exampleFile(example, "control"));
  std::string out;
  for (std::string line; std::getline(in, line);) {
    bool replaced = false;
    for (const auto& [key, value] : replace)
      if (line.rfind(key, 0) == 0) {
        if (!value.empty()) out += value + "\n";
        replaced = true;
        break;
      }
    if (!replaced) out += line + "\n";
  }
  return out;
}

// The example's grid-line file with every `step`-th line along i (and
// across j) kept, the first and the last always, renumbered from 1.
std::string reducedKoosurf(const std::string& example, int stepI, int stepJ) {
  std::istringstream in(exampleFile(example, "koosurf"));
  std::vector<std::vector<std::string>> rows;
  int maxI = 0, maxJ = 0;
  for (std::string line; std::getline(in, line);) {
    std::istringstream w(line);
    std::vector<std::string> cols;
    for (std::string c; w >> c;) cols.push_back(c);
    if (cols.size() != 6) continue;
    maxI = std::max(maxI, std::stoi(cols[0]));
    maxJ = std::max(maxJ, std::stoi(cols[1]));
    rows.push_back(cols);
  }
  auto kept = [](int n, int max, int step) { return (n - 1) % step == 0 || n == max; };
  auto index = [](int n, int max, int step) { return n == max ? (max - 2) / step + 2 : (n - 1) / step + 1; };
  std::string out;
  for (const auto& c : rows) {
    const int i = std::stoi(c[0]), j = std::stoi(c[1]);
    if (!kept(i, maxI, stepI) || !kept(j, maxJ, stepJ)) continue;
    out += std::to_string(index(i, maxI, stepI)) + " " + std::to_string(index(j, maxJ, stepJ)) + " " + c[2] + " " +
           c[3] + " " + c[4] + " " + c[5] + "\n";
  }
  return out;
}

// Writes a sediment example into `dir` on its grid of every other line along
// (the G 1 line given) for 60 steps, without its numbered output, and runs it.
int runReducedSedimentExample(const CaseDir& dir, const std::string& example, const std::string& g1) {
  dir.write("koosurf", reducedKoosurf(example, 2, 1));
  dir.write("control",
            reducedControl(example, {{"G 1 ", g1}, {"K 1 ", "K 1 60"}, {"P 10", ""}, {"F 329", ""}, {"G 24", ""}}));
  return dir.run({"OMP_NUM_THREADS=2", "OMP_WAIT_POLICY=passive"});
}

}  // namespace

// The settling basin (three sizes, letter S) on a grid of 4 m along for one
// hour: the engine's own sums balance (what came in is found in the outflow,
// the suspension and the bed, within 1 %), the trap efficiency 1 - out / in
// lies between 0 and 1, and the basin keeps more of a coarse size than of a
// finer one, since a size that falls faster reaches the bed sooner.
TEST(ExampleCases, TheSettlingBasinTrapsItsSedimentWithBalancedSums) {
  CaseDir dir;
  ASSERT_EQ(runReducedSedimentExample(dir, "settling-basin", "G 1 23 8 8 3"), 1) << dir.boogie();
  // The last balance table: one row per size and the total (size 0).
  const auto rows = sedimentBalanceRows(dir.boogie());
  ASSERT_GE(rows.size(), 4u) << dir.boogie();
  std::vector<std::vector<double>> last(4);
  for (const auto& r : rows) {
    ASSERT_GE(r.size(), 6u);
    const int size = std::stoi(r[0]);
    if (size < 0 || size > 3) continue;
    last[size].clear();
    for (std::size_t k = 1; k < 6; ++k) last[size].push_back(std::stod(r[k]));
  }
  double efficiency[4] = {};
  for (int size = 0; size <= 3; ++size) {
    SCOPED_TRACE("size " + std::to_string(size));
    ASSERT_EQ(last[size].size(), 5u);
    const double in = last[size][0], out = last[size][1], suspension = last[size][2], bed = last[size][4];
    // 5 m3/s at 0.0002 of each size for 3600 s, 2650 kg/m3: 9540 kg a size.
    EXPECT_NEAR(in, size == 0 ? 3 * 9540.0 : 9540.0, 1e-6 * in);
    EXPECT_NEAR(in - out - suspension - bed, 0.0, 0.01 * in);
    efficiency[size] = 1.0 - out / in;
    EXPECT_GT(efficiency[size], 0.0);
    EXPECT_LT(efficiency[size], 1.0);
  }
  EXPECT_GT(efficiency[1], efficiency[2]);
  EXPECT_GT(efficiency[2], efficiency[3]);
}

namespace {

// The columns of the timeo lines (time, then the values), the last line.
std::vector<double> lastTimeoLine(const std::string& text) {
  std::istringstream in(text);
  std::vector<double> last;
  for (std::string line; std::getline(in, line);) {
    std::istringstream w(line);
    std::vector<double> v;
    for (double x; w >> x;) v.push_back(x);
    if (!v.empty()) last = v;
  }
  return last;
}

}  // namespace

// The dredged trench on a grid of 4 m along for one hour: the sand the flow
// carries settles where the water slows over the trench, so the bed at the
// upstream end of its floor (x = 40 m, 0.5 m below the channel bed) rises,
// while the water that leaves the trench carries less than it can and takes
// sand from the bed downstream of it (x = 72 m, at 0 before), which is
// lowered. The bed levels come from the engine's timeo file.
TEST(ExampleCases, TheTrenchFillsFromUpstreamAndTheBedBelowItIsLowered) {
  CaseDir dir;
  // Grid lines of the reduced grid along the middle (j = 3): x = 20, 40, 72 m.
  dir.write("timei", "O 0 3 z 6 3 z 11 3 z 19 3\n");
  ASSERT_EQ(runReducedSedimentExample(dir, "dredged-trench", "G 1 28 8 8 1"), 1) << dir.boogie();
  const std::vector<double> last = lastTimeoLine(dir.read("timeo"));
  ASSERT_EQ(last.size(), 4u) << dir.read("timeo");
  EXPECT_GT(last[0], 3000.0);  // the line of the last step but one
  EXPECT_GT(last[2], -0.5 + 0.05) << "the upstream end of the trench floor";
  EXPECT_LT(last[3], -0.005) << "the bed downstream of the trench";
  EXPECT_LT(last[2], 0.0) << "the trench is not yet full";
}

// The widening reach on a grid of 8 m along for 1000 iterations, its surface
// moved by F 36 21 every 100 and held at the outflow faces: the water levels
// of the last grid-line file it writes (koosurf.NNNN, the water level last on
// each line), averaged across each line. The surface slopes down the narrow
// upstream 40 m by about the friction slope of Manning's formula: 0.6 m2/s
// per metre of width at a depth of 0.62 m and M = 50 give
// S = (0.6 / (50 x 0.62^(5/3)))^2 = 7e-4, 0.028 m over 40 m. Where the reach
// widens (x = 40 to 80 m) the water slows and its level rises again, and the
// inlet stands above the outlet.
TEST(ExampleCases, TheWaterSurfaceOfTheWideningReachSlopesDown) {
  CaseDir dir;
  dir.write("koosurf", reducedKoosurf("widening-reach", 2, 1));
  dir.write("control", reducedControl("widening-reach", {{"G 1 ", "G 1 23 13 12 1"}, {"K 1 ", "K 1 1000 100"},
                                                         {"F 91 ", "F 91 21 6"}, {"G 24", ""}}));
  ASSERT_EQ(dir.run({"OMP_NUM_THREADS=2", "OMP_WAIT_POLICY=passive"}), 1) << dir.boogie();
  std::string last;
  for (int n = 0; n < 100; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "koosurf.%04d", n);
    if (!dir.exists(name)) break;
    last = name;
  }
  ASSERT_FALSE(last.empty()) << dir.boogie();
  // Mean water level of every line i across the reach.
  std::map<int, std::pair<double, int>> level;
  std::istringstream in(dir.read(last));
  for (std::string line; std::getline(in, line);) {
    int i = 0, j = 0;
    double x = 0, y = 0, bed = 0, water = 0;
    if (std::sscanf(line.c_str(), "%d %d %lf %lf %lf %lf", &i, &j, &x, &y, &bed, &water) != 6) continue;
    level[i].first += water;
    level[i].second += 1;
  }
  ASSERT_EQ(level.size(), 21u) << last;
  std::vector<double> mean;
  for (const auto& [i, sum] : level) mean.push_back(sum.first / sum.second);
  EXPECT_GT(mean.front(), mean.back() + 0.005) << "inlet against outlet";
  // Lines 1..6 run along the narrow reach (x = 0..40 m), 6..11 along the widening.
  for (int k = 1; k <= 5; ++k) EXPECT_LT(mean[k], mean[k - 1]) << "line " << k + 1;
  EXPECT_GT(mean[0] - mean[5], 0.3 * 0.028);
  EXPECT_LT(mean[0] - mean[5], 2.0 * 0.028);
  EXPECT_GT(mean[10], mean[5]) << "the level rises where the reach widens";
}
