// Terrain points from the five terrain-file forms, and the log boogie.bed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/terrain.h"
#include "state/alloc.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/terrain.h"
#include "support/in_dir.h"
#include "support/terrain_grid.h"

namespace {
struct Point {
  double x, y, z;
};
std::vector<Point> points() {
  std::vector<Point> p;
  for (int k = 0; k < NoGeo; ++k) p.push_back({xg[k], yg[k], zg[k]});
  return p;
}
}  // namespace

// Each form gives its points from index 0 in file order; only geodata is
// scaled by F 225 (x, y and z alike).
TEST(ReadGeodata, FormsScalingAndFileOrder) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, std::string>> files;
    double mult, add;
    std::vector<Point> expect;
  };
  const Case cases[] = {
      {"Z after the fifth record", {{"geodata", "E 1 1 1\nE 2 2 2\nE 3 3 3\nE 4 4 4\nE 5 5 5\nZ\nE 6 6 6\n"}}, 1, 0,
       {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}, {5, 5, 5}}},
      {"F 225 2 10", {{"geodata", "E 1 2 3\n"}}, 2, 10, {{12, 14, 16}}},
      {"numbers over lines, S line and other bytes passed over",
       {{"geodata", "title\nS 9 9 9 9\nE 1\n 2\n\t3 x E 4 5 6"}}, 1, 0, {{1, 2, 3}, {4, 5, 6}}},
      {"a byte 0xFF does not end the file", {{"geodata", "E 1 2 3\n\xff\nE 4 5 6\n"}}, 1, 0, {{1, 2, 3}, {4, 5, 6}}},
      {"geodatk numbered from 1, unscaled", {{"geodatk", "1,10.5,20,3.25,\n2,11,21,4,\n"}}, 2, 10,
       {{10.5, 20, 3.25}, {11, 21, 4}}},
      {"geodatk without the last comma", {{"geodatk", "7,1,2,3\n"}}, 1, 0, {{1, 2, 3}}},
      {"geodatm", {{"geodatm", "1,2,3\n4.5,5,-6\n"}}, 1, 0, {{1, 2, 3}, {4.5, 5, -6}}},
      {"geodatn", {{"geodatn", "1 2 3\n4 5 6\n\n"}}, 1, 0, {{1, 2, 3}, {4, 5, 6}}},
      {"geodata before geodatn", {{"geodatn", "7 8 9\n"}, {"geodata", "E 1 2 3\n"}}, 1, 0, {{1, 2, 3}}},
      {"geodatk before geodatm", {{"geodatm", "7,8,9\n"}, {"geodatk", "1,1,2,3,\n"}}, 1, 0, {{1, 2, 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InProjectDir p;
    setRecordsInitial();
    ScaleGeodataMult = c.mult;
    ScaleGeodataAdd = c.add;
    for (const auto& f : c.files) p.dir().write(f.first, f.second);
    EXPECT_EQ(readGeodata(), 0.0);
    ASSERT_EQ(NoGeo, static_cast<int>(c.expect.size()));
    const std::vector<Point> got = points();
    for (std::size_t k = 0; k < got.size(); ++k) {
      EXPECT_DOUBLE_EQ(got[k].x, c.expect[k].x) << k;
      EXPECT_DOUBLE_EQ(got[k].y, c.expect[k].y) << k;
      EXPECT_DOUBLE_EQ(got[k].z, c.expect[k].z) << k;
      EXPECT_EQ(ig[k], 0);
    }
    const std::string log = p.dir().read("boogie.bed");
    EXPECT_NE(log.find("Number of points in geodata file: " + std::to_string(c.expect.size()) + "\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("Number of points read from geodata file: " + std::to_string(c.expect.size()) + "\n"),
              std::string::npos)
        << log;
  }
}

// A file without points: the arrays hold 5002 zeros and the log tells what
// the counting pass saw last; a second reading after the file was filled
// reads the points into new arrays.
TEST(ReadGeodata, FileWithoutPointsAndReadingAgain) {
  InProjectDir p;
  p.dir().write("geodata", "no points here Z");
  EXPECT_EQ(readGeodata(), 0.0);
  EXPECT_EQ(NoGeo, 0);
  ASSERT_NE(xg, nullptr);
  EXPECT_EQ(xg[5001], 0.0);
  const std::string log = p.dir().read("boogie.bed");
  EXPECT_NE(log.find("\nProbable error in geodata file. Last read charachter: Z\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Last read -1 number of floating points.\n"), std::string::npos) << log;

  std::string many;
  for (int k = 0; k < 6000; ++k) many += "E " + std::to_string(k) + " 1 2\n";
  p.dir().write("geodata", many);
  EXPECT_EQ(readGeodata(), 0.0);
  ASSERT_EQ(NoGeo, 6000);
  EXPECT_EQ(xg[5999], 5999.0);
  EXPECT_EQ(zg[6000 + 5001], 0.0);
  // The log is emptied by every reading.
  EXPECT_EQ(p.dir().read("boogie.bed").find("Probable"), std::string::npos);
}

TEST(ReadGeodata, NoFileNoLogAndNoMemory) {
  {
    InProjectDir p;
    EXPECT_EQ(readGeodata(), -2.0);
    EXPECT_EQ(NoGeo, 0);
    EXPECT_EQ(xg, nullptr);
    EXPECT_EQ(p.dir().read("boogie.bed"), "Could not open file geodata/geodatk/geodatm\n");
  }
  {
    InProjectDir p;
    FlagMPI = 3;
    p.dir().write("geodata", "E 1 2 3\n");
    EXPECT_EQ(readGeodata(), -2.0);
    EXPECT_EQ(p.dir().read("boogie.bed"), "Could not open file geodata\n");
    p.dir().write("geodata.mpi3", "E 1 2 3\nE 4 5 6\n");
    EXPECT_EQ(readGeodata(), 0.0);
    EXPECT_EQ(NoGeo, 2);
  }
  {
    InProjectDir p;
    p.dir().mkdir("boogie.bed");
    p.dir().write("geodata", "E 1 2 3\n");
    EXPECT_EQ(readGeodata(), -1.0);
    EXPECT_EQ(NoGeo, 0);
  }
  {
    // Room for three of the four arrays: the result is the bytes of the
    // fourth, no array is held and no point counts.
    InProjectDir p;
    p.dir().write("geodata", "E 1 2 3\nE 4 5 6\n");
    const std::size_t n = 2 + 5002;
    alloc::setMemoryLimit(alloc::liveBytes() + 3 * n * sizeof(double) + 16);
    const double r = readGeodata();
    alloc::setMemoryLimit(0);
    EXPECT_EQ(r, static_cast<double>(n * sizeof(int)));
    EXPECT_EQ(NoGeo, 0);
    EXPECT_EQ(xg, nullptr);
    EXPECT_EQ(ig, nullptr);
  }
}

// The raster defines the grid when there are no blocks yet.
TEST(ReadGeodata, RasterDefinesTheGrid) {
  InProjectDir p;
  setRecordsInitial();
  xnumber = 6, ynumber = 7, znumber = 3;
  ASSERT_EQ(sialloc(), 0);
  p.dir().write("vastrin",
                "3 4\n"
                "0 10 20 30\n"
                "100 1 2 3 4\n"
                "110 5 6 7 8\n"
                "120 9 10 11 12\n");
  EXPECT_EQ(readGeodata(), 0.0);
  ASSERT_EQ(NoGeo, 12);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) {
      const int k = 4 * r + c;
      EXPECT_EQ(xg[k], 100.0 + 10 * r) << k;
      EXPECT_EQ(yg[k], 10.0 * c) << k;
      EXPECT_EQ(zg[k], k + 1.0) << k;
      EXPECT_EQ(xval[r + 1][c + 1], 100.0 + 10 * r);
      EXPECT_EQ(yval[r + 1][c + 1], 10.0 * c);
      EXPECT_EQ(zval[r + 1][c + 1][1], k + 1.0);
    }
  EXPECT_EQ(NoBlocks, 1);
  EXPECT_EQ(block[1].i1, 2);
  EXPECT_EQ(block[1].i2, 3);
  EXPECT_EQ(block[1].j1, 2);
  EXPECT_EQ(block[1].j2, 4);
  EXPECT_EQ(block[1].bedFlag, 1);
  EXPECT_NE(p.dir().read("boogie.bed").find("Number of points read from geodata file: 12\n"), std::string::npos);
}

// On a grid that has blocks the raster gives points only: the grid lines
// keep their coordinates.
TEST(ReadGeodata, RasterLeavesAnExistingGridAlone) {
  InProjectDir p;
  TerrainGrid{}.build();
  p.dir().write("vastrin", "1 2\n50 60\n7 1 2\n");
  EXPECT_EQ(readGeodata(), 0.0);
  ASSERT_EQ(NoGeo, 2);
  EXPECT_EQ(yg[1], 60.0);
  EXPECT_EQ(yval[1][1], 0.0);
  EXPECT_EQ(yval[1][2], 10.0);
  EXPECT_EQ(xval[1][1], 0.0);
  EXPECT_EQ(NoBlocks, 1);
}

// Raster errors end the run with status -1 (255) and their line in both logs.
TEST(ReadGeodataDeath, RasterErrors) {
  struct Case {
    const char* name;
    const char* file;
    const char* line;
  };
  const Case cases[] = {
      {"no sizes", "x 3\n", "Error reading file, two integers are required initially"},
      {"short first line", "2 3\n1 2\n", "Error reading file, first line, j=3"},
      {"row without x", "2 1\n5\n1 1\n", "Error reading file, first number line, j=2"},
      {"short row", "2 2\n5 6\n1 1 1\n2 2\n", "Error reading file, line 2, number, 2"},
      {"larger than the block grid", "5 2\n1 2\n", "The two first integers on the G 1 data set should be at least 7 4"},
      {"no rows", "0 2\n", "a raster of 0 rows and 2 values per row cannot be read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InProjectDir p;
    setRecordsInitial();
    xnumber = 6, ynumber = 5, znumber = 3;
    ASSERT_EQ(sialloc(), 0);
    p.dir().write("vastrin", c.file);
    EXPECT_EXIT(readGeodata(), ::testing::ExitedWithCode(255), "");
    EXPECT_NE(p.dir().read("boogie.bed").find(c.line), std::string::npos) << p.dir().read("boogie.bed");
    EXPECT_NE(p.dir().boogie().find(c.line), std::string::npos) << p.dir().boogie();
  }
}

// A record that is there but cannot be read ends the run with its line
// instead of ending the points there.
TEST(ReadGeodataDeath, UnreadableRecords) {
  struct Case {
    const char* file;
    const char* text;
    const char* what;
  };
  const Case cases[] = {
      {"geodata", "E 1 2 3\nE 4 x 6\nE 7 8 9\n", "line 2"},
      {"geodatm", "1,2,3\n4;5;6\n", "line 2"},
      {"geodatk", "1,1,2,3,\n2 1 2 3\n", "line 2"},
      {"geodatn", "1 2 3\n4 5\n", "line 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    InProjectDir p;
    p.dir().write(c.file, c.text);
    EXPECT_EXIT(readGeodata(), ::testing::ExitedWithCode(2), "");
    const std::string log = p.dir().boogie();
    EXPECT_NE(log.find(std::string("Error in reading ") + c.file + " file: " + c.what), std::string::npos) << log;
  }
}
