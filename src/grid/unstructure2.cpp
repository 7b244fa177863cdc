// The second grid generator (F 488): every grid line gets one vertical line of
// points, a bed layer from the bed up to TurbTop whose level count follows
// the depth like the adaptive grid (sigma-like levels), and with F 488 1 the
// fixed levels of the zdistrib table above it up to the water surface; the
// cells of a column are numbered consecutively from the bed up, and the
// surfaces and cell links follow from the level counts.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "flow/stages.h"
#include "grid/fieldmap.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/gridsplit.h"
#include "state/log.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

double bedAt(int i, int j) { return zval[i][j][1]; }
double waterAt(int i, int j) { return zval[i][j][znumber]; }

int cornerMax(int** a, int i, int j) { return std::max({a[i - 1][j - 1], a[i][j - 1], a[i][j], a[i - 1][j]}); }

// Table levels that get a point above the bed layer of grid line (i, j),
// whose layer spacing is dz.
template <class Visit>
void tableLevels(int i, int j, double dz, Visit visit) {
  const double top = TurbTop[i][j], water = waterAt(i, j);
  for (int k = 1; k <= znumber; ++k)
    if (top + dz / 2 < zdistrib[k] && zdistrib[k] < water - dz / 2) visit(zdistrib[k]);
}

double layerSpacing(double dT, int n) { return n <= 1 ? dT : dT / (n - 1); }

void levelCounts(double ratio, double nestRatio, int i1, int i2, int j1, int j2, bool rough) {
  for (int j = j1 - 1; j <= j2; ++j)
    for (int i = i1 - 1; i <= i2; ++i) {
      const double dT = TurbTop[i][j] - bedAt(i, j);
      int n;
      if (dT < MinVertDist0) {
        n = 1;
      } else if (dT < MinVertDist1) {
        n = 2;
      } else {
        bool smooth = true;
        if (rough) {
          double sum = 0;
          int count = 0;
          for (int di = 0; di <= 1; ++di)
            for (int dj = 0; dj <= 1; ++dj) {
              const int ci = std::clamp(i + di, i1, i2), cj = std::clamp(j + dj, j1, j2);
              const int b = pointbed[ci][cj];
              if (b < 1 || b >= bedCellCapacity()) continue;
              sum += Broughness[b];
              ++count;
            }
          const double R = count > 0 ? sum / count : 0.0;
          if (R / dT > GridRoughnessParam) smooth = false;
        }
        if (smooth) {
          const double v = std::pow(ratio * dT, GridDistCoeff) * (znumber - 2) * nestRatio + 2.0;
          // The bed layer never holds more levels than the block grid has.
          n = v >= znumber ? znumber : static_cast<int>(v);
        } else {
          n = 2;
        }
      }
      antlinT[i][j] = n;
      int L = n;
      if (UMethod2 == 1 && dT > 0) {
        tableLevels(i, j, layerSpacing(dT, n), [&](double) { ++L; });
        if (waterAt(i, j) > TurbTop[i][j] + 1e-10) ++L;
      }
      antlin[i][j] = L;
    }
}

void countCells(int i1, int i2, int j1, int j2) {
  for (int j = j1; j <= j2; ++j)
    for (int i = i1; i <= i2; ++i) {
      antT[i][j] = cornerMax(antlinT, i, j) - 1;
      int above = 0;
      for (const auto& g : {std::pair{i - 1, j - 1}, {i, j - 1}, {i, j}, {i - 1, j}})
        above = std::max(above, antlin[g.first][g.second] - antlinT[g.first][g.second]);
      ant[i][j] = std::max(antT[i][j], 0) + above;
    }
}

void raiseEdgeLine(int i, int j, int count) {
  antlin[i][j] = antlinT[i][j] = count;
  zval[i][j][znumber] = zval[i][j][1] + MinVertDist0;
}

// F 492: dry edges between wet columns get levels (the water levels raised
// stay in the block grid).
void edgeRules(int i1, int i2, int j1, int j2) {
  if (FlagGridStabFix1 == 1) {
    for (int j = j1; j <= j2 - 1; ++j)
      for (int i = i1; i <= i2 - 1; ++i) {
        if (antlin[i][j - 1] == 1 && antlin[i][j] == 1 && antmax[i][j] > 0 && antmax[i + 1][j] >= 1) {
          raiseEdgeLine(i, j - 1, 2);
          raiseEdgeLine(i, j, 2);
        }
        if (antlin[i - 1][j] == 1 && antlin[i][j] == 1 && antmax[i][j] > 0 && antmax[i][j + 1] > 0) {
          raiseEdgeLine(i - 1, j, 2);
          raiseEdgeLine(i, j, 2);
        }
      }
  } else if (FlagGridStabFix1 == 2) {
    for (int j = j1; j <= j2 - 1; ++j)
      for (int i = i1; i <= i2 - 1; ++i) {
        const int A = std::max(ant[i][j], ant[i + 1][j]);
        if (std::max(antlin[i][j - 1], antlin[i][j]) <= A) {
          raiseEdgeLine(i, j - 1, A + 1);
          raiseEdgeLine(i, j, A + 1);
        }
        const int B = std::max(ant[i][j], ant[i - 1][j]);
        if (std::max(antlin[i - 1][j], antlin[i][j]) <= B) {
          raiseEdgeLine(i - 1, j, B + 1);
          raiseEdgeLine(i, j, B + 1);
        }
      }
    countCells(i1, i2, j1, j2);
  }
}

int newPoint(double x, double y, double z) {
  if (NoPoints + 1 >= MaxPunkter)
    fatal(-4, "Error in grid generation, NoPoints = %d, increase numbers on F 65 data set\n\n", NoPoints + 1);
  const int p = ++NoPoints;
  Px[p] = x;
  Py[p] = y;
  Pz[p] = z;
  return p;
}

bool touchesWetColumn(int i, int j) {
  return ant[i][j] > 0 || ant[i + 1][j] > 0 || ant[i][j + 1] > 0 || ant[i + 1][j + 1] > 0;
}

void linePoints(int i, int j) {
  const double x = xval[i][j], y = yval[i][j], bed = bedAt(i, j), water = waterAt(i, j);
  const double dT = TurbTop[i][j] - bed;
  const int n = antlinT[i][j];
  pointint[i][j] = NoPoints + 1;
  double z = bed;
  for (int m = 1; m <= n; ++m) {
    z = bed;
    if (dT > 0) {
      if (GridDistCoeff3 > 1.0) {
        const double t = n <= 2 ? m - 1 : static_cast<double>(m - 1) / (n - 1);
        z = bed + dT * std::pow(t, GridDistCoeff3);
      } else {
        const double u = n <= 2 ? n - m : static_cast<double>(n - m) / (n - 1);
        z = bed + dT * (1 - std::pow(u, 1 / GridDistCoeff3));
      }
    }
    if (FlagFollowSurface == 1) z = std::min(z, water);
    newPoint(x, y, z);
  }
  if (UMethod2 == 1 && dT > 0) {
    tableLevels(i, j, layerSpacing(dT, n), [&](double level) { z = level, newPoint(x, y, level); });
    if (water > TurbTop[i][j] + 1e-10) z = water, newPoint(x, y, water);
  }
  // A line whose count a stability rule raised repeats its top point, so that
  // no surface names a point of the next line.
  while (NoPoints - pointint[i][j] + 1 < antlin[i][j]) newPoint(x, y, z);
}

// The bed cells, numbered in the first iterations only: every column counts,
// dry or wet; the lowest cell of a wet column takes the number.
void numberBedCells2() {
  if (!Cbed) return;
  if (Iter <= 1) {
    const int capacity = bedCellCapacity();
    int b = 0;
    for (int k = 1; k <= NoBlocks && k < 100; ++k)
      for (int i = block[k].i1; i <= block[k].i2; ++i)
        for (int j = block[k].j1; j <= block[k].j2; ++j) {
          if (++b >= capacity) continue;
          pointbed[i][j] = b;
          Cbed[pointcell[i][j]] = b;
          Bkooi[b] = i;
          Bkooj[b] = j;
          if (FlagTFS == 0 && FlagTSC == 0) Bcellt[b] = pointcell[i][j];
        }
  }
}

void markTriangleEdges() {
  if (FlagTriEdges <= 0 || !Btriedges) return;
  const int capacity = bedCellCapacity();
  for (int k = 1; k <= NoBlocks && k < 100; ++k)
    for (int i = block[k].i1; i <= block[k].i2; ++i)
      for (int j = block[k].j1; j <= block[k].j2; ++j) {
        const int b = pointbed[i][j];
        if (b < 1 || b >= capacity) continue;
        const bool nextToSingle = ant[i - 1][j] == 1 || ant[i + 1][j] == 1 || ant[i][j + 1] == 1 || ant[i][j - 1] == 1;
        Btriedges[b] = ant[i][j] >= 2 && nextToSingle ? ant[i][j] : 0;
      }
  Btriedges[0] = 1;
}

bool shorelineMethod2(int m) {
  return m == 2 || m == 3 || m == 4 || m == 11 || m == 12 || m == 13 || (m >= 30 && m <= 40) || m >= 100;
}

void buildBlock(int b, double ratio) {
  BlockRecord& blk = block[b];
  const int i1 = blk.i1, i2 = blk.i2, j1 = blk.j1, j2 = blk.j2;
  blk.firstCell = NoCells + 1;
  blk.firstSurface = NoSurfaces + 1;
  blk.firstPoint = NoPoints + 1;
  const double nestRatio = blk.nestLevel == 1 ? 1.0 : NestNoRatio;

  const bool rough = GridRoughnessParam > 1e-5 && Broughness && pointbed[i1][j1] >= 1;
  if (rough)
    computeAntlinRoughness(ratio, i1, i2, j1, j2);
  else
    levelCounts(ratio, nestRatio, i1, i2, j1, j2, false);
  Grid1Stability(i1, i2, j1, j2);
  if (FlagTriangle10 > 0) {
    for (int j = j1; j <= j2; ++j)
      for (int i = i1; i <= i2; ++i) ant[i][j] = cornerMax(antlin, i, j) - 1;
    UnstrucTriangular10();
  }
  countCells(i1, i2, j1, j2);
  edgeRules(i1, i2, j1, j2);
  if (OutBlockNo > 0)
    for (int j = j1; j <= j2; ++j)
      for (int i = i1; i <= i2; ++i)
        if (bedOutBlock[i][j] == 1) ant[i][j] = 0;
  if (FlagOrderRemovePonds > 0) Grid2Stability(i1, i2, j1, j2);
  if (FlagRemovePonds > 1000) makeRidge();
  if (FlagRemovePonds > 0 && NoBCells > 0) removePonds();
  if (FlagOrderRemovePonds == 0 || FlagRemovePonds == 2) Grid2Stability(i1, i2, j1, j2);
  for (int j = j1; j <= j2; ++j)
    for (int i = i1; i <= i2; ++i) antT[i][j] = std::min(antT[i][j], ant[i][j]);

  for (int j = j1 - 1; j <= j2; ++j)
    for (int i = i1 - 1; i <= i2; ++i)
      if (antlin[i][j] > 0 && touchesWetColumn(i, j)) linePoints(i, j);

  for (int j = j1; j <= j2; ++j)
    for (int i = i1; i <= i2; ++i) {
      if (ant[i][j] <= 0) continue;
      pointcell[i][j] = NoCells + 1;
      zval[i][j][0] = NoCells + 1;
      NoCells += ant[i][j];
      if (NoCells >= MaxCeller - 1) {
        logf("Error in grid generation, NoCells = %d, MaxCeller = %d\n", NoCells, MaxCeller);
        fatal(-4, "Increase numbers on the F 65 data set in the control file\n\n");
      }
    }
  makeSurfaces2(i1, i2, j1, j2);
  blk.lastCell = NoCells;
  blk.lastSurface = NoSurfaces;
  blk.lastPoint = NoPoints;
  blk.active = 1;
}

}  // namespace

void setArraysZeroUnstruc() {
  NoPoints = NoCells = NoSurfaces = 0;
  FlagGridHasChanged = FlagNeedsToBeInterpolated = 1;
  for (int i = 0; i <= xnumber; ++i)
    for (int j = 0; j <= ynumber; ++j) pointcell_old[i][j] = pointcell[i][j];
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) {
      antlin[i][j] = antlinT[i][j] = ant[i][j] = antT[i][j] = pointint[i][j] = pointcell[i][j] = 0;
      intSurfI[i][j] = intSurfJ[i][j] = intSurfK[i][j] = 0;
      std::memset(num[i][j], 0, sizeof(int) * static_cast<std::size_t>(znumber + 2));
      TurbTop[i][j] = UMethod2 == 1 ? std::min(zval[i][j][znumber], zval[i][j][1] + TurbThick) : zval[i][j][znumber];
    }
  for (int r = 0; r < MaxConnFlate; ++r) connFlate[r][0] = connFlate[r][1] = 0;
  const std::size_t nc = sizeof(int) * static_cast<std::size_t>(MaxCeller);
  for (int* p : {Cpoint1, Cpoint2, Cpoint3, Cpoint4, Cpoint5, Cpoint6, Cpoint7, Cpoint8, Cflates, Cflatee, Cflaten,
                 Cflatew, Cflateb, Cflatet, Ccells, Ccelle, Ccellw, Ccelln, Ccellt, Ccellb, Ctrekant, Conecell, CflagDim})
    std::memset(p, 0, nc);
  if (QNFlag >= 1 && Cncells) {
    for (int* p : {Cncells, Cncelle, Cncellw, Cncelln}) std::memset(p, 0, nc);
    for (int** p : {Cqncells, Cqncelle, Cqncellw, Cqncelln})
      std::memset(p[0], 0, nc * static_cast<std::size_t>(std::max(znumber, 0)));
  }
  const std::size_t nf = sizeof(int) * static_cast<std::size_t>(MaxFlater);
  for (int* p : {Fcell1, Fcell2, Fcell11, Fcell22, Ftype1, Ftype2, Fqndum})
    if (p) std::memset(p, 0, nf);
  for (int i = 0; i <= xnumber; ++i)
    for (int j = 0; j <= ynumber; ++j) zval[i][j][0] = 0;
}

void dropPreviousSubBedBlock() {
  // The sub-bed block of the previous build is the last block; an ordinary
  // last block is never taken away.
  if ((FlagThixo >= 2 || FlagGroundwater >= 1) && NoBlocks >= 2 && NoBlocks < 100 && block[NoBlocks].subBed != 0)
    NoBlocks -= 1;
}

void computeAntlinRoughness(double ratio, int i1, int i2, int j1, int j2) {
  double nestRatio = NestNoRatio;
  for (int k = 1; k <= NoBlocks && k < 100; ++k)
    if (block[k].i1 == i1 && block[k].i2 == i2 && block[k].j1 == j1 && block[k].j2 == j2) {
      nestRatio = block[k].nestLevel == 1 ? 1.0 : NestNoRatio;
      break;
    }
  levelCounts(ratio, nestRatio, i1, i2, j1, j2, Broughness != nullptr);
}

int Unstructure2() {
  setMessage("Unstructure2 grid generation");
  if (stimet < 0.001 || debugging == 'D') logf("Generating grid with F 64 %d algorithm2. \n", UMethod);
  // As in the first generator: the parts of a divided run only fit together
  // with one fixed reference depth.
  if (FlagMPI > 0 && MaxDepth209 < 0) fatal(-1, "Error: the F 209 data set has to be used when generating mpi grids\n");
  if ((!Cxvel && !Cflatee && AllocateArrays(50001, 50001, 50001) < -0.01) || !antlinT || !TurbTop || !pointcell) {
    logf("Error in allocation of arrays. The array size is probably\n");
    logf("larger than what is available of memory on your computer\n\n");
    setMessage(" Error in array allocation                                     ");
    return -1;
  }
  nestlevmax = 0;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) nestlevmax = std::max(nestlevmax, block[b].nestLevel);

  setArraysZeroUnstruc();

  double zmax = -1e20, zmin = 1e20;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& blk = block[b];
    if (blk.kind != 0 || blk.gridLevel != 0) continue;
    for (int i = blk.i1 - 1; i <= blk.i2; ++i)
      for (int j = blk.j1 - 1; j <= blk.j2; ++j) {
        zmax = std::max(zmax, waterAt(i, j));
        zmin = std::min(zmin, bedAt(i, j));
      }
  }
  gridDepthScale();
  const double ratio = 1 / (MaxDepth + 1e-10);
  if (FlagReadG3 == 0 && UMethod2 == 1 && znumber >= 2 && zmax > -1e19)
    for (int k = 1; k <= znumber; ++k)
      zdistrib[k] = zmin + (zmax - zmin) * std::pow(static_cast<double>(k - 1) / (znumber - 1), GridDistCoeff2);

  ArmapMake();
  if (MinVertDist0 < 0) computeF94();
  dropPreviousSubBedBlock();

  for (int b = 1; b <= NoBlocks && b < 100; ++b)
    if (block[b].kind != 1) buildBlock(b, ratio);

  WCStart = 1;
  WCEnd = NoCells;
  WFStart = 1;
  WFEnd = NoSurfaces;
  if (debugging == 'D') gridTest();
  if (const int r = computeNestedArrays(); r != 0) return r;

  numberBedCells2();
  if (Cbed) Cbed[0] = Bkooi[0] = Bkooj[0] = 0;
  zval[0][0][1] = zval[0][0][znumber] = 0;
  if (Cbed && FlagMinLevUnstruc > 0 && shorelineMethod2(UMethod)) shorelineSteps();

  if (FlagThixo >= 2 || FlagGroundwater >= 1) {
    if (FlagGroundwater > 0 && FlagThixo == 0) logf("Warning: F 262 data is set without setting slide data set F 236\n\n");
    if (FlagThixoGrid != 0)
      UnstrucThixo2(1);
    else if (UnstrucThixo3(1) != 0)
      fatal(-1, nullptr);
  }

  NoBlocks0 = NoBlocks;
  NoCells0 = NoCells;
  NoSurfaces0 = NoSurfaces;
  NoConnect0 = NoConnect;
  if ((FlagGenerateUpFlux > 0 || FlagGenerateDownFlux > 0) && DischargeStruct[1].surfno == 0) setFluxes();
  markTriangleEdges();
  FlagHaveDoneMetric = 0;
  setMessage("End Unstructure2");
  return 0;
}
