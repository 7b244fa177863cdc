// Cell and face geometry from the corner points.
#include <omp.h>

#include <cmath>
#include <cstdio>

#include "grid/fieldmap.h"
#include "state/outfile.h"
#include "grid/geometry.h"
#include "state/log.h"
#include "state/scanner.h"
#include "io/terrain.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

struct Vec {
  double x, y, z;
};

inline Vec pointOf(int p) { return {Px[p], Py[p], Pz[p]}; }

void cellGeometry(int c) {
  const Vec p1 = pointOf(Cpoint1[c]), p2 = pointOf(Cpoint2[c]), p3 = pointOf(Cpoint3[c]), p4 = pointOf(Cpoint4[c]);
  const Vec p5 = pointOf(Cpoint5[c]), p6 = pointOf(Cpoint6[c]), p7 = pointOf(Cpoint7[c]), p8 = pointOf(Cpoint8[c]);
  // Unscaled corner sums; the edge vectors are a quarter of them.
  const double ix = p2.x + p3.x + p6.x + p7.x - p1.x - p4.x - p5.x - p8.x;
  const double iy = p2.y + p3.y + p6.y + p7.y - p1.y - p4.y - p5.y - p8.y;
  const double iz = p2.z + p3.z + p6.z + p7.z - p1.z - p4.z - p5.z - p8.z;
  const double jx = p3.x + p4.x + p7.x + p8.x - p1.x - p2.x - p5.x - p6.x;
  const double jy = p3.y + p4.y + p7.y + p8.y - p1.y - p2.y - p5.y - p6.y;
  const double jz = p3.z + p4.z + p7.z + p8.z - p1.z - p2.z - p5.z - p6.z;
  const double kx = p5.x + p6.x + p7.x + p8.x - p1.x - p2.x - p3.x - p4.x;
  const double ky = p5.y + p6.y + p7.y + p8.y - p1.y - p2.y - p3.y - p4.y;
  const double kz = p5.z + p6.z + p7.z + p8.z - p1.z - p2.z - p3.z - p4.z;
  Cdxdi[c] = 0.25 * ix;
  Cdydi[c] = 0.25 * iy;
  Cdzdi[c] = 0.25 * iz;
  Cdxdj[c] = 0.25 * jx;
  Cdydj[c] = 0.25 * jy;
  Cdzdj[c] = 0.25 * jz;
  Cdxdk[c] = 0.25 * kx;
  Cdydk[c] = 0.25 * ky;
  Cdzdk[c] = 0.25 * kz;
  Cidist[c] = 0.125 * std::sqrt(ix * ix + iy * iy + iz * iz);
  Cjdist[c] = 0.125 * std::sqrt(jx * jx + jy * jy + jz * jz);
  Ckdist[c] = 0.125 * std::sqrt(kx * kx + ky * ky + kz * kz);
  Cxcenter[c] = 0.125 * (p1.x + p2.x + p3.x + p4.x + p5.x + p6.x + p7.x + p8.x);
  Cycenter[c] = 0.125 * (p1.y + p2.y + p3.y + p4.y + p5.y + p6.y + p7.y + p8.y);
  Czcenter[c] = 0.125 * (p1.z + p2.z + p3.z + p4.z + p5.z + p6.z + p7.z + p8.z);
  Careaz[c] = 0.5 * ((p1.x - p3.x) * (p2.y - p4.y) - (p2.x - p4.x) * (p1.y - p3.y));
  Cvol[c] = 2.0 * Careaz[c] * Ckdist[c];
  Careay[c] = 2.0 * std::sqrt(Cdxdi[c] * Cdxdi[c] + Cdydi[c] * Cdydi[c]) * Ckdist[c];
  Careax[c] = 2.0 * std::sqrt(Cdxdj[c] * Cdxdj[c] + Cdydj[c] * Cdydj[c]) * Ckdist[c];
}

// 0 sound, 1 zero volume, 2 skewed, 3 negative vertical direction.
inline int cellFault(int c) {
  if (Cvol[c] < 1e-30 || std::isnan(Cvol[c])) return 1;
  if (std::fabs(Cdxdk[c]) > 1e-7 || std::fabs(Cdydk[c]) > 1e-7) return 2;
  if (Cdzdk[c] < 1e-30) return 3;
  return 0;
}

void faceGeometry(int f) {
  const Vec q1 = pointOf(Fpoint1[f]), q2 = pointOf(Fpoint2[f]), q3 = pointOf(Fpoint3[f]), q4 = pointOf(Fpoint4[f]);
  const double ax = q1.x - q3.x, ay = q1.y - q3.y, az = q1.z - q3.z;
  const double bx = q2.x - q4.x, by = q2.y - q4.y, bz = q2.z - q4.z;
  const double nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
  const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
  Farea[f] = 0.5 * len;
  Fvx[f] = nx / (len + 1e-20);
  Fvy[f] = ny / (len + 1e-20);
  Fvz[f] = nz / (len + 1e-20);
  Fax[f] = 0.5 * nx;
  Fay[f] = 0.5 * ny;
  Faz[f] = 0.5 * nz;

  // Values no side sets must not keep those of an earlier grid.
  Ftype1[f] = Ftype2[f] = 0;
  Fcell11[f] = Fcell22[f] = 0;
  Fdist1[f] = Fdist2[f] = 0.0;
  Fdz[f] = 0.0;

  const int c1 = Fcell1[f];
  if (c1 > 0 && c1 <= NoCells) {
    const double southNorth = 0.5 * (q2.z + q3.z - q1.z - q4.z);
    const double eastWest = 0.5 * (q3.z + q4.z - q1.z - q2.z);
    if (Cflates[c1] == f) {
      Ftype1[f] = 1, Fcell11[f] = Ccelln[c1], Fdist1[f] = Cjdist[c1], Fdz[f] = southNorth;
    } else if (Cflatee[c1] == f) {
      Ftype1[f] = 2, Fcell11[f] = Ccellw[c1], Fdist1[f] = Cidist[c1], Fdz[f] = eastWest;
    } else if (Cflaten[c1] == f) {
      Ftype1[f] = 3, Fcell11[f] = Ccells[c1], Fdist1[f] = Cjdist[c1], Fdz[f] = southNorth;
    } else if (Cflatew[c1] == f) {
      Ftype1[f] = 4, Fcell11[f] = Ccelle[c1], Fdist1[f] = Cidist[c1], Fdz[f] = eastWest;
    } else if (Cflateb[c1] == f) {
      Ftype1[f] = 5, Fcell11[f] = Ccellt[c1], Fdist1[f] = Ckdist[c1];
    } else if (Cflatet[c1] == f) {
      Ftype1[f] = 6, Fcell11[f] = Ccellb[c1], Fdist1[f] = Ckdist[c1];
    }
  }
  const int c2 = Fcell2[f];
  if (c2 > 0 && c2 <= NoCells) {
    if (Cflates[c2] == f) {
      Ftype2[f] = 1, Fcell22[f] = Ccelln[c2], Fdist2[f] = Cjdist[c2];
    } else if (Cflatee[c2] == f) {
      Ftype2[f] = 2, Fcell22[f] = Ccellw[c2], Fdist2[f] = Cidist[c2];
    } else if (Cflaten[c2] == f) {
      Ftype2[f] = 3, Fcell22[f] = Ccells[c2], Fdist2[f] = Cjdist[c2];
    } else if (Cflatew[c2] == f) {
      Ftype2[f] = 4, Fcell22[f] = Ccelle[c2], Fdist2[f] = Cidist[c2];
    } else if (Cflateb[c2] == f) {
      Ftype2[f] = 5, Fcell22[f] = Ccellt[c2], Fdist2[f] = Ckdist[c2];
    } else if (Cflatet[c2] == f) {
      Ftype2[f] = 6, Fcell22[f] = Ccellb[c2], Fdist2[f] = Ckdist[c2];
    }
  }
}

inline bool isCell(int c) { return c >= 1 && c <= NoCells; }
inline bool isFace(int f) { return f >= 1 && f <= NoSurfaces; }

void coordinateLines(int c) {
  const int pts[8] = {Cpoint1[c], Cpoint2[c], Cpoint3[c], Cpoint4[c], Cpoint5[c], Cpoint6[c], Cpoint7[c], Cpoint8[c]};
  const double* arr[3] = {Px, Py, Pz};
  const char* fmt[3] = {"Coordinates: x: %lf %lf %lf %lf\n", "Coordinates: y: %lf %lf %lf %lf\n",
                        "Coordinates: z: %lf %lf %lf %lf\n"};
  for (int a = 0; a < 3; ++a)
    for (int h = 0; h < 2; ++h)
      logf(fmt[a], arr[a][pts[4 * h]], arr[a][pts[4 * h + 1]], arr[a][pts[4 * h + 2]], arr[a][pts[4 * h + 3]]);
}

// The grid indexes (i, j) of the column of cell c, when the bed cells are
// numbered and the column lies inside the block grid.
bool columnOf(int c, int& i, int& j) {
  if (!Cbed || !Bkooi || !Bkooj) return false;
  const int b = Cbed[c];
  if (b < 1 || b >= bedCellCapacity()) return false;
  i = Bkooi[b];
  j = Bkooj[b];
  return i >= 1 && i <= xnumber && j >= 1 && j <= ynumber;
}

[[noreturn]] void stopZeroVolume(int c) {
  logf("\nIn metric, Error for cell %d, zero volume: %lf\n ", c, Cvol[c]);
  logf("Bed cell b=%d\n", Cbed ? Cbed[c] : 0);
  int i = 0, j = 0;
  if (columnOf(c, i, j)) {
    logf("Cell indexes: i=%d, j=%d, bed cell=%d\n", i, j, static_cast<int>(zval[i][j][0]));
    logf("zval[1]: %lf %lf %lf %lf\n", zval[i - 1][j - 1][1], zval[i][j - 1][1], zval[i][j][1], zval[i - 1][j][1]);
    logf("zval[znumber]: %lf %lf %lf %lf\n", zval[i - 1][j - 1][znumber], zval[i][j - 1][znumber],
         zval[i][j][znumber], zval[i - 1][j][znumber]);
    logf("Surfaces[LB]: %lf %lf %lf %lf\n", Surfaces[3][i - 1][j - 1], Surfaces[3][i][j - 1], Surfaces[3][i][j],
         Surfaces[3][i - 1][j]);
  }
  logf("Iter = %d\n", Iter);
  logf("idist,jdist,kdist = %lf %lf %lf\n", Cidist[c], Cjdist[c], Ckdist[c]);
  logf("Careax = %lf, Careay = %lf, Careaz = %lf\n", Careax[c], Careay[c], Careaz[c]);
  coordinateLines(c);
  if (UMethod2 > 0)
    logf("Point numbers: %d %d %d %d %d %d %d %d\n", Cpoint1[c], Cpoint2[c], Cpoint3[c], Cpoint4[c], Cpoint5[c],
         Cpoint6[c], Cpoint7[c], Cpoint8[c]);
  writeCrashFiles(false);
  fatal(-1, nullptr);
}

[[noreturn]] void stopSkewed(int c) {
  logf("\nIn metric, Error for cell %d, skewed in horizontal direction\n", c);
  logf("Iter = %d\n", Iter);
  logf("Cdxdk,Cdydk = %lf %lf\n", Cdxdk[c], Cdydk[c]);
  logf("Both these numbers should have very small values\n");
  logf("This error may be due to too large numbers in the geometry data\n");
  logf("A correction is to use a local coordinate system,\n");
  logf("with origo close to the work area\n");
  logf("Another cause of the error may be incorrect data in the input files\n");
  logf("Then check that pairs of coordinates below are identical:\n");
  logf("Coordinates: x and y values for the eight corners of the cell: \n");
  const int pts[8] = {Cpoint1[c], Cpoint2[c], Cpoint3[c], Cpoint4[c], Cpoint5[c], Cpoint6[c], Cpoint7[c], Cpoint8[c]};
  for (int e = 0; e < 4; ++e) {
    logf("Point %d: %lf %lf\n", e + 1, Px[pts[e]], Py[pts[e]]);
    logf("Point %d: %lf %lf\n", e + 5, Px[pts[e + 4]], Py[pts[e + 4]]);
  }
  logf("Indexes for pointers to cells: \n");
  for (int e = 0; e < 8; ++e) logf("Point %d: %d\n", e + 1, pts[e]);
  if (Cbed) {
    int i = 0, j = 0;
    if (!columnOf(c, i, j)) i = j = 0;
    logf("Grid indexes: (%d,%d)\n", i, j);
  }
  logf("Neighbour cells: \n");
  logf("North: %d, South: %d, East: %d, West: %d, Top: %d, Bottom: %d\n", Ccelln[c], Ccells[c], Ccelle[c], Ccellw[c],
       Ccellt[c], Ccellb[c]);
  writeCrashFiles(true);
  fatal(-1, nullptr);
}

[[noreturn]] void stopNegativeVertical(int c) {
  logf("\nIn metric, Error for cell %d, negative vertical direction\n", c);
  logf("Iter = %d\n", Iter);
  logf("Cdzdk = %le, Ckdist = %le\n", Cdzdk[c], Ckdist[c]);
  logf("Ccellb = %d, Ccellt = %d\n", Ccellb[c], Ccellt[c]);
  logf("Cdzdk[Ccellt[ll]] = %le\n", isCell(Ccellt[c]) ? Cdzdk[Ccellt[c]] : 0.0);
  const int pts[8] = {Cpoint1[c], Cpoint2[c], Cpoint3[c], Cpoint4[c], Cpoint5[c], Cpoint6[c], Cpoint7[c], Cpoint8[c]};
  for (int e = 0; e < 4; ++e) {
    logf("Point %d: %lf %lf %le\n", e + 1, Px[pts[e]], Py[pts[e]], Pz[pts[e]]);
    logf("Point %d: %lf %lf %le\n", e + 5, Px[pts[e + 4]], Py[pts[e + 4]], Pz[pts[e + 4]]);
  }
  int i = 0, j = 0;
  if (columnOf(c, i, j) && i >= 2 && j >= 2) {
    double depth = 0.0;
    const int ci[4] = {i - 1, i, i, i - 1}, cj[4] = {j - 1, j - 1, j, j};
    for (int e = 0; e < 4; ++e) depth += zval[ci[e]][cj[e]][znumber] - zval[ci[e]][cj[e]][1];
    logf("2D cell indexes: %d %d, depth = %lf meters.\n", i, j, 0.25 * depth);
    logf("ant = %d, antlin = %d, %d, %d, %d\n", ant[i][j], antlin[i - 1][j - 1], antlin[i][j - 1], antlin[i][j],
         antlin[i - 1][j]);
    logf("zval[i-1][j-1] = %lf %lf\n", zval[i - 1][j - 1][1], zval[i - 1][j - 1][znumber]);
    logf("zval[i][j-1] = %lf %lf\n", zval[i][j - 1][1], zval[i][j - 1][znumber]);
    logf("zval[i][j] = %lf %lf\n", zval[i][j][1], zval[i][j][znumber]);
    logf("zval[i-1][j] = %lf %lf\n", zval[i - 1][j][1], zval[i - 1][j][znumber]);
    logf("Bed neighbours (senw): %d %d %d %d\n", pointbed[i][j - 1], pointbed[i + 1][j], pointbed[i][j + 1],
         pointbed[i - 1][j]);
    logf("Cell neighbours (senw): %d %d %d %d\n", static_cast<int>(zval[i][j - 1][0]),
         static_cast<int>(zval[i + 1][j][0]), static_cast<int>(zval[i][j + 1][0]), static_cast<int>(zval[i - 1][j][0]));
    logf("zval[0] = %d\n", static_cast<int>(zval[i][j][0]));
  }
  writeCrashFiles(false);
  fatal(-1, nullptr);
}

// Triangle cells (F 235, F 245).
void correctTriangles() {
  if (!Ctrekant || (FlagCorrTrekant != 2 && FlagCorrTrekant != 3 && FlagCorrTrekant != 22)) return;
  for (int c = 1; c <= NoCells; ++c) {
    if (Ctrekant[c] == 0) continue;
    if (FlagCorrTrekant == 2) {
      if (Ccelle[c] > 0 && isFace(Cflatee[c])) Farea[Cflatee[c]] *= 2.0;
      if (Ccelln[c] > 0 && isFace(Cflaten[c])) Farea[Cflaten[c]] *= 2.0;
      if (Ccells[c] > 0 && isFace(Cflates[c])) Farea[Cflates[c]] *= 2.0;
      if (Ccellw[c] > 0 && isFace(Cflatew[c])) Farea[Cflatew[c]] *= 2.0;
    } else if (FlagCorrTrekant == 3) {
      Cvol[c] *= 2.0;
    } else {
      auto area = [](int f) { return isFace(f) ? Farea[f] : 0.0; };
      Careax[c] = std::fmax(area(Cflatee[c]), area(Cflatew[c]));
      Careay[c] = std::fmax(area(Cflates[c]), area(Cflaten[c]));
    }
  }
}

// Cells whose neighbour column has several cells on one side (F 137).
void attachSeveralNeighbours() {
  if (QNFlag <= 0 || NoCells <= 0 || !Cncelle || !Cqncelle) return;
  for (int c = 1; c <= NoCells; ++c) {
    struct Side {
      int count;
      int* list;
      int* listFace;  // the face of a listed cell that meets c
      bool first;     // c is Fcell1 of those faces
      int type;
      int far;
      double dist;
      int beyond;     // the ordinary neighbour on this side
      int* beyondFace;
      double beyondDist;
    };
    const int e = Ccelle[c], w = Ccellw[c], n = Ccelln[c], s = Ccells[c];
    const Side sides[4] = {
        {Cncelle[c], Cqncelle[c], Cflatew, true, 2, Ccellw[c], Cidist[c], e, Cflatew, isCell(e) ? Cidist[e] : 0.0},
        {Cncellw[c], Cqncellw[c], Cflatee, false, 4, Ccelle[c], Cidist[c], w, Cflatee, isCell(w) ? Cidist[w] : 0.0},
        {Cncelln[c], Cqncelln[c], Cflates, true, 3, Ccells[c], Cjdist[c], n, Cflates, isCell(n) ? Cjdist[n] : 0.0},
        {Cncells[c], Cqncells[c], Cflaten, false, 1, Ccelln[c], Cjdist[c], s, Cflaten, isCell(s) ? Cjdist[s] : 0.0}};
    for (const Side& sd : sides) {
      if (sd.count < 1) continue;
      const int m = sd.count < znumber ? sd.count : znumber;
      const int firstListed = sd.list[0];
      for (int k = 0; k < m; ++k) {
        const int listed = firstListed + k;
        if (!isCell(listed)) break;
        const int f = sd.listFace[listed];
        if (!isFace(f)) continue;
        if (sd.first) {
          Fcell1[f] = c, Ftype1[f] = sd.type, Fcell11[f] = sd.far, Fdist1[f] = sd.dist;
        } else {
          Fcell2[f] = c, Ftype2[f] = sd.type, Fcell22[f] = sd.far, Fdist2[f] = sd.dist;
        }
      }
      if (isCell(sd.beyond) && isFace(sd.beyondFace[sd.beyond])) {
        if (sd.first)
          Fdist2[sd.beyondFace[sd.beyond]] = sd.beyondDist;
        else
          Fdist1[sd.beyondFace[sd.beyond]] = sd.beyondDist;
      }
    }
  }
}

// Nearly horizontal side faces under a tilted surface (F 230).
void tiltSurface() {
  if (FlagTiltSurf != 1) return;
  for (int f = 1; f <= NoSurfaces; ++f) {
    const int c1 = Fcell1[f], c2 = Fcell2[f];
    if (!(Fvz[f] < 0.01) || !isCell(c1) || !isCell(c2)) continue;
    const int t1 = Cflatet[c1], t2 = Cflatet[c2];
    if (!isFace(t1) || !isFace(t2)) continue;
    const double t = 0.5 * (Fvz[t1] + Fvz[t2]);
    const double s = std::sqrt(std::fmax(0.0, 1.0 - t * t));
    const double len = std::sqrt(Fvx[f] * Fvx[f] + Fvy[f] * Fvy[f] + s * s) + 1e-20;
    Fvx[f] /= len;
    Fvy[f] /= len;
    Fvz[f] = s / len;
    Fax[f] = Farea[f] * Fvx[f];
    Fay[f] = Farea[f] * Fvy[f];
    Faz[f] = Farea[f] * Fvz[f];
  }
}

// Faces that stand for the same interface between two blocks.
void joinConnectedFaces() {
  if (!connFlate) return;
  for (int p = 1; p <= NoConnFlate && p < MaxConnFlate; ++p) {
    const int a = connFlate[p][0], b = connFlate[p][1];
    if (!isFace(a) || !isFace(b)) continue;
    struct Known {
      int type, far;
      double dist;
    };
    auto known = [](int f) {
      return Ftype1[f] != 0 ? Known{Ftype1[f], Fcell11[f], Fdist1[f]} : Known{Ftype2[f], Fcell22[f], Fdist2[f]};
    };
    const Known ka = known(a), kb = known(b);
    if (Ftype1[a] != 0)
      Ftype2[a] = kb.type, Fcell22[a] = kb.far, Fdist2[a] = kb.dist;
    else
      Ftype1[a] = kb.type, Fcell11[a] = kb.far, Fdist1[a] = kb.dist;
    if (Ftype1[b] == 0)
      Ftype1[b] = ka.type, Fcell11[b] = ka.far, Fdist1[b] = ka.dist;
    else
      Ftype2[b] = ka.type, Fcell22[b] = ka.far, Fdist2[b] = ka.dist;
  }
}

void writeCellVolumeHistogram() {
  double zmin = 10000.0, zmax = -100000.0;
  for (int c = 1; c <= NoCells; ++c) {
    zmin = std::fmin(zmin, Czcenter[c] - Ckdist[c]);
    zmax = std::fmax(zmax, Czcenter[c]);
  }
  double width = (zmax - zmin) / 100.0;
  if (!(width > 0.0)) width = 1.0;  // every cell at one level: one class
  long counts[101] = {};
  auto classOf = [&](double z) {
    const double k = (z - zmin) / width + 1e-6;
    return k < 0.0 ? -1 : (k >= 101.0 ? -1 : static_cast<int>(k));
  };
  for (int c = 1; c <= NoCells; ++c)
    if (Ccellb[c] == 0) {
      const int k = classOf(Czcenter[c] - Ckdist[c]);
      if (k >= 0) ++counts[k];
    }
  FILE* out = openWrite("cellvol", "w");
  if (!out) {
    setMessage("cannot open file 'cellvol' ");
    fatal(-3, nullptr);
  }
  for (int m = 0; m <= 100; ++m) std::fprintf(out, "%lf %ld\n", zmin + m * width, counts[m]);
  closeOutput(out);

  Scanner geo;
  if (!geo.open("geodata")) return;
  long points = 0;
  for (long k = 0; k <= 100; ++k) counts[k] = 0;
  double xyz[3];
  while (points < 1000000000L && nextTerrainPoint(geo, "geodata", xyz)) {
    ++points;
    const int k = classOf(xyz[2]);  // points outside the cell levels belong to no class
    if (k >= 0) ++counts[k];
  }
  out = openWrite("cellvol", "a");
  if (!out) {
    setMessage("cannot open file 'cellvol' ");
    fatal(-3, nullptr);
  }
  std::fprintf(out, "No. points used in geodata file: %ld\n", points);
  for (int m = 0; m <= 100; ++m) std::fprintf(out, "%lf %ld\n", zmin + m * width, counts[m]);
  closeOutput(out);
}

void specialOutputs() {
  if (FlagWriteSpecial == 12) {
    writeCellVolumeHistogram();
  } else if (FlagWriteSpecial == 15) {
    double mx = 0.0, mn = 1e7, sum = 0.0;
    for (int c = 1; c <= NoCells; ++c) {
      mx = std::fmax(mx, Cdzdk[c]);
      mn = std::fmin(mn, Cdzdk[c]);
      sum += Cdzdk[c];
    }
    logf("Vertical cell size: Max: %lf, Min: %lf, Average: %lf m\n\n", mx, mn, NoCells > 0 ? sum / NoCells : 0.0);
  } else if (FlagWriteSpecial == 16) {
    double sum = 0.0;
    for (int c = 1; c <= NoCells; ++c) sum += Ckdist[c] / std::sqrt(Cidist[c] * Cjdist[c] + 1e-20);
    logf("Average cell height/width = %lf\n", NoCells > 0 ? sum / NoCells : 0.0);
  }
}

// The cells of the ordinary blocks, column by column from the bottom cell up.
void solvingOrder() {
  const int last = MaxCeller;  // the largest index Cisolve holds (one past the cells)
  int n = 0;
  Cisolve[0] = 0;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& B = block[b];
    if (B.kind != 0) continue;
    for (int i = B.i1 < 1 ? 1 : B.i1; i <= B.i2 && i <= xnumber; ++i)
      for (int j = B.j1 < 1 ? 1 : B.j1; j <= B.j2 && j <= ynumber; ++j) {
        int c = static_cast<int>(zval[i][j][0]);
        for (int steps = 0; isCell(c) && steps < NoCells && n < last; ++steps) {
          Cisolve[++n] = c;
          c = Ccellt[c];
        }
      }
  }
  if (n + 1 <= last) Cisolve[n + 1] = 0;
}

}  // namespace

void metric() {
  if (FlagHaveDoneMetric == 1 && FlagTestBugMetric == 0) return;

  const int nc = NoCells, nf = NoSurfaces;
#pragma omp parallel for schedule(static)
  for (int c = 1; c <= nc; ++c) cellGeometry(c);
  for (int c = 1; c <= nc; ++c) {
    switch (cellFault(c)) {
      case 1: stopZeroVolume(c);
      case 2: stopSkewed(c);
      case 3: stopNegativeVertical(c);
      default: break;
    }
  }

#pragma omp parallel for schedule(static)
  for (int f = 1; f <= nf; ++f) faceGeometry(f);

  correctTriangles();
  attachSeveralNeighbours();
  tiltSurface();
  otime[44] = omp_get_wtime();
  joinConnectedFaces();
  setFaceFlowFlags();
  specialOutputs();
  solvingOrder();
  FlagHaveDoneMetric = 1;
}

void ArmapMake() {
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& B = block[b];
    if (B.gridLevel != 0) continue;
    for (int i = B.i1 < 1 ? 1 : B.i1; i <= B.i2 && i <= xnumber; ++i)
      for (int j = B.j1 < 1 ? 1 : B.j1; j <= B.j2 && j <= ynumber; ++j) {
        const double a = 0.5 * std::fabs((xval[i][j] - xval[i - 1][j - 1]) * (yval[i - 1][j] - yval[i][j - 1]) -
                                         (xval[i - 1][j] - xval[i][j - 1]) * (yval[i][j] - yval[i - 1][j - 1]));
        armap[i][j] = a < 1e-20 ? 0.0 : a;
      }
  }
}
