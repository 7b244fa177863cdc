// After the first pass over the control file: defaults that depend on other
// inputs, the thread count, the combination checks, the block-grid arrays,
// the B data sets (second pass), the outblocked columns, the default block
// grid and the side files.
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "io/dataset.h"
#include "io/kread.h"
#include "state/log.h"
#include "state/scanner.h"
#include "io/sidefiles.h"
#include "io/terrain.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// Level default from the terrain points of `geodata` when no W 1 data set
// was given: the water 1 m above the highest point, the level table from the
// lowest to the highest point. A file without a single point changes nothing;
// a point record that cannot be read ends the run.
void levelFromTerrain() {
  if (W1Given) return;
  Scanner s;
  if (!s.open("geodata")) return;
  double zmax = -1e20, zmin = 1e20;
  long points = 0;
  double v[3];
  for (; points < 10000000 && nextTerrainPoint(s, "geodata", v); ++points) {
    zmax = std::max(zmax, v[2]);
    zmin = std::min(zmin, v[2]);
  }
  if (points == 0) return;
  level = zmax + 1.0;
  for (int k = 0; k <= 10; ++k) zdistrib[1 + k] = zmin + k * (zmax - zmin) / 10.0;
}

void setThreadCount() {
  // F 206 has set the count when it was given; 0 means one thread.
  if (NoProcessesSolver == 0) {
    omp_set_num_threads(1);
    omp_set_dynamic(0);
  }
  logf("Number of threads: %d (F 206)\n", NoProcessesSolver);
}

// Without N data sets a grain-size fraction file stands for them.
void fractionFileInsteadOfN() {
  if (FlagReadNdata != 0) return;
  char name[64];
  if (FlagMPI != 0)
    std::snprintf(name, sizeof name, "fracres.mpi%d", FlagMPI);
  else
    std::snprintf(name, sizeof name, "fracres");
  if (FILE* f = std::fopen(name, "r")) {
    FlagReadNdata = -1;
    std::fclose(f);
  }
}

// Combinations refused or warned about before the block grid is allocated.
void checkCombinationsFirst() {
  if (FlagTriangleAlgo == 5 && UMethod2 == 0) fatal(0, "Error in control file: F 493 5 is only used with F 488 > 0\n\n");
  if (FlagTriangleAlgo == 0 && UMethod2 > 0) logf("Warning!! F 448 has only been tested with F 493 5.\n\n");
  if (FlagReadNdata == 0 && FlagTSC > 0 && lnumber > 1)
    fatal(0,
          "For sediment computations (F 37) it is necessary to specify N data sets\n"
          "in the control file, or use a 'fracres' file with an 'O' in the F 2 data set\n");
  if (FlagTFS == 9 && FlagSurface2 != 1)
    logf("Using F 36 9 in the control file should only be done in combination with F 323 1\n\n");
  if (Flag2DAccSolver > 0 && FlagTFS >= 13 && FlagTFS <= 19 && FlagPresSurf != -1)
    fatal(0,
          "The combination of values on the F 168 and F 36 data sets in the control file \n"
          "will not work. It is recommended to set the F 168 data set to zero when using \n"
          "your choise of F 36 data set.\n\n");
  if (FlagTimeSIMPLE > 0 && NoProcessesSolver != 0)
    fatal(0, "Error in control file: F 296 data set only works for F 206 0\n\n");
  if (FlagPresSurfDamp > 0 && (NoProcessesSolver > 0 || FlagWaterSolveNew > 0))
    fatal(0, "Error in control file: F 319 data set only works with F 206 = 0 and F 328 = 0\n\n");
  if (FlagEndCorrect > 0 && NoProcessesSolver > 0)
    fatal(0, "Error in control file: F 104 data set only works with F 206 = 0\n\n");
  if (FlagPresMPIboundary > 0 && NoProcessesSolver > 0)
    fatal(0, "Error in control file: F 316 only works with F 206 = 0\n\n");
  if (FlagPresCorrStab > 0 && (NoProcessesSolver == 0 || FlagWaterSolveNew > 0))
    fatal(0, "Error in control file: F 373 data set will only work with F 206 > 0 and F 328 = 0\n\n");
  if (FlagLogInflow > 0 && FlagCyclic != 0)
    fatal(0, "Error in control file: F 202 and (F 174 1st integer != 0) must not be used together\n\n");
  // The thermocline buoyancy weighs the temperature of component 0: without
  // components there is none.
  if (FlagThermocline == 1 && NoComponents < 1)
    logf("Warning: F 75 without water-quality components (F 50, F 67 1): no thermocline buoyancy\n\n");
  // The constant-height pressure force has no lateral form beyond F 496 1:
  // refused here rather than computed without it (a hydrostatic pressure on
  // grid lines that slope across the flow then drives a current) and reported
  // for every cell at every iteration.
  if (FlagPresGrad == 8 && FlagPresLatSource >= 2) fatal(0, "Error for gradients in j-direction: not coded yet\n\n");
}

// The suspended-sediment equation: the scheme of F 63 reaches it only when
// F 37 stands earlier in the file (the data set itself sets sou[7]).
// Refused: the slope fluxes of F 78 5..9 without the per-size rows they are
// built into (one size with F 37 1 or 2 has none); the second-order scheme in
// the per-size equations, which have no rows for the second neighbours (the
// upwind cell would carry twice the flux); and F 455 with F 497, which
// together give the run no sediment inflow at all.
void checkSedimentCombinations() {
  const bool perSizeRows = lnumber > 1 || FlagTSC == 3;
  if (FlagTSC >= 1 && BedLoadVectorFlag >= 5 && BedLoadVectorFlag <= 9 && !perSizeRows)
    fatal(0, "Error in control file: F 78 5..9 needs several grain sizes (G 1) or F 37 3\n\n");
  if (LevelInflowSed > 0 && FlagInflowConcVar > 0)
    fatal(0, "Error in control file: F 455 and F 497 must not be used together\n\n");
  // The cross-section lines of F 522 read the levels of one grid line.
  if (FlagBarcelona > 0 && (CrossBarcelona < 1 || CrossBarcelona > xnumber))
    fatal(1, "Error for F 522 in control\nThe grid line %d is not in 1..%d (G 1)\n", CrossBarcelona, xnumber);
}

// The modular and river wall laws know u+ only for the wall-law families 0,
// 5 and 8.
void checkWallAndLayerCombinations() {
  if ((FlagNewWall == 1 || FlagNewWall == 2) && FlagWallAll != 0 && FlagWallAll != 5 && FlagWallAll != 8)
    fatal(0,
          "Error in control file: F 305 %d works only with F 15 0, 5 or 8: the modular and river wall laws have no "
          "u+ for the wall laws of F 15 %d\n\n",
          FlagNewWall, FlagWallAll);
}

// Combinations tested once the block grid exists, then the N sums.
void checkCombinationsSecond() {
  if (FlagTSC > 0 && UMethod == 0)
    fatal(-1,
          "Error in control file: When the F 37 data set is used, the F 64 data set must also be given\n"
          "Often F 64 11 is used in combination with F 37\n");
  if (FlagBedchangeOption > 0 && (FlagSkewedBedchange > 0 || FlagGLEA > 0 || FlagBedSmooth > 0))
    logf(
        "Warning: possible problem in control file: combination of the F 255 data with one of the F 144, F 205 or "
        "F 266 data sets\n\n");
  if (FlagBedchangeOption == 0 && FlagTSC == 3) fatal(-1, "Error: Use F 255 5 data set with F 37 3\n");
  if (FlagLogInflow > 0 && FlagShapeInflow > 0)
    fatal(-1, "Error: Both F 524 and F 202 are used in the control file. Only one can be used\n\n");
  if (std::fabs(ArtDiff) > 1e-20) logf("Warning: using artificial viscosity of %e\n", ArtDiff);
  if (FillPart > 1e-10) logf("Using accellertated deposition routine\n");

  // Every distribution given on N data sets (distribution 0 always) must sum
  // to 1 over the sizes of G 1.
  const int sizes = std::min(lnumber, 50);
  for (int d = 0; d < 20; ++d) {
    bool given = d == 0;
    for (int s = 0; s <= 50 && !given; ++s) given = SedimentSample[d][s] != 0.0;
    if (!given) continue;
    double sum = 0.0;
    for (int s = 1; s <= sizes; ++s) sum += SedimentSample[d][s];
    if (std::fabs(sum - 1.0) > 1e-4)
      fatal(-4, "Error, N - data sets : Sum of fractions = %e\nNumber of N data sets read: %d\n\n", sum,
            FlagReadNdata);
  }
}

[[noreturn]] void refuseB() { fatal(1, "Input error for B in control"); }

// The B data sets: a column window with a value, stored in Bdatasets. They
// are read at the B letters that the first pass met between data sets.
void readBDataSets() {
  Scanner s;
  if (!s.open("control")) {
    setMessage("cannot open file 'control' ");
    endProcess(-3);
  }
  for (auto& r : Bdatasets)
    for (int& v : r) v = 0;
  NoBdatasets = -1;
  for (std::size_t pos : bLetterPositions) {
    s.seek(pos);
    int v[5];
    int n = s.readInts(v, 5);
    if (n == 0) continue;  // a B without a number starts nothing
    if (n < 5) refuseB();
    if (v[0] < 0 || v[0] > 19) refuseB();
    if (v[0] == 0) {
      v[1] = 2;
      v[2] = xnumber;
      v[3] = 2;
      v[4] = ynumber;
    }
    if (v[1] > xnumber || v[2] < 2 || v[3] > ynumber || v[4] < 2 || v[3] > v[4] || v[1] > v[2]) refuseB();
    if (NoBdatasets + 1 >= 20) refuseB();  // the record table holds 20
    ++NoBdatasets;
    for (int k = 0; k < 5; ++k) Bdatasets[NoBdatasets][k] = v[k];
  }
}

// Columns of the G 13 boxes are blocked out.
void markOutBlocks() {
  for (int r = 1; r <= OutBlockNo && r < 500; ++r) {
    const OutBlockRecord& o = OutBlock[r];
    for (int i = std::max(o.i1, 0); i <= o.i2 && i <= xnumber + 1; ++i)
      for (int j = std::max(o.j1, 0); j <= o.j2 && j <= ynumber + 1; ++j) bedOutBlock[i][j] = 1;
  }
}

// Fills the block grid with its default geometry: grid lines 1 m apart, the
// bed at 0 and the water surface at `level`, levels evenly between, the
// non-erodible bottom 10 m below the bed.
void setDefaultBlockGrid() {
  for (int i = 1; i <= xnumber + 1; ++i)
    for (int j = 1; j <= ynumber + 1; ++j) {
      xval[i][j] = i;
      yval[i][j] = j;
      for (int k = 0; k < znumber; ++k) zval[i][j][k + 1] = znumber > 1 ? k * level / (znumber - 1) : 0.0;
      zval[i][j][znumber + 1] = zval[i][j][znumber];
      Surfaces[3][i][j] = zval[i][j][1] - 10.0;
    }
}

// Grid windows of data sets that may stand before G 1 in the file are tested
// once more against the final block-grid sizes, so that no window reaches
// past the block-grid arrays.
void recheckGridWindows() {
  auto refuseAs = [](char letter, int number) {
    const DataSet* row = findDataSet(letter, number);
    if (row && row->message) fatal(1, "%s", row->message);
    fatal(1, "Error for %c %d in control", letter, number);
  };
  if (TetI2 > xnumber || TetJ2 > ynumber) refuseAs('F', 130);
  for (int k = 1; k <= initnumber; ++k)
    if (initarray[k] > xnumber) refuseAs('W', 2);
  for (int n = 1; n <= MWallNo; ++n) {
    const WallPatch& w = MWall[n];
    int g[3];
    wallPatchLimits(w.dir, g);
    if (w.node > g[0] || w.last1 > g[1] || w.last2 > g[2])
      fatal(1, "Input error for W 4 in control\nB-MWall(%d)\n", n);
  }
  for (int n = 1; n <= FastNo; ++n)
    if (iFast[n] > xnumber || jFast[n] > ynumber)
      fatal(1, "Input error for W 6 in control: fixed point %d outside the grid\n", n);
  for (int n = 1; n <= AttractNo; ++n)
    if (Attract[n].i > xnumber || Attract[n].j > ynumber) fatal(1, "Integer error, for data set W 7, %d\n", n);
  if (ynode > ynumber + 1 || znode > znumber + 1 || lnode > lnumber) refuseAs('P', 3);
  if (PrintIEnd > xnumber + 1 || PrintJEnd > ynumber + 1) refuseAs('P', 16);
  for (int k = 1; k <= NoCrossPrint; ++k)
    if (CrossPrint[k] >= xnumber - 2) fatal(-99, "Error for number %d on P 18 data set in control file\n\n", k);
}

}  // namespace

void kreadAfterFirstPass() {
  if (FlagHCB > 0) NoComponents = std::max(NoComponents, lnumber + 1);
  levelFromTerrain();
  logf("TurbulenceModel = %d (F 24)\n", TurbulenceModel);
  setThreadCount();
  fractionFileInsteadOfN();
  checkCombinationsFirst();
  checkSedimentCombinations();
  checkWallAndLayerCombinations();

  if (sialloc() != 0) fatal(-3, "Could not allocate enough memory");
  logf("%s\n\n", Title + 1);
  checkCombinationsSecond();
  recheckGridWindows();

  readBDataSets();
  markOutBlocks();
  setDefaultBlockGrid();
  // The dune profiles are read along grid lines up to this index.
  if (WriteDuneI2 > xnumber)
    fatal(1, "Error in control file: index on F 370 data set larger than number of cross-sections on W 1 data set\n");
  if (FlagThixo > 0 && surfaceCount() > 6)
    for (int i = 1; i <= xnumber + 1; ++i)
      for (int j = 1; j <= ynumber + 1; ++j) Surfaces[6][i][j] = 0.0;
  readSideFiles();
  setMessage(" Have read data file     ");
}
