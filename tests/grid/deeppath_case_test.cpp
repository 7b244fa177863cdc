// The deep path of the grid-split prevention on the real engine: a channel
// whose outlet level lies below a full-width sill, with free-surface moves
// every 20 iterations and the cross-section check of debug letter D at every
// regrid.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/case_runner.h"

namespace {

// 21 x 6 grid lines 1 m apart, bed 0 with a sill of 0.7 m on grid lines
// 10 and 11 across the whole width; water at 1 m upstream and 0.3 m on the
// outlet lines 16..21, where the reference column (21, 4) holds it.
std::string sillKoosurf() {
  std::ostringstream s;
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 6; ++j)
      s << i << " " << j << " " << i - 1 << ".0 " << j - 1 << ".0 " << (i == 10 || i == 11 ? "0.7" : "0.0") << " "
        << (i >= 16 ? "0.3" : "1.0") << "\n";
  return s.str();
}

const std::string kControl =
    "F 2 YW\nG 1 23 8 5 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 1 400 20\nG 6 1 0 0 0.1 1e6\nF 91 21 4\nF 1 D\n";

}  // namespace

// Without grid-split prevention the water over the sill runs off, a
// cross-section of the sill loses its last cell and the run ends with -77;
// with F 371 48 the deep path keeps the sill wet at every regrid.
TEST(DeepPathCase, PathKeepsTheSillWetWhereTheGridWouldSplit) {
  {
    CaseDir run;
    run.write("koosurf", sillKoosurf());
    run.write("control", kControl);
    EXPECT_EQ(run.run({"OMP_WAIT_POLICY=passive"}), 179) << run.boogie();
    EXPECT_NE(run.boogie().find("Error: Grid split for cross-section no "), std::string::npos);
  }
  CaseDir run;
  run.write("koosurf", sillKoosurf());
  run.write("control", kControl + "F 371 48 0 0\n");
  EXPECT_EQ(run.run({"OMP_WAIT_POLICY=passive"}), 1) << run.boogie();
  const std::string log = run.boogie();
  EXPECT_EQ(log.find("Grid split"), std::string::npos) << log;
  EXPECT_EQ(log.find("not available"), std::string::npos) << log;
  EXPECT_NE(log.find("Iter: 400,"), std::string::npos);
}
