// Dune statistics of a moving bed. Along one longitudinal profile (F 370):
// crests and troughs, per dune its depth, height, length, velocity, Froude
// number, eddy viscosity and two diffusion coefficients, the migration speed
// of the crests between calls and the run's vertical profile of a diffusion
// parameter (dune, dunediff, dunevert, barcelona_fr). Over every row of
// block 1 (F 552): the crest and trough marks of the plan files, the dunes
// (dune, or dune2d beside the profile series, and dunedetail) and the
// bed-form height of the dunes' bed cells.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "state/log.h"
#include "state/outfile.h"
#include "output/output.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/outputstate.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

bool gridLine(int i, int j) { return i >= 0 && j >= 0 && i <= xnumber + 1 && j <= ynumber + 1; }
int validCell(int c) { return (c > 0 && c < MaxCeller && c <= NoCells) ? c : 0; }
int validFace(int f) { return (f > 0 && f < MaxFlater && f <= NoSurfaces) ? f : 0; }
int lowestCell(int i, int j) { return (zval && gridLine(i, j)) ? validCell(static_cast<int>(zval[i][j][0])) : 0; }
int bedCellAt(int i, int j) {
  if (!pointbed || !gridLine(i, j)) return 0;
  const int b = pointbed[i][j];
  return (b > 0 && b < bedCellCapacity()) ? b : 0;
}
double referenceBed(int i, int j) { return (Surfaces && gridLine(i, j)) ? Surfaces[0][i][j] : 0.0; }

std::FILE* openStatistics(const char* name, const char* mode, const char* failure) {
  std::FILE* f = openWrite(name, mode);
  if (!f) fatal(-1, "%s", failure);
  return f;
}

// ---- Along one profile ----

// The forms of the profile statistics: the current one, and two older ones
// kept for comparison (no caller in a run): the old form without K_A and
// the fractions, the second old form with the exchange coefficients of k
// and epsilon and the velocity-weighted fluxes.
enum class DuneForm { Current, Old, Old2 };

// The cells of a column below its top cell, from the bottom up.
struct ProfileColumn {
  bool measured = false;  // wet, with at least one cell below the top cell
  int n = 0;
  double h = 0, u = 0, Fr = 0, qm = 0, gamma = 0;
  double Kk = 0, Keps = 0;  // second old form: means of the weighted fluxes of k and epsilon
};

// Values of column (m, J); q[k] (k = 1..n) the vertical flux through the top
// face of the k-th cell times its half height (in the second old form
// weighted with the ratio of the sum and the difference of the velocities
// of the cell and the cell above).
ProfileColumn profileColumn(int m, int J, std::vector<double>& q, DuneForm form, int levels) {
  ProfileColumn col;
  std::vector<int> cells;
  for (int c = lowestCell(m, J), guard = 0; c > 0 && guard <= znumber + 1; c = validCell(Ccellt[c]), ++guard)
    cells.push_back(c);
  if (cells.size() < 2) return col;  // dry or a single cell: nothing to measure
  col.n = std::min(static_cast<int>(cells.size()) - 1, levels - 1);
  double kdist = 0, speed = 0, qsum = 0;
  for (int k = 1; k <= col.n; ++k) {
    const int c = cells[static_cast<std::size_t>(k) - 1];
    kdist += Ckdist[c];
    speed += Cxvel[c];
    col.gamma += Cgamma ? Cgamma[c] : 0.0;
    const int f = validFace(Cflatet[c]);
    const double w = f > 0 ? std::fabs(Fflux[f] / (Farea[f] + 1e-20)) * 0.001 : 0.0;
    q[k] = w * Ckdist[c];
    if (form == DuneForm::Old2) {
      const int a = cells[static_cast<std::size_t>(k)];
      auto weighted = [&](const double* v) {
        return v ? std::fabs((v[c] + v[a]) / (v[c] - v[a] + 1e-30)) * 0.5 * 2.0 * w * Ckdist[c] : 0.0;
      };
      q[k] = weighted(Cxvel);
      col.Kk += weighted(Ckinen);
      col.Keps += weighted(Cepsilon);
    }
    qsum += q[k];
  }
  col.Kk /= col.n;
  col.Keps /= col.n;
  col.measured = true;
  col.h = 2.0 * kdist;
  col.u = speed / col.n;
  col.Fr = col.u / std::sqrt(9.81 * col.h + 1e-20);
  col.qm = qsum / col.n;
  return col;
}

// The window of every grid line of the profile must lie in the block grid,
// the profile within the crest tables and the levels within the profile
// tables.
void checkProfileWindow(DuneForm form, int levels) {
  const int I1 = WriteDuneI1, I2 = WriteDuneI2, D = WriteDuneDI, J = WriteDuneJ1;
  if (form == DuneForm::Current && I2 > kDuneProfilePoints - 2)
    fatal(-1, "Error in F 370 data set. Recompile if the grid has more than 9000 profiles\n");
  if (form == DuneForm::Old2 && I2 > 4998)
    fatal(-1, "Error in F 370 data set. Recompile if the grid has more than 5000 profiles\n");
  if (form == DuneForm::Old && (I2 - I1 > 5000 || I2 > kDuneProfilePoints - 2))
    fatal(-1, "Error in F 370 data set. Recompile if the section has more than 5000 cells\n");
  if (I1 - D < 0 || I2 + D > xnumber + 1 || J < 0 || J > ynumber + 1)
    fatal(-1,
          "Error in F 370 data set: the dune profile %d..%d with %d neighbours on grid line %d reaches beyond the "
          "grid lines 0..%d\n",
          I1, I2, D, J, xnumber + 1);
  if (znumber > levels - 1)
    fatal(-1, "Error in F 370 data set. Recompile if the grid has more than %d levels\n", levels - 1);
}

// Grain-size distributions of the top layer in three parts of one cross
// section of block 1.
void writeCrossSectionFractions(std::FILE* f) {
  const BlockRecord& B = block[1];
  const int I = std::max(B.i2 / 2, B.i2 - 100);
  const int t = (B.j2 - 1) / 3;
  const int parts[3][2] = {{B.j1, B.j1 + t - 1}, {B.j1 + t, B.j2 - t}, {B.j2 - t + 1, B.j2}};
  std::fprintf(f, "%lf seconds ", stimet);
  for (const auto& part : parts) {
    for (int k = 1; k <= lnumber; ++k) {
      double sum = 0;
      int count = 0;
      for (int j = part[0]; j <= part[1]; ++j) {
        const int b = bedCellAt(I, j);
        if (b == 0 || !BSedDistrib || !BlayerTop) continue;
        const int top = BlayerTop[b];
        if (top < 0 || top > NoBedLayers) continue;
        sum += BSedDistrib[top][k][b];
        ++count;
      }
      std::fprintf(f, "%lf ", count > 0 ? sum / count : 0.0);
    }
    std::fprintf(f, " - ");
  }
  std::fprintf(f, "\n");
}

void writeDuneForm(DuneForm form) {
  const int levels = form == DuneForm::Old2 ? 500 : kDuneLevels;
  checkProfileWindow(form, levels);
  const int I1 = WriteDuneI1, I2 = WriteDuneI2, D = WriteDuneDI, J = WriteDuneJ1;
  const bool first = DuneCalls == 0;
  const bool fractions = form == DuneForm::Current && FlagTSC == 3 && NoBlocks >= 1 && block[1].j2 >= 11;
  std::FILE* dune = openStatistics("dune", first ? "w" : "a", "Error in opening dune file\n\n");
  std::FILE* diff = openStatistics("dunediff", first ? "w" : "a", "Error in opening dunediff file\n\n");
  std::FILE* fr = fractions ? openStatistics("barcelona_fr", first ? "w" : "a",
                                             "Error in opening barcelona_fractions file\n\n")
                            : nullptr;
  if (first) {
    const bool dep = FlagDepthDeposit != 0;
    if (form == DuneForm::Old)
      std::fprintf(dune, dep ? "Time,   depth,  duneheigh,  dunelength, dunespeed, ddif,   bech\n"
                             : "Time,     dh,       dz,       dx,      U,   ddif\n");
    else if (form == DuneForm::Old2)
      std::fprintf(dune, dep ? "Time,   depth,  duneheigh,  dunelength, dunespeed, K_A, K_k, K_eps, alpha_diff, bech1, "
                               "bech2\n"
                             : "Time,  depth,  duneheight, dunelength, dunespeed, K_A, K_k, K_eps, alpha_diff\n");
    else
      std::fprintf(dune, dep ? "Time,   depth,  duneheigh,  dunelength, dunespeed, K_A, alpha_diff, bech1, bech2\n"
                             : "Time,  depth,  duneheight, dunelength, dunespeed, K_A, alpha_diff\n");
    if (form == DuneForm::Old)
      std::fprintf(diff,
                   "dunediff [-], gamma [Pa s], Froude [-], velocity [m/s], duneheight [-], dunelength [-], "
                   "waterdepth [m], stimet [s], duneno [-]\n");
    else
      std::fprintf(diff,
                   "K_A [-], a_diff [-], gamma [Pa s], Froude [-], velocity [m/s], duneheight [m], dunelength [m], "
                   "waterdepth [m], stimet [s], duneno [-]\n");
    if (fr) std::fprintf(fr, "Grain size distributions in tree sections: \n\n");
  }

  // Crests and troughs along the profile.
  auto z = [&](int i) { return zval[i][J][1]; };
  int firstCrest = 0, lastCrest = 0;
  for (int i = I1; i <= I2; ++i) {
    DuneIndex2[i] = DuneIndex1[i];
    DuneIndex1[i] = 0;
    bool crest = true, trough = true;
    for (int m = i - D; m <= i + D; ++m) {
      if (m == i) continue;
      if (z(m) > z(i)) crest = false;
      if (z(m) < z(i)) trough = false;
    }
    if (crest) {
      DuneIndex1[i] = 1;
      if (firstCrest == 0) firstCrest = i;
      lastCrest = i;
    }
    if (trough) DuneIndex1[i] = -1;
  }

  // Reference slope: of the water surface between the outer crests, else of
  // the bed along the profile.
  double S;
  if (lastCrest > 0 && lastCrest != firstCrest) {
    const double dx = xval[lastCrest][J] - xval[firstCrest][J];
    S = dx != 0.0 ? (zval[firstCrest][J][znumber] - zval[lastCrest][J][znumber]) / dx : 0.0;
  } else {
    const double dx = xval[I2][J] - xval[I1][J];
    S = dx != 0.0 ? (z(I1) - z(I2)) / dx : 0.0;
  }
  S = std::max(S, 1e-8);

  std::vector<double> A(kDuneLevels, 0.0), B(kDuneLevels, 0.0), q(kDuneLevels, 0.0);
  double sumh = 0, sumH = 0, sumL = 0, sumKA = 0, sumAdiff = 0, sumKk = 0, sumKeps = 0;
  int count = 0;
  double zt = 0.0;
  bool troughSeen = false;
  for (int c = I1; c <= I2; ++c) {
    if (DuneIndex1[c] != 1) continue;
    double h = 0, u = 0, Fr = 0, qm = 0, G = 0, Kk = 0, Keps = 0, lowest = 1e300;
    int measured = 0, nLast = 0, c2 = 0;
    const int nCrest = profileColumn(c, J, q, form, levels).n;
    for (int m = c; m < I2; ++m) {
      const ProfileColumn col = profileColumn(m, J, q, form, levels);
      if (col.measured) {
        Kk += col.Kk;
        Keps += col.Keps;
        h += col.h;
        u += col.u;
        Fr += col.Fr;
        qm += col.qm;
        G += col.gamma;
        nLast = col.n;
        ++measured;
        for (int k = 1; k <= col.n; ++k) A[k] += q[k] / (col.u + 1e-30);
      }
      const double level = z(m) - referenceBed(m, J);
      lowest = std::min(lowest, level);
      if (DuneIndex1[m] == -1) {
        zt = level;
        troughSeen = true;
      }
      if (DuneIndex1[m + 1] == 1) {
        c2 = m + 1;
        break;
      }
    }
    if (c2 == 0) break;  // the last crest starts no dune
    const int N = c2 - c;
    const double zc1 = z(c) - referenceBed(c, J), zc2 = z(c2) - referenceBed(c2, J);
    const double H = 0.5 * (zc1 + zc2) - (troughSeen ? zt : lowest);
    if (measured == 0) {
      std::fill(A.begin(), A.end(), 0.0);
      continue;  // a dry dune has no flow to measure
    }
    h = h / measured + 1e-20;
    u /= measured;
    Fr /= measured;
    qm /= measured;
    const double gamma = G / nLast / measured;
    const double nu = 0.001 * gamma;
    const double L = xval[c2][J] - xval[c][J];
    const double ustar = std::sqrt(S * 1000.0 * 9.81 * h * 0.001);
    const double KA = qm / (H * u + 1e-20);
    const double adiff = nu / (ustar * h);
    ++count;
    if (form == DuneForm::Old)
      std::fprintf(diff, "%lf %lf %lf %lf %lf %lf %lf %lf %d\n", adiff, gamma, Fr, u, H, L, h, stimet, count);
    else
      std::fprintf(diff, "%lf %lf %lf %lf %lf %lf %lf %lf %lf %d\n", KA, adiff, gamma, Fr, u, H, L, h, stimet, count);
    sumKk += Kk / measured / (H * u + 1e-20);
    sumKeps += Keps / measured / (H * u + 1e-20);
    sumh += h;
    sumH += H;
    sumL += L;
    sumKA += KA;
    sumAdiff += adiff;
    if (std::fabs(N * H) > 1e-20)
      for (int k = 1; k <= nCrest; ++k) B[k] += A[k] / (N * H);
    std::fill(A.begin(), A.end(), 0.0);
  }
  nodunesTot += count;
  for (int k = 1; k < kDuneLevels; ++k) DuneDiffVert[k] += B[k];

  // Migration of the crests since the previous call: each crest of the
  // previous call is matched with the first crest of this call downstream of
  // it, before the next crest of the previous call.
  double moved = 0.0;
  int matched = 0;
  for (int m = I1 + 1; m <= I2; ++m) {
    if (DuneIndex2[m - 1] != 1 || DuneIndex2[m] == 1) continue;
    for (int p = m; p <= I2; ++p) {
      if (p > m && DuneIndex2[p] == 1) break;
      if (DuneIndex1[p] == 1) {
        moved += xval[p][J] - xval[m - 1][J];
        ++matched;
        break;
      }
    }
  }
  const double speed = matched > 0 ? (moved / matched) / (WriteDuneIter * TimeStep + 1e-20) : 0.0;

  const double per = 1.0 / (count + 1e-20);
  if (form == DuneForm::Old)
    std::fprintf(dune, "%lf %lf %lf %lf %lf %lf", stimet, sumh * per, sumH * per, sumL * per, speed, sumAdiff * per);
  else if (form == DuneForm::Old2)
    std::fprintf(dune, "%lf %lf %lf %lf %lf %lf %lf %lf %lf", stimet, sumh * per, sumH * per, sumL * per, speed,
                 sumKA * per, sumKk * per, sumKeps * per, sumAdiff * per);
  else
    std::fprintf(dune, "%lf %lf %lf %lf %lf %lf %lf", stimet, sumh * per, sumH * per, sumL * per, speed, sumKA * per,
                 sumAdiff * per);
  if (FlagDepthDeposit > 0) {
    if (form == DuneForm::Old)
      std::fprintf(dune, " %lf", depthDepositIn);
    else
      std::fprintf(dune, " %lf %lf", depthDepositIn, depthDepositOut);
  }
  std::fprintf(dune, "\n");
  closeOutput(dune);
  closeOutput(diff);

  std::FILE* vert = openStatistics("dunevert", "w", "Error in opening dunevert file\n\n");
  std::fprintf(vert, "\nVertical distribution of diffusion parameter [-]:\n");
  for (int k = 1; k <= znumber && k < kDuneLevels && DuneDiffVert[k] > 1e-20; ++k)
    std::fprintf(vert, "%d %le\n", k, DuneDiffVert[k] / nodunesTot);
  closeOutput(vert);

  if (fr) {
    writeCrossSectionFractions(fr);
    closeOutput(fr);
  }
  ++DuneCalls;
}

}  // namespace

void writeDune() { writeDuneForm(DuneForm::Current); }
void writeDuneOld() { writeDuneForm(DuneForm::Old); }
void writeDuneOld2() { writeDuneForm(DuneForm::Old2); }

// ---- Over the rows of block 1 ----

namespace {

struct Column2D {
  bool wet = false;
  int c = 0, b = 0;
  double zb = 0;
};

Column2D column2D(int i, int j) {
  Column2D col;
  col.c = lowestCell(i, j);
  if (col.c == 0) return col;
  col.wet = true;
  col.b = bedCellAt(i, j);
  col.zb = Czcenter[col.c] - Ckdist[col.c];
  return col;
}

double layerThickness(int layer, int b) {
  if (!BSedDistrib || b <= 0 || layer > NoBedLayers) return 0.0;
  return BSedDistrib[layer][0][b];
}

// The profile series of writeDune (run letter S with an F 370 profile)
// appends its lines to `dune` along the run; the plan statistics, which
// create their summary anew at every call, then go to `dune2d`, so that
// neither file wipes out the other.
bool profileSeriesInRun() {
  if (WriteDuneI1 <= 0) return false;
  for (int i = 0; i < 10; ++i)
    if (run[i] == 'S') return true;
  return false;
}

}  // namespace

void writeDune2D() {
  if (Bedformheight)
    for (int b = 1; b <= NoBCells && b < bedCellCapacity(); ++b) Bedformheight[b] = 0.0;
  if (DuneIndex)
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) DuneIndex[i][j] = 0;
  std::FILE* summary = profileSeriesInRun() ? openStatistics("dune2d", "w", "Error in opening dune2d file\n\n")
                                             : openStatistics("dune", "w", "Error in opening dune file\n\n");
  std::fprintf(summary, "Number of dunes, time, waterdepth, duneheight, dunelength, velocity\n");
  std::FILE* detail = openStatistics("dunedetail", "w", "Error in opening dunedetail file\n\n");
  std::fprintf(detail,
               "Waterdepth,  duneheight, dunelength, velocity, Froude number, bed shear, sediment thickness, d50, "
               "d90, x-coordinate, y-coordinate\n");

  int count = 0;
  double sumh = 0, sumH = 0, sumL = 0, sumU = 0;
  const int I1 = std::max(WriteDuneI1, 0), I2 = std::min(WriteDuneI2, xnumber + 1), D = WriteDuneDI;
  if (NoBlocks >= 1 && DuneIndex && zval)
    for (int j = std::max(block[1].j1, 0); j <= block[1].j2 && j <= ynumber + 1; ++j) {
      // Crests and troughs among the wet columns; on a flat top the most
      // downstream column is the crest.
      for (int i = I1; i <= I2; ++i) {
        const Column2D here = column2D(i, j);
        if (!here.wet) continue;
        bool crest = true, trough = true;
        for (int m = i - D; m <= i + D; ++m) {
          if (m == i || m < 0 || m > xnumber + 1) continue;
          const Column2D other = column2D(m, j);
          if (!other.wet) continue;
          if ((m < i && other.zb > here.zb) || (m > i && other.zb >= here.zb)) crest = false;
          if (other.zb < here.zb) trough = false;
        }
        if (crest) DuneIndex[i][j] = 1;
        if (trough) DuneIndex[i][j] = -1;
      }

      // A dune runs from a crest over wet columns to the next crest.
      for (int i = I1; i < I2; ++i) {
        if (DuneIndex[i][j] != 1) continue;
        const Column2D start = column2D(i, j);
        double depth = 0, speed = 0, shear = 0, d50 = 0, d90 = 0, thickMin = 1e300, lowest = 1e300, lx = 0, ly = 0;
        int n = 0, end = 0;
        for (int m = i; m < I2; ++m) {
          const Column2D col = column2D(m, j);
          if (!col.wet) break;  // a dry column ends the walk without a dune
          ++n;
          if (col.zb < lowest) {
            lowest = col.zb;
            lx = Cxcenter[col.c];
            ly = Cycenter[col.c];
          }
          double kd = 0, kdSpeed = 0, h = 0;
          for (int c = col.c, guard = 0; c > 0 && guard <= znumber + 1; c = validCell(Ccellt[c]), ++guard) {
            kd += Ckdist[c];
            kdSpeed += std::sqrt(Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]) * Ckdist[c];
            h += 2.0 * Ckdist[c];
          }
          depth += h;
          speed += kdSpeed / (kd + 1e-20);
          shear += 300.0 * Ckinen[col.c];
          if (col.b > 0) {
            d50 += Bd50 ? Bd50[col.b] : 0.0;
            d90 += Bd90 ? Bd90[col.b] : 0.0;
          }
          thickMin = std::min(thickMin, layerThickness(0, col.b) + layerThickness(1, col.b));
          if (DuneIndex[m + 1][j] == 1) {
            end = m + 1;
            break;
          }
        }
        if (end == 0) continue;
        const Column2D stop = column2D(end, j);
        const double L = std::hypot(Cxcenter[stop.c] - Cxcenter[start.c], Cycenter[stop.c] - Cycenter[start.c]);
        const double H = 0.5 * (start.zb + stop.zb) - lowest;
        const double h = depth / n + 1e-20, u = speed / n, Fr = u / std::sqrt(9.81 * h);
        std::fprintf(detail, "%lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf\n", h, H, L, u, Fr, shear / n, thickMin,
                     d50 / n, d90 / n, lx, ly);
        ++count;
        sumh += h;
        sumH += H;
        sumL += L;
        sumU += u;
        // The bed forms the flow feels: the dune's height where the bed is
        // thick enough to hold it.
        if (Bedformheight && thickMin > H && thickMin > 0.9 * FlagMakeKoomin)
          for (int m = i; m < end; ++m) {
            const int b = bedCellAt(m, j);
            if (b >= 1) Bedformheight[b] = H;
          }
      }
    }
  const double per = 1.0 / (count + 1e-20);
  std::fprintf(summary, "%d %lf %lf %lf %lf %lf\n", count, stimet, sumh * per, sumH * per, sumL * per, sumU * per);
  closeOutput(summary);
  closeOutput(detail);
}
