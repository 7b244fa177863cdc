// Bed properties per column: roughness (`bedrough`) and angles of repose
// (`bedangle`).
#include <cmath>
#include <cstdio>

#include "grid/geometry.h"
#include "io/gridfiles.h"
#include "state/log.h"
#include "state/scanner.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {
inline bool column(int i, int j) { return i >= 1 && i <= xnumber - 1 && j >= 1 && j <= ynumber - 1; }
}  // namespace

void readBedrough() {
  if (XksWall < 0.0) XksWall = std::pow(26.0 / ManningInit, 6.0);
  if (XksWall < 1e-5) XksWall = 1e-5;
  for (int i = 2; i <= xnumber; ++i)
    for (int j = 2; j <= ynumber; ++j) roughness[i][j] = XksWall;

  char name[64];
  if (FlagMPI != 0 && FlagMPIkoosurf != 1)
    std::snprintf(name, sizeof name, "bedrough.mpi%d", FlagMPI);
  else
    std::snprintf(name, sizeof name, "bedrough");
  Scanner s;
  if (!s.open(name)) {
    char text[200];
    std::snprintf(text, sizeof text, "have not used %s file ", name);
    setMessage(text);
    if (FlagRoughness == 1) fatal(-5, "Error: bedrough file not found when using F 90 1\n\n");
    return;
  }
  const long limit = 5L * xnumber * ynumber;
  int accepted = 0;
  // The end of the file ends the reading; a record that is there but cannot
  // be read ends the run.
  for (long n = 0; n < limit; ++n) {
    s.skipSpace();
    if (s.atEnd()) break;
    const std::size_t at = s.position();
    char letter = 0;
    int ij[2];
    double ks;
    const char* what = "a record is the letter B, the indexes i and j and the roughness";
    if (!s.readChar(letter) || letter != 'B' || s.readInts(ij, 2) != 2 || !s.readDouble(ks)) {
      recordFailed(s, at, name, what, letter == 'B');
      break;
    }
    endOfRecordLine(s, at, name, what);
    if (!column(ij[0], ij[1])) continue;
    roughness[ij[0]][ij[1]] = ks;
    ++accepted;
  }
  logf("Have read %d roughness points from bedrough file\n", accepted);
}

void readBedangle() {
  Scanner s;
  if (!s.open("bedangle")) {
    setMessage("have not used 'bedangle' file ");
    return;
  }
  if (!BrooksUp || !BrooksDown || !BrooksLimit || !Bavalanche) return;
  if (NoBCells == 0) BedMake();
  // The bed cell of column (i, j), 0 for a dry column: element 0 belongs to
  // no bed cell and stays untouched.
  auto bedCell = [](int i, int j) {
    const int c = static_cast<int>(zval[i][j][0]);
    return c >= 1 && c <= NoCells ? Cbed[c] : 0;
  };
  for (int i = 2; i <= xnumber; ++i)
    for (int j = 2; j <= ynumber; ++j) {
      const int b = bedCell(i, j);
      if (b < 1) continue;
      BrooksUp[b] = BedCritTanSlopeUp;
      BrooksDown[b] = BedCritTanSlopeDown;
      BrooksLimit[b] = BedCritMinDamp;
      Bavalanche[b] = AngleAvalanche;
    }
  const double r = 0.01745277777777778;  // 3.1415 / 180, as the stored angles were made with
  const long limit = 5L * xnumber * ynumber;
  int accepted = 0;
  for (long n = 0; n < limit; ++n) {
    s.skipSpace();
    if (s.atEnd()) break;
    const std::size_t at = s.position();
    int ij[2];
    double a[4];
    if (s.readInts(ij, 2) != 2 || s.readDoubles(a, 4) != 4)
      unreadableRecord(s, at, "bedangle", "six numbers are expected: i, j and four angle values");
    if (!column(ij[0], ij[1])) continue;
    const int b = bedCell(ij[0], ij[1]);
    ++accepted;
    if (b < 1) continue;
    BrooksUp[b] = 1.0 / std::tan(a[0] * r);
    BrooksDown[b] = 1.0 / std::tan(a[1] * r);
    BrooksLimit[b] = a[2];
    Bavalanche[b] = std::tan(a[3] * r);
  }
  logf("Have read %d bed angle data sets bedangle file\n", accepted);
  FlagBedAngles = 2;
}
