// The reader of `vegdata`: a stream of records, each started by one of the
// letters T, U, V, A, C, N and followed by its numbers in free format; every
// other byte is passed over. The whole file is read.
#include <vector>

#include "state/log.h"
#include "state/scanner.h"
#include "physics/vegetation.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

constexpr const char* kFile = "vegdata";

int bedCellOfColumn(int i, int j) {
  const int c = static_cast<int>(zval[i][j][0]);
  if (c < 1 || c > NoCells) return 0;
  const int b = Cbed[c];
  return b >= 1 && b < bedCellCapacity() ? b : 0;
}

void readIndices(Scanner& s, std::size_t at, int& i, int& j) {
  if (!s.readInt(i) || !s.readInt(j)) unreadableRecord(s, at, kFile, "the column indices i and j are missing");
  if (!inRange(i, 0, xnumber + 1) || !inRange(j, 0, ynumber + 1)) {
    logf("Error in vegdata file: column (%d,%d) lies outside the block grid (i 0..%d, j 0..%d)\n", i, j, xnumber + 1,
         ynumber + 1);
    logRecordPlace(s, at, kFile);
    fatal(-4, nullptr);
  }
}

// Profile of a V or A record: the levels, then the values.
void readProfile(Scanner& s, std::size_t at, int tl, int& i, int& j) {
  readIndices(s, at, i, j);
  const int n = VegLevels;
  std::vector<double> lev(static_cast<std::size_t>(n)), val(static_cast<std::size_t>(n));
  if (s.readDoubles(lev.data(), n) < n) {
    logf("Error for cell (%d,%d) at time %d\n", i, j, VegReadTime + 1);
    logf("Have not read sufficient number of levels\n");
    logRecordPlace(s, at, kFile);
    fatal(-8, nullptr);
  }
  if (s.readDoubles(val.data(), n) < n) {
    logf("Error for cell (%d,%d) at time %d\n", i, j, VegReadTime + 1);
    logf("Have not read sufficient number of vegparam values\n");
    logRecordPlace(s, at, kFile);
    fatal(-8, nullptr);
  }
  s.skipSpace();
  for (int l = 1; l < n; ++l)
    if (!(lev[l] - lev[l - 1] > 1e-10)) {
      logf("Error for cell (%d,%d) at time %d\n", i, j, VegReadTime + 1);
      logf("Levels must be given in rising order\n");
      logf("Lev[%d] = %lf, Lev[%d] = %lf\n", l - 1, lev[l - 1], l, lev[l]);
      fatal(-8, nullptr);
    }
  const int b = bedCellOfColumn(i, j);
  if (b == 0) return;
  for (int l = 0; l < n; ++l) {
    Bveg[b][tl][0][l] = lev[l];
    Bveg[b][tl][1][l] = val[l];
  }
  for (int c = static_cast<int>(zval[i][j][0]), g = 0; c >= 1 && c <= NoCells && g <= NoCells; c = Ccellt[c], ++g)
    Cporosity[c] = vegProfileValue(b, tl, Czcenter[c]);
}

// C and N records: lists of VegLevels numbers, each times porosMultiplier.
void readLists(Scanner& s, std::size_t at, int tl, int lists, int& i, int& j) {
  readIndices(s, at, i, j);
  const int b = bedCellOfColumn(i, j);
  for (int v = 0; v < lists; ++v)
    for (int l = 0; l < VegLevels; ++l) {
      double x;
      if (!s.readDouble(x)) {
        logf("Error in Vegdata file, line i=%d, j=%d, timestep=%d, var=%d, level=%d\n", i, j, VegReadTime, v, l);
        logRecordPlace(s, at, kFile);
        fatal(-7, nullptr);
      }
      if (b > 0) Bveg[b][tl][v][l] = x * porosMultiplier;
    }
}

}  // namespace

void readVegdata() {
  FlagTypeVegdata = 0;
  VegReadTime = -1;
  int includeU = 0;
  Scanner s;
  if (!s.open(kFile)) fatal(-4, "Could not read 'vegdata' file\n\n");
  if (!Bveg || !VegTime || !Cporosity || !zval || !Cbed) fatal(-4, "Error in vegdata file: the vegetation arrays (F 115, F 201) do not exist\n");
  for (int c = 0; c <= NoCells; ++c) Cporosity[c] = 0.0;
  int records = 0, lastI = 0, lastJ = 0;
  char last = ' ';
  for (int ch = s.get(); ch >= 0; ch = s.get()) {
    const std::size_t at = s.position() - 1;
    const int tl = VegReadTime < 0 ? 0 : VegReadTime;
    switch (ch) {
      case 'T': {
        double t;
        if (!s.readDouble(t)) unreadableRecord(s, at, kFile, "the time of a T record is missing");
        if (++VegReadTime >= VegTimes)
          fatal(-4,
                "Error in Vegdata file: number of time steps is larger than what is given on the F 201 data set\n");
        VegTime[VegReadTime] = t;
        break;
      }
      case 'U': {
        int u[3];
        if (s.readInts(u, 3) < 3) unreadableRecord(s, at, kFile, "a U record needs three numbers");
        if (u[0] != VegVars || u[1] != VegLevels || u[2] != VegTimes)
          fatal(-5, "Error in Vegdata file: U data set does not correspond with F 201 data set in control file\n");
        includeU = 1;
        break;
      }
      case 'V':
      case 'A': {
        if (ch == 'V')
          FlagTypeVegdata = FlagTypeVegdata == 0 ? 1 : FlagTypeVegdata == 2 ? 3 : FlagTypeVegdata;
        else if (FlagTypeVegdata != 4)
          FlagTypeVegdata = FlagTypeVegdata == 0 ? 2 : FlagTypeVegdata == 1 ? 3 : FlagTypeVegdata;
        readProfile(s, at, tl, lastI, lastJ);
        ++records;
        break;
      }
      case 'C':
      case 'N': {
        if (ch == 'N')
          FlagTypeVegdata = 4;
        else if (FlagTypeVegdata != 4)
          FlagTypeVegdata = FlagTypeVegdata == 0 ? 2 : FlagTypeVegdata == 1 ? 3 : FlagTypeVegdata;
        readLists(s, at, tl, ch == 'C' ? VegVars + 1 : 2, lastI, lastJ);
        ++records;
        break;
      }
      default:
        break;
    }
    last = static_cast<char>(ch);
  }
  FlagInitPoros = 1;
  if (includeU == 0 && !(VegVars == 1 && VegLevels == 4 && VegTimes == 1))
    fatal(-6, "Error in vegdata file, U data set is missing\n");
  if (debugging == 'D') {
    logf("Have read %d data sets from vegdata file\n", records);
    logf("Last parameters: %c %d %d\n", last, lastI, lastJ);
  }
  if (VegTimes >= 2 && VegReadTime + 1 != VegTimes) {
    logf("Error in vegdata file: %d time steps given, while the\n", VegReadTime + 1);
    fatal(-8, "F 201 data set in the control file specifies %d data sets\n", VegTimes);
  }
}
