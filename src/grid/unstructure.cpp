// The grid generation driver: resets the topology, works out the depth scale,
// lets the vertical distribution fill the cells block by block, then joins
// blocks, numbers the bed cells, marks dead-end cells, runs its checks and
// writes its log lines. The grid is never edited in place: every call builds it
// anew from the block grid and the current bed and water levels.
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "grid/fieldmap.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/qngrid.h"
#include "io/gridfiles.h"
#include "state/log.h"
#include "io/modelfiles.h"
#include "io/writecontrol.h"
#include "output/output.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

bool adaptiveMethod(int m) { return m == 8 || m == 11 || m == 13 || m == 38 || m >= 100; }

bool shorelineMethod(int m) {
  return m == 2 || m == 3 || m == 4 || m == 11 || m == 12 || m == 13 || (m >= 30 && m <= 40) || m >= 100;
}

// The block windows must lie inside the block grid before anything is built.
void checkBlockWindows() {
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (block[b].j2 >= ynumber || block[b].j1 < 1)
      fatal(-44, "Error in allocation of blocks: increase 2nd integer on G 1 data set\n\n");
    if (block[b].i2 >= xnumber || block[b].i1 < 1)
      fatal(-44, "Error in allocation of blocks: increase 1st integer on G 1 data set\n\n");
  }
}

void resetTopology() {
  NoPoints = NoCells = NoSurfaces = 0;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) {
      ant[i][j] = antlin[i][j] = antmin[i][j] = antmax[i][j] = vv[i][j] = 0;
      std::memset(num[i][j], 0, sizeof(int) * static_cast<std::size_t>(znumber + 2));
    }
  for (int r = 0; r < MaxConnFlate; ++r) connFlate[r][0] = connFlate[r][1] = 0;
  const std::size_t nc = sizeof(int) * static_cast<std::size_t>(MaxCeller);
  for (int* p : {Cflates, Cflatee, Cflaten, Cflatew, Cflateb, Cflatet, Ccells, Ccelle, Ccellw, Ccelln, Ccellt, Ccellb,
                 CflagDim, Conecell, Ctrekant})
    std::memset(p, 0, nc);
  const std::size_t nf = sizeof(int) * static_cast<std::size_t>(MaxFlater);
  for (int* p : {Fcell1, Fcell2, Fcell11, Fcell22, Fqndum})
    if (p) std::memset(p, 0, nf);
  FlagGridHasChanged = 1;
  FlagNeedsToBeInterpolated = 1;
}

// The status a failed build ends the run with, set where the failure occurs.
int buildFailure = 0;

int fail(int status, int result) {
  buildFailure = status;
  return result;
}

}  // namespace

double gridDepthScale() {
  double deepest = 0.0;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& blk = block[b];
    if (blk.kind != 0 || blk.gridLevel != 0) continue;
    for (int i = blk.i1 - 1; i <= blk.i2; ++i)
      for (int j = blk.j1 - 1; j <= blk.j2; ++j) {
        const double bed = zval[i][j][1], surf = zval[i][j][znumber];
        if (FlagBugFind == 1 && !(bed >= -1000 && bed <= 10000 && surf >= -1000 && surf <= 10000)) {
          logf("Bug found for z values in grid: (%d,%d), Iter = %d\n", i, j, Iter);
          logf("Z levels: %lf %lf\n", bed, surf);
          fatal(-1, "Iter = %d\n", Iter);
        }
        deepest = std::max(deepest, surf - bed);
      }
  }
  MaxDepth = std::max(MaxDepth, deepest);
  if (MaxDepth209 > 0) MaxDepth = MaxDepth209;
  return deepest;
}

namespace {

// The report of a grid that does not fit the F 65 sizes; the result is minus
// the largest count.
int overflowReport() {
  writekoosurf();
  writeControl();
  logf("Error: Unstructured arrays are too small. Increase with the F 65 data set.\n");
  logf("NoPoints=%d, MaxPoints=%d\n", NoPoints, MaxPunkter);
  logf("NoSurface=%d, MaxFlater=%d\n", NoSurfaces, MaxFlater);
  logf("NoCells=%d, MaxCeller=%d\n", NoCells, MaxCeller);
  logf("The coordinates are written to the koosurf file. This can be imported in \n");
  logf("the Grid Editor (Add block from koosurf)\n");
  logf("The NoMovePoints are written to the control.new file on the W 6 data sets.\n");
  logf("You may copy the W 6 data sets from control.new file into your control file.\n");
  logf("The control.new file does not contain all data sets, so don't use it to replace \n");
  logf("the control file.\n\n");
  // Never 0, which would read as a build by the second generator, even when
  // the sizes stop the build before its first cell.
  return -std::max({NoCells, NoSurfaces, NoPoints, 1});
}

// F 114 = 20: cells above the bottom of their column take the side
// neighbours of the lowest cell where they have none of their own.
void substituteNeighbours() {
  if (!CcellAe) return;
  const std::size_t nc = sizeof(int) * static_cast<std::size_t>(MaxCeller);
  for (int* p : {CcellAe, CcellAw, CcellAn, CcellAs}) std::memset(p, 0, nc);
  for (int c = 1; c <= NoCells; ++c) {
    if (Ccellb[c] <= 0) continue;
    int low = c;
    while (Ccellb[low] > 0) low = Ccellb[low];
    if (Ccelle[c] == 0) CcellAe[c] = Ccelle[low];
    if (Ccellw[c] == 0) CcellAw[c] = Ccellw[low];
    if (Ccelln[c] == 0) CcellAn[c] = Ccelln[low];
    if (Ccells[c] == 0) CcellAs[c] = Ccells[low];
  }
}

// Free sides of top cells joined to coinciding columns of other blocks.
int connectBlocks() {
  if (NoConnect <= 0) return 0;
  for (int c = 1; c <= NoCells; ++c) {
    if (Ccellt[c] != 0) continue;
    const int pairs[5][2] = {{0, 0}, {Cpoint1[c], Cpoint2[c]}, {Cpoint2[c], Cpoint3[c]}, {Cpoint3[c], Cpoint4[c]},
                             {Cpoint4[c], Cpoint1[c]}};
    int* side[5] = {nullptr, Ccells, Ccelle, Ccelln, Ccellw};
    for (int s = SideS; s <= SideW; ++s)
      if (side[s][c] == 0 && Connect(pairs[s][0], pairs[s][1], c, s) == -47) return -47;
  }
  return 0;
}

void numberBedCells() {
  if (!Cbed) return;
  const int capacity = bedCellCapacity();
  if (Iter < 2) {
    int b = 0;
    for (int k = 1; k <= NoBlocks && k < 100; ++k)
      for (int i = block[k].i1; i <= block[k].i2; ++i)
        for (int j = block[k].j1; j <= block[k].j2; ++j) {
          if (++b >= capacity) continue;  // more columns than bed cells: left unnumbered
          pointbed[i][j] = b;
          Bkooi[b] = i;
          Bkooj[b] = j;
          const int low = static_cast<int>(zval[i][j][0]);
          if (low > 0) Cbed[low] = b;
        }
  }
  Cbed[0] = Bkooi[0] = Bkooj[0] = 0;
  for (int k = 1; k <= NoBlocks && k < 100; ++k)
    for (int i = block[k].i1; i <= block[k].i2; ++i)
      for (int j = block[k].j1; j <= block[k].j2; ++j)
        for (int c = static_cast<int>(zval[i][j][0]); c > 0; c = Ccellt[c]) Cbed[c] = pointbed[i][j];
}

// Cells that flow can enter from at most one side; chains up to 21 cells long
// are marked from their closed end.
void markDeadEnds() {
  for (int pass = 0; pass < 21; ++pass)
    for (int c = 1; c <= NoCells; ++c) {
      int open = 0;
      for (const int* nb : {Ccells, Ccelln, Ccelle, Ccellw, Ccellt, Ccellb}) {
        const int n = nb[c];
        if (n > 0 && Conecell[n] == 0) ++open;
      }
      if (open == 0 || (open == 1 && Cinout[c] == 0)) Conecell[c] = 1;
    }
}

// Print points of the time-series log find their cells again from column and
// level; the level counts the cells below the print cell, as the grid-file
// reader stores it, so an unchanged column gives back the same cell.
void findPrintCells() {
  for (int r = 0; r < TimePrintNo && r < 20; ++r) {
    TimePrintEntry& e = TimePrint[r];
    for (int p = 0; p < e.n && p < 25; ++p) {
      const int i = e.i[p], j = e.j[p];
      if (i <= 0 || i > xnumber || j < 0 || j > ynumber || e.letter[p] == 'h' || e.letter[p] == 'z') continue;
      int c = static_cast<int>(zval[i][j][0]);
      for (int step = 0; c > 0 && step < e.k[p] && Ccellt[c] > 0; ++step) c = Ccellt[c];
      e.number[p] = c;
    }
  }
}

// F 358: sums of depth, bed level, bed deviation and the flux ratio over the
// window, one sample per build.
void bedStatistics() {
  if (BedStatI1 <= 0 || !(BedStatTime1 < stimet && stimet < BedStatTime2) || !bedStatDepth) return;
  const int ia = std::max(BedStatI1, 0), ib = std::min(BedStatI2, xnumber + 1);
  const int ja = std::max(BedStatJ1, 0), jb = std::min(BedStatJ2, ynumber + 1);
  if (BedStatNo == 0)
    for (int i = ia; i <= ib; ++i)
      for (int j = ja; j <= jb; ++j) bedStatDepth[i][j] = bedStatBed[i][j] = bedStatDev[i][j] = bedStatK[i][j] = 0;
  for (int i = ia; i <= ib; ++i)
    for (int j = ja; j <= jb; ++j) {
      const double bed = zval[i][j][1];
      bedStatDepth[i][j] += zval[i][j][znumber] - bed;
      bedStatBed[i][j] += bed;
      bedStatDev[i][j] += std::fabs(bed - Surfaces[0][i][j]);
      double a = 0, s = 0;
      for (int c = static_cast<int>(zval[i][j][0]); c > 0; c = Ccellt[c]) {
        if (Ccellt[c] == 0) continue;
        const int f = Cflatet[c];
        a += std::fabs(Fflux[f] / (Faz[f] + (Faz[f] >= 0 ? 1e-20 : -1e-20)));
        s += std::sqrt(Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]);
      }
      // A column without a cell above another has no ratio: it adds nothing.
      if (s > 0) bedStatK[i][j] += a / s;
    }
  ++BedStatNo;
}

void endLines() {
  if (debugging == 'Q' || FlagUnstrucWedge > 0) {
    logf("End of Unstructure, Iter = %d, NoCells = %d\n", Iter, NoCells);
    long lines = 0;
    if (NoBlocks >= 1)
      for (int i = block[1].i1 - 1; i <= block[1].i2; ++i)
        for (int j = block[1].j1 - 1; j <= block[1].j2; ++j) lines += antlin[i][j];
    logf("Number of antlin points: %ld, NoPoints: %d\n", lines, NoPoints);
  }
  if (NoCells == 0) {
    logf("Warning: No cells were generated in grid\n");
    setMessage("Warning: No cells generated in grid. For 2D: remember F 159");
    if (FlagGridStab1 == 1)
      logf("If you are generating a 2D width-averaged grid, you need need to modify the F 159 data set so that the 4th integer is 1\n");
  }
}

// F 1 'D': a cross-section of block 1 without any cell splits the flow.
void crossSectionCheck() {
  if (debugging != 'D' || NoBlocks < 1) return;
  const BlockRecord& b1 = block[1];
  bool split = false;
  for (int i = b1.i1; i <= b1.i2; ++i) {
    double sum = 0;
    for (int j = b1.j1; j <= b1.j2; ++j) sum += zval[i][j][0];
    if (sum != 0) continue;
    split = true;
    logf("Error: Grid split for cross-section no %d\n", i);
    logf("Cross-section profile: zval[1],zval[i][znumber],zval[i-1][znumber],Bminwaterlevel\n");
    for (int j = b1.j1; j <= b1.j2; ++j) {
      if (FlagNoGridSplit > 0 && Bminwaterlevel)
        logf("%d %d %d %lf %lf %lf %lf\n", j, pointbed[i][j], ant[i][j], zval[i][j][1], zval[i][j][znumber],
             zval[i - 1][j][znumber], Bminwaterlevel[pointbed[i][j]]);
      else
        logf("%d %d %d %lf %lf %lf\n", j, pointbed[i][j], ant[i][j], zval[i][j][1], zval[i][j][znumber],
             zval[i - 1][j][znumber]);
    }
  }
  if (!split) return;
  sprintflow();
  FlagCrashGrid = 2;
  WriteUnstructure();
  fatal(-77, nullptr);
}

// F 236 from 2 and F 262: the sub-bed block below block 1, as the last block.
int subBedBlock() {
  if (FlagThixo < 2 && FlagGroundwater <= 0) return 0;
  if (FlagThixo == 0) logf("Warning: F 262 data is set without setting slide data set F 236\n\n");
  return FlagThixoGrid == 0 ? UnstrucThixo3(1) : UnstrucThixo2(1);
}

}  // namespace

int gridOverflowReport() { return overflowReport(); }

int UnstructureBuild() {
  buildFailure = 0;
  double start = 0;
  if (debugging == 'P') start = omp_get_wtime();
  // The second generator does the whole build.
  if (UMethod2 > 0) {
    const int r = Unstructure2();
    return r == 0 ? 0 : fail(r == -1 ? -1 : -46, r);
  }
  // The coarse grid levels of F 152 follow the grid of the build before as
  // blocks of their own, without a window: this build drops them, and the
  // caller appends them to the new grid.
  while (NoBlocks >= 1 && NoBlocks < 100 && block[NoBlocks].gridLevel > 0) NoBlocks -= 1;
  // The depth-averaged block of an earlier build has no window of its own: the
  // blocks of this build are those before it, and it is renewed in its record
  // at the end.
  if (NoBlocks >= 1 && NoBlocks < 100 && block[NoBlocks].kind == 1) NoBlocks -= 1;
  // The sub-bed block of the build before is made again after the grid; an
  // ordinary last block is never taken for it.
  if ((FlagThixo >= 2 || FlagGroundwater > 0) && NoBlocks > 1 && NoBlocks < 100 && block[NoBlocks].subBed == 1)
    NoBlocks -= 1;
  if (stimet < 0.001 || debugging == 'D') logf("Generating grid with F 64 %d algorithm. \n", UMethod);
  // The parts of a divided run only fit together with one fixed reference
  // depth: without it each part is built to its own depth. The build goes on;
  // the error line makes the run end with a failure status.
  if (FlagMPI > 0 && MaxDepth209 < 0) {
    logf("Error: the F 209 data set has to be used when generating mpi grids\n");
    RunErrorReported = 1;
  }

  if (!Cxvel && !Cflatee && AllocateArrays(1, 1, 1) < -0.01) {
    logf("Error in allocation of arrays. The array size is probably\n");
    logf("larger than what is available of memory on your computer\n\n");
    setMessage(" Error in array allocation                                     ");
    return fail(-1, -1);
  }
  nestlevmax = 0;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) nestlevmax = std::max(nestlevmax, block[b].nestLevel);
  checkBlockWindows();

  resetTopology();
  const double D = gridDepthScale();
  for (int i = 0; i <= xnumber; ++i)
    for (int j = 0; j <= ynumber; ++j) {
      pointcell_old[i][j] = static_cast<int>(zval[i][j][0]);
      zval[i][j][0] = 0;
    }
  ArmapMake();
  if (MinVertDist0 < 0) computeF94();
  if (TetI1 > 0 && NoBlocks <= 8) UnstrucTett();

  const int made = QNFlag > 0 ? UnstrucQN(D) : adaptiveMethod(UMethod) ? UnstrucAdaptive() : UnstrucOther(D);
  if (made < 0) return fail(-4, overflowReport());

  if (FlagPresGrad == 20) substituteNeighbours();
  NoConnFlate = 0;
  WCStart = 1;
  WCEnd = NoCells;
  WFStart = 1;
  WFEnd = NoSurfaces;
  if (connectBlocks() == -47) return fail(-47, -47);
  // The outer faces of nested blocks are listed after the joins: a face that
  // Connect has joined to a coarse column (the connectors of the F 130 block)
  // carries its flux through the pair, not the nesting coupling that would
  // hold it at zero.
  if (const int r = computeNestedArrays(); r != 0) return fail(-46, r);
  NoConnFlate0 = NoConnFlate;
  if (UnevenConnect > 0) connectUneven();

  numberBedCells();
  zval[0][0][1] = zval[0][0][znumber] = 0;
  if (Cbed && shorelineMethod(UMethod) && FlagMinLevUnstruc > 0) shorelineSteps();
  if (subBedBlock() != 0) return fail(-1, -1);

  NoCells0 = NoCells;
  NoBlocks0 = NoBlocks;
  NoSurfaces0 = NoSurfaces;
  NoConnect0 = NoConnect;
  // The depth-averaged block follows every three-dimensional cell; without
  // F 68 1, above 2 or F 311 a block of an earlier build stays dropped.
  if (Hydrostatic == 1 || Hydrostatic > 2 || FlagShallowWater == 1) {
    const int r = Hydrostatic == 1 || Hydrostatic > 2 ? HydroStaticMake() : HydroStaticMake2();
    if (r == -47) return fail(-47, -47);
    if (r < 0) return fail(-4, -NoCells);
  }

  markDeadEnds();
  findPrintCells();
  bedStatistics();
  endLines();
  crossSectionCheck();
  if ((FlagGenerateUpFlux > 0 || FlagGenerateDownFlux > 0) && DischargeStruct[1].surfno == 0) setFluxes();
  if (stimet < 0.001 || debugging == 'D') logf("End Unstructure %d cells\n", NoCells);
  if (debugging == 'P') {
    const double now = omp_get_wtime();
    logf("Grid genereation time: %lf seconds at %lf seconds\n", now - start, start - otime[0]);
    otimeGridsolve += now - start;
  }
  FlagHaveDoneMetric = 0;
  return 1;
}

int Unstructure() {
  const int r = UnstructureBuild();
  if (r >= 0) return r;
  // The callers do not look at the result: a grid that could not be built
  // completely ends the run here instead of being used. The cause has been
  // reported where it occurred.
  fatal(buildFailure != 0 ? buildFailure : -4, nullptr);
}
