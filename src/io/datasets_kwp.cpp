// K, W and P data sets.
//
// The letters K, W and P read their number with " %d ", so the values start at
// the first byte that is not white space. Messages are the data sets' own.
#include <cstring>

#include "io/dataset.h"
#include "state/log.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

// ---- K: solver control per equation -------------------------------------

// K 3 to K 6: entries 1..6 of one per-equation table, read one at a time and
// each tested right after its read. K 3 requires every value; for K 4 to K 6
// a value that does not convert keeps the entry it had, which is then tested.
void readEquationTable(DataSetRead& d) {
  for (int e = 1; e <= 6; ++e) {
    switch (d.number) {
      case 3:
        if (!d.s.readDouble(relax[e]) || relax[e] < 0 || relax[e] > 5) d.refuse();
        break;
      case 4:
        d.s.readInt(sweeps[e]);
        if (sweeps[e] < 0 || sweeps[e] > 200) d.refuse();
        break;
      case 5:
        d.s.readInt(blockcorr[e]);
        if (blockcorr[e] < 0 || blockcorr[e] > 20) d.refuse();
        break;
      case 6:
        d.s.readInt(sou[e]);
        if (sou[e] < 0 || sou[e] > 100) d.refuse();
        break;
    }
  }
}

void relaxDefault() {
  for (double& r : relax) r = 0.0;
  relax[1] = relax[2] = relax[3] = 0.8;
  relax[4] = 0.2;
  relax[5] = relax[6] = 0.5;
}

void sweepsDefault() {
  for (int& n : sweeps) n = 1;
  sweeps[4] = 5;
}

void blockcorrDefault() { std::memset(blockcorr, 0, sizeof blockcorr); }
void souDefault() { std::memset(sou, 0, sizeof sou); }

// ---- W: water level, discharge, block-grid records ------------------------

void levelGiven(DataSetRead&) { W1Given = 1; }
void levelNotGiven() { W1Given = 0; }

// Grid lines of W 2: a count, then that many lines, each within the grid and
// none below the one before it. The list holds entries 1..299.
void readInitLines(DataSetRead& d) {
  d.s.readInt(initnumber);
  if (initnumber < 0 || initnumber >= kInitArraySize) d.refuse();
  for (int k = 1; k <= initnumber; ++k) {
    d.s.readInt(initarray[k]);
    if (initarray[k] < 1 || initarray[k] > xnumber || initarray[k] < initarray[k - 1]) d.refuse();
  }
}

void initLinesDefault() {
  initnumber = 0;
  std::memset(initarray, 0, sizeof initarray);
}

void readWallPatch(DataSetRead& d) {
  ++MWallNo;
  if (MWallNo >= kMaxWallPatches)
    d.refuseWith(1, "Input error for W 4 in control\nMWallNo = %d, too large\n", MWallNo);
  const int n = MWallNo;
  WallPatch& w = MWall[n];
  int* fields[7] = {&w.dir, &w.posneg, &w.node, &w.first1, &w.last1, &w.first2, &w.last2};
  for (int* f : fields)
    if (!d.s.readInt(*f)) break;

  if (w.dir < 1 || w.dir > 3) d.refuseWith(1, "Input error for W 4 in control\nMWall(%d).dir = %d\n", n, w.dir);
  if (w.posneg < -1 || w.posneg > 1)
    d.refuseWith(1, "Input error for W 4 in control\nMWall(%d).posneg = %d\n", n, w.posneg);
  if (w.first1 < 1 || w.first2 < 1 || w.first1 > w.last1 || w.first2 > w.last2)
    d.refuseWith(1, "Input error for W 4 in control\nA-MWall(%d)\n", n);
  int g[3];
  wallPatchLimits(w.dir, g);
  if (w.node < 1 || w.node > g[0]) d.refuseWith(1, "Input error for W 4 in control\nA-MWall(%d).node = %d\n", n, w.node);
  if (w.last1 > g[1] || w.last2 > g[2]) d.refuseWith(1, "Input error for W 4 in control\nB-MWall(%d)\n", n);
}

}  // namespace

void wallPatchLimits(int dir, int limits[3]) {
  const int sizes[4][3] = {{0, 0, 0}, {xnumber, ynumber, znumber}, {ynumber, xnumber, znumber},
                           {znumber, xnumber, ynumber}};
  const int* g = sizes[dir >= 1 && dir <= 3 ? dir : 0];
  for (int k = 0; k < 3; ++k) limits[k] = g[k];
}

namespace {

void wallPatchesDefault() {
  MWallNo = 0;
  std::memset(MWall, 0, sizeof MWall);
}

void readFixedPoint(DataSetRead& d) {
  ++FastNo;
  if (FastNo >= MaxFastPoints) d.refuseWith(1, "Error, too many W 6 data sets\n");
  if (d.s.readInt(iFast[FastNo])) d.s.readInt(jFast[FastNo]);
  int i = iFast[FastNo], j = jFast[FastNo];
  if (i < 0 || j < 0 || i > xnumber || j > ynumber)
    d.refuseWith(1, "Input error for W 6 in control: fixed point %d outside the grid\n", FastNo);
}

void fixedPointsDefault() {
  FastNo = 0;
  std::memset(iFast, 0, sizeof iFast);
  std::memset(jFast, 0, sizeof jFast);
}

// The file gives type, i and j, then strength and decay.
void readAttraction(DataSetRead& d) {
  ++AttractNo;
  if (AttractNo > kMaxAttractions) d.refuseWith(1, "Error, too many W 7 data sets\n");
  AttractRecord& a = Attract[AttractNo];
  if (d.s.readInt(a.type) && d.s.readInt(a.i)) d.s.readInt(a.j);
  if (a.i < 0 || a.j < 0 || a.i > xnumber || a.j > ynumber || a.type < 0 || a.type > 3)
    d.refuseWith(1, "Integer error, for data set W 7, %d\n", AttractNo);
  if (d.s.readDouble(a.strength)) d.s.readDouble(a.decay);
}

void attractionsDefault() {
  AttractNo = 0;
  std::memset(Attract, 0, sizeof Attract);
}

// ---- P: printing and plotting ------------------------------------------

void checkPlotPlane(DataSetRead& d) {
  if (xnode < 1 || ynode < 0 || ynode > ynumber + 1 || znode < 1 || znode > znumber + 1 || lnode < 0 ||
      lnode > lnumber)
    d.refuse();
}

void checkPlotLimits(DataSetRead& d) {
  if (OGLmin > OGLmax) d.refuse();
  OGLminmax = 1;
}

// P 12 (cross sections) and P 13 (longitudinal sections): start, count, then
// the count's grid lines, each tested right after its read.
void readPlotList(DataSetRead& d) {
  const bool cross = d.number == 12;
  int& start = cross ? PlotCrossStart : PlotLongStart;
  int& count = cross ? PlotCrossNo : PlotLongNo;
  int* list = cross ? PlotCross : PlotLong;
  int got = 0;
  if (d.s.readInt(start)) {
    ++got;
    if (d.s.readInt(count)) ++got;
  }
  if (got != 2 || start < 1 || count > kMaxPlotLines) d.refuseWith(1, "Error 1 reading P %d data set\n", d.number);
  for (int k = 1; k <= count; ++k) {
    bool ok = d.s.readInt(list[k]);
    d.s.skipSpace();
    if (!ok || list[k] < 1 || list[k] > 10000) d.refuseWith(1, "Error 2 reading P %d data set\n", d.number);
  }
}

void plotListsDefault() {
  std::memset(PlotCross, 0, sizeof PlotCross);
  std::memset(PlotLong, 0, sizeof PlotLong);
}

void checkPrintWindow(DataSetRead& d) {
  if (PrintIEnd > xnumber + 1 || PrintJEnd > ynumber + 1) d.refuse();
}

// One record per data set; the file gives i1, i2, istep, j1, j2, jstep.
void readVelocityBox(DataSetRead& d) {
  ++NoVProfiles;
  if (NoVProfiles >= kMaxVProfiles) d.refuseWith(-99, "Error for reading P 17 data set no. %d\n\n", NoVProfiles);
  VelocityBox& b = VProfiles[NoVProfiles];
  int* fields[6] = {&b.i1, &b.i2, &b.istep, &b.j1, &b.j2, &b.jstep};
  int got = 0;
  for (int* f : fields) {
    if (!d.s.readInt(*f)) break;
    ++got;
  }
  if (got != 6 || b.i1 > b.i2 || b.j1 > b.j2)
    d.refuseWith(-99, "Error for reading P 17 data set no. %d\n\n", NoVProfiles);
}

void velocityBoxesDefault() {
  NoVProfiles = 0;
  std::memset(VProfiles, 0, sizeof VProfiles);
}

// Cross sections written with the interpolated results.
void readCrossPrint(DataSetRead& d) {
  if (!d.s.readInt(NoCrossPrint) || NoCrossPrint < 1 || NoCrossPrint >= kMaxCrossPrint)
    d.refuseWith(-99, "Error for P 18 data set in control file\n\n");
  for (int k = 1; k <= NoCrossPrint; ++k)
    if (!d.s.readInt(CrossPrint[k]) || CrossPrint[k] <= 0 || CrossPrint[k] >= xnumber - 2)
      d.refuseWith(-99, "Error for number %d on P 18 data set in control file\n\n", k);
}

void crossPrintDefault() {
  NoCrossPrint = 0;
  std::memset(CrossPrint, 0, sizeof CrossPrint);
}

}  // namespace

std::vector<DataSet> datasetsKWP() {
  return {
      // K
      {.letter = 'K', .number = 1, .values = {I(iterGlobalMax, 40000), I(IterSurface, 50000)}},
      {.letter = 'K', .number = 2, .values = {I(FlagWall, 0), I(FlagRoof, 1)}, .bounds = {range(0, 0, 1), range(1, 0, 1)},
       .message = "Input error for K 2 in control"},
      {.letter = 'K', .number = 3, .message = "Input error for K 3 in control", .reader = readEquationTable,
       .defaults = relaxDefault},
      {.letter = 'K', .number = 4, .message = "Input error for K 4 in control", .reader = readEquationTable,
       .defaults = sweepsDefault},
      {.letter = 'K', .number = 5, .message = "Input error for K 5 in control", .reader = readEquationTable,
       .defaults = blockcorrDefault},
      {.letter = 'K', .number = 6, .message = "Input error for K 6 in control", .reader = readEquationTable,
       .defaults = souDefault},

      // W
      {.letter = 'W', .number = 1, .values = {D(ManningInit, 50.0), D(discharge, 1.0), D(level, 1.0)},
       .bounds = {range(0, 1, 1800), range(1, 1e-10, 1e15), atMost(2, 10000)},
       .message = "Input error for W 1 in control", .after = levelGiven, .defaults = levelNotGiven},
      {.letter = 'W', .number = 2, .message = "Input error for W 2 in control", .reader = readInitLines,
       .defaults = initLinesDefault},
      {.letter = 'W', .number = 4, .reader = readWallPatch, .defaults = wallPatchesDefault},
      {.letter = 'W', .number = 6, .reader = readFixedPoint, .defaults = fixedPointsDefault},
      {.letter = 'W', .number = 7, .reader = readAttraction, .defaults = attractionsDefault},

      // P
      {.letter = 'P', .number = 2,
       .values = {D(xscale, 1.0), D(yscale, 1.0), D(zscale, 1.0), D(movex, 0), D(movey, 0)}},
      {.letter = 'P', .number = 3, .values = {I(xnode, 2), I(ynode, 2), I(znode, 2), I(lnode, 1)},
       .message = "Input error for P 3 in control", .after = checkPlotPlane},
      {.letter = 'P', .number = 4, .values = {C(graph, 'g')}},
      {.letter = 'P', .number = 5, .values = {I(OGLindex, 0)}},
      {.letter = 'P', .number = 6, .values = {D(OGLmin, 0), D(OGLmax, 0)}, .required = 2,
       .message = "Input error for P 6 in control", .after = checkPlotLimits, .defaults = [] { OGLminmax = 0; }},
      {.letter = 'P', .number = 7, .values = {C(VerHorPar, 0)}},
      {.letter = 'P', .number = 8, .values = {I(FlagGraphAvg, 0)}},
      {.letter = 'P', .number = 9, .values = {I(PrintComp, 0)}},
      {.letter = 'P', .number = 10, .values = {I(PrintRes, 0)}},
      {.letter = 'P', .number = 11, .values = {I(PrintSpecials, 0)}},
      {.letter = 'P', .number = 12, .values = {I(PlotCrossStart, 0), I(PlotCrossNo, 0)}, .reader = readPlotList,
       .defaults = plotListsDefault},
      {.letter = 'P', .number = 13, .values = {I(PlotLongStart, 0), I(PlotLongNo, 0)}, .reader = readPlotList},
      {.letter = 'P', .number = 14, .values = {D(TimeTimerPrint, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error reading P 14 data set\n"},
      {.letter = 'P', .number = 15, .values = {I(PrintResAlways, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error reading P 15 data set\n"},
      {.letter = 'P', .number = 16, .values = {I(PrintIStart, 0), I(PrintIEnd, 0), I(PrintJStart, 0), I(PrintJEnd, 0)},
       .bounds = {atLeast(0, -1), atLeast(2, 1)}, .required = 4, .message = "Error reading P 16 data set\n",
       .after = checkPrintWindow},
      {.letter = 'P', .number = 17, .reader = readVelocityBox, .defaults = velocityBoxesDefault},
      {.letter = 'P', .number = 18, .reader = readCrossPrint, .defaults = crossPrintDefault},
  };
}
