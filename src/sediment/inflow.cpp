// Sediment entering at the inflow discharge groups: the water flux through
// each inflow face goes into the diagonal of the cell beside it and the same
// flux times the inflow concentration into its source. Also the mass that
// entered, the recirculated outflow concentration of cyclic runs, the file
// `outconc` and its period averages (F 537).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "grid/inflowprofile.h"
#include "state/log.h"
#include "state/outfile.h"
#include "io/sidefiles.h"
#include "sediment/suspended.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/groups.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

constexpr int kGroups = 9;
constexpr int kCinnWidth = 20;

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }
inline bool faceOk(int f) { return f >= 1 && f <= NoSurfaces; }
inline int faceCell(int f) { return Fcell1[f] > 0 ? Fcell1[f] : Fcell2[f]; }
inline bool bottomCell(int c) { return Ccellb[c] == 0; }
inline bool multipleOf(double x, double n) { return std::fabs(std::fmod(x, n)) < 0.001; }

// Where one call books: the single-field equation (one size) or the rows of
// size l, the mass counter, and whether Binout takes the water.
struct Target {
  bool several;
  int size;  // 1, or l
  double *ap, *src;
  bool binout;
};

void addMass(const Target& t, double mass) {
  SumInflow += mass;
  kIn[t.size] += mass;
}

void bookBinout(const Target& t, int c, double Q) {
  if (t.binout && Binout && bottomCell(c) && Cbed[c] > 0 && Cbed[c] < bedCellCapacity()) Binout[Cbed[c]] += Q;
}

// Books a face cell with water flux Q (kg/s) at concentration conc.
void book(const Target& t, int c, double Q, double conc) {
  t.ap[c] += Q;
  t.src[c] += Q * conc;
  addMass(t, Q * TimeStep * conc * density);
  bookBinout(t, c, Q);
}

double cinn(int row, int n) { return Cinn && n >= 0 && n < kCinnWidth ? Cinn[row][n] : 0.0; }

// Step 1: the current discharge and the inflow concentration of every group.
void groupConcentrations(const Target& t, double cg[kGroups + 1]) {
  for (int g = 0; g <= kGroups; ++g) cg[g] = 0.0;
  int k = 0;
  double w = 0.0;
  if (FlagDischargeTime == 0 || !sedimentSeriesWeight(k, w)) {
    for (int g = 1; g <= kGroups; ++g) {
      DischargeArray[g] = DischargeStruct[g].discharge;
      cg[g] = CompInflowNo >= 1 ? (t.size < 20 ? CompInflow[g].value[t.size] : 0.0) : cinn(0, t.size);
    }
    return;
  }
  if (FlagCyclicSstart >= 1 && FlagCyclicSstart <= k) FlagCyclicS = 2;
  const int lo = std::max(k - 1, 0);
  int j = 0;
  for (int g = 1; g <= kGroups; ++g) {
    if (groupFaceCount(DischargeStruct[g]) < 1) continue;
    DischargeArray[g] = 1000.0 * (w * QDinn[lo][g] + (1.0 - w) * QDinn[k][g]);
    if (DischargeStruct[g].inflow == 1) {
      ++j;
      const int n = t.several ? lnumber * (j - 1) + t.size : j;
      cg[g] = w * cinn(lo, n) + (1.0 - w) * cinn(k, n);
    }
  }
}

void appendOutconc(const char* fmt, double v) {
  FILE* f = openWrite("outconc", "a");
  if (!f) {
    logf("Warning: cannot open file 'outconc'\n");
    return;
  }
  std::fprintf(f, fmt, v);
  closeOutput(f);
}

// Step 3 (several sizes, F 537): averages over three fixed periods.
void periodAverages(int l, double m) {
  if (!StoreConcCleared) {
    for (auto& row : StoreConc)
      for (double& v : row) v = 0.0;
    StoreConcCleared = 1;
  }
  const int sizes = std::min(lnumber, 50);
  auto divide = [sizes](int row) {
    if (nosteps > 0)
      for (int s = 1; s <= sizes; ++s) StoreConc[row][s] /= nosteps;
  };
  const double t = stimet;
  if (stage == 0 && t > 252000.0 && l == 1) {
    divide(0);
    stage = 1;
    nosteps = 0;
  } else if (stage == 1 && t > 504000.0 && l == 1) {
    divide(1);
    stage = 2;
    nosteps = 0;
  } else if (stage == 2 && t > 755990.0) {
    // The sizes before the last add nothing in this call: the step is not
    // counted in nosteps, and each average keeps to the steps it counts.
    if (l < lnumber) return;
    divide(2);
    nosteps = 0;
    stage = 3;
    FILE* f = openWrite("outconc", "a");
    if (!f) {
      logf("Warning: cannot open file 'outconc'\n");
      return;
    }
    for (int p = 0; p < 3; ++p) {
      std::fprintf(f, "Av%d: ", p);
      for (int s = 1; s <= sizes; ++s) std::fprintf(f, "%lf ", StoreConc[p][s]);
      std::fprintf(f, "\n");
    }
    closeOutput(f);
  }
  if (stage < 3) {
    StoreConc[stage][l] += m;
    if (l == lnumber) ++nosteps;
  }
}

// Step 2: the outflow mean of group 2, fed back into group 1 in cyclic runs
// and written to `outconc`. A group 2 without faces has no mean: nothing is
// fed back and nothing written.
void recirculate(const Target& t, double cg[kGroups + 1]) {
  if (!(FlagCyclicS > 0 || FlagOutConc > 0)) return;
  if (DischargeStruct[1].inflow != 1 || DischargeStruct[2].inflow != 0) return;
  const DischargeGroup& G = DischargeStruct[2];
  const int faces = groupFaceCount(G);
  const double* C = Cconc[t.size];
  double area = 0.0, sum = 0.0;
  for (int i = 0; i < faces; ++i) {
    const int f = G.face[i];
    if (!faceOk(f)) continue;
    const int c = faceCell(f);
    if (!cellOk(c)) continue;
    area += Farea[f];
    sum += Farea[f] * C[c];
  }
  if (!(area > 0.0)) return;
  double m = sum / area;
  if (!t.several) m = std::max(0.0, m);
  const double F = t.several ? cyclicIncreaseFactor : 1.0;
  // The buffer starts the run unset (negative): it then counts as 0.
  const double B = std::max(0.0, concBuffer[t.size]);
  double c1 = cg[1];
  bool fed = true;
  switch (FlagCyclicS) {
    case 1:
    case 2: c1 = m * F; break;
    case 3: c1 = (0.99 * B + 0.01 * m) * F; break;
    case 4: c1 = (0.9 * B + 0.1 * m) * F; break;
    case 5: c1 = ((1.0 - relaxCyclicS) * B + relaxCyclicS * m) * F; break;
    case 6: c1 = (0.99 * B + 0.01 * m) * 1.05 * F; break;
    default:
      if (FlagCyclicS >= 7)
        c1 = cg[1] * F;
      else
        fed = false;
  }
  if (fed) {
    cg[1] = c1;
    concBuffer[t.size] = c1;
  }
  const bool line =
      (FlagCyclicS >= 2 && multipleOf(Iter, 100)) || (FlagOutConc >= 1 && multipleOf(Iter, FlagOutConc));
  if (!line) return;
  if (!t.several) {
    FILE* f = openWrite("outconc", "a");
    if (!f) {
      logf("Warning: cannot open file 'outconc'\n");
      return;
    }
    std::fprintf(f, "%lf sec, %lg\n", stimet, m);
    closeOutput(f);
    return;
  }
  if (t.size == 1) appendOutconc("%lf sec, ", stimet);
  appendOutconc("%lg ", m);
  if (t.size == lnumber) appendOutconc("\n", 0.0);
  if (FlagVandrel == 1) periodAverages(t.size, m);
}

enum class Variant { Uniform, Lowest, NearBed, Inspace, None };

// The variant of the inflow sources. The logarithmic profile (F 202) is no
// variant of its own: it shapes the water of every variant below.
Variant variant(bool several) {
  if (FlagInspace == 0) {
    if (!several) return Variant::Uniform;
    if (LevelInflowSed == 0 && FlagInflowConcVar == 0) return Variant::Uniform;
    if (LevelInflowSed > 0 && FlagInflowConcVar == 0) return Variant::Lowest;
    if (LevelInflowSed == 0 && FlagInflowConcVar > 0) return Variant::NearBed;
    return Variant::None;
  }
  if (FlagInspace == 1 && (!several || (LevelInflowSed == 0 && FlagInflowConcVar == 0))) return Variant::Inspace;
  return Variant::None;
}

// The water through each face of the group, as the pressure step brings it
// in (uniform, or the logarithmic profile of F 202), and per face cell.
struct GroupWater {
  std::vector<double> face;  // by position in the face list
  std::vector<double> cell;  // by cell, 0 where no face of the group lies

  void fill(const DischargeGroup& G, double Q) {
    inflowFaceFluxes(G, Q, face);
    if (cell.size() < static_cast<std::size_t>(NoCells) + 1) cell.assign(static_cast<std::size_t>(NoCells) + 1, 0.0);
    for (int e = 0; e < groupFaceCount(G); ++e)
      if (const int c = groupFaceCell(G.face[e])) cell[static_cast<std::size_t>(c)] += face[static_cast<std::size_t>(e)];
  }
  void clear(const DischargeGroup& G) {
    for (int e = 0; e < groupFaceCount(G); ++e)
      if (const int c = groupFaceCell(G.face[e])) cell[static_cast<std::size_t>(c)] = 0.0;
  }
  double of(int c) const { return cell[static_cast<std::size_t>(c)]; }
};

// Every face is booked with its own water at the group's concentration: the
// uniform spread, or the logarithmic profile (F 202) with one size or with
// several.
void uniform(const Target& t, const DischargeGroup& G, const GroupWater& W, double cg) {
  const int faces = groupFaceCount(G);
  for (int i = 0; i < faces; ++i) {
    const int f = G.face[i];
    if (!faceOk(f) || !cellOk(faceCell(f))) continue;
    book(t, faceCell(f), W.face[static_cast<std::size_t>(i)], cg);
  }
}

// The last of at most L cells of the column from c0 upward, each with a
// cell above it (a top cell is never walked); 0 when none is walked.
int lastWalked(int c0, int L) {
  int last = 0;
  for (int c = c0, n = 0; n < L && cellOk(c) && Ccellt[c] > 0; ++c, ++n) last = c;
  return last;
}

double westArea(int c) {
  const int f = Cflatew[c];
  return faceOk(f) ? Farea[f] : 0.0;
}

// F 455: the sediment enters through the L lowest cells of each column, in
// proportion to their water, and the whole discharge brings it. Every face
// cell takes its own water on the diagonal, the walked ones and those above
// them alike, so that the equations see the water the flow lets in.
void lowestCells(const Target& t, const DischargeGroup& G, const GroupWater& W, double q, double cg) {
  const int faces = groupFaceCount(G), L = LevelInflowSed;
  double walked = 0.0, all = 0.0;
  for (int i = 0; i < faces; ++i) {
    all += W.face[static_cast<std::size_t>(i)];
    const int f = G.face[i];
    if (!faceOk(f)) continue;
    const int c0 = faceCell(f);
    if (!cellOk(c0) || !bottomCell(c0)) continue;
    const int last = lastWalked(c0, L);
    for (int c = c0; last > 0 && c <= last; ++c) walked += W.of(c);
  }
  const double r = all / (walked + 1e-30);
  for (int i = 0; i < faces; ++i) {
    const int f = G.face[i];
    if (!faceOk(f)) continue;
    const int c0 = faceCell(f);
    if (!cellOk(c0)) continue;
    t.ap[c0] += W.face[static_cast<std::size_t>(i)];
    if (!bottomCell(c0)) continue;
    const int last = lastWalked(c0, L);
    for (int c = c0; last > 0 && c <= last; ++c) {
      const double Q = W.of(c);
      t.src[c] += Q * cg * r;
      addMass(t, Q * TimeStep * cg * density * r);
    }
    bookBinout(t, c0, q * (last > 0 ? westArea(last) : Farea[f]));
  }
}

// F 497: the sediment enters only through the columns whose bottom cell
// lies near the lowest bed of the section.
void nearBed(const Target& t, const DischargeGroup& G, const GroupWater& W, double q, double cg) {
  const int faces = groupFaceCount(G);
  double zlim = 1e20;
  for (int i = 0; i < faces; ++i) {
    const int f = G.face[i];
    if (!faceOk(f)) continue;
    const int c = faceCell(f);
    if (cellOk(c) && bottomCell(c)) zlim = std::min(zlim, Czcenter[c] + 2.0 * Ckdist[c]);
  }
  auto columnCells = [](int c) {
    int n = 0;
    for (int k = c; cellOk(k) && n <= NoCells; k = Ccellt[k]) ++n;
    return n;
  };
  double all = 0.0, near = 0.0;
  for (int i = 0; i < faces; ++i) {
    const int f = G.face[i];
    if (!faceOk(f)) continue;
    const int c = faceCell(f);
    if (!cellOk(c) || !bottomCell(c)) continue;
    const double a = columnCells(c) * Farea[f];
    all += a;
    if (Czcenter[c] < zlim) near += a;
  }
  const double r = all / (near + 1e-30);
  for (int i = 0; i < faces; ++i) {
    const int f = G.face[i];
    if (!faceOk(f)) continue;
    const int c = faceCell(f);
    if (!cellOk(c)) continue;
    t.ap[c] += W.face[static_cast<std::size_t>(i)];
    if (!bottomCell(c)) continue;
    const double Q = Farea[f] * q;
    bookBinout(t, c, Q);
    if (!(Czcenter[c] < zlim)) continue;
    for (int k = c, n = 0; cellOk(k) && n <= NoCells; k = Ccellt[k], ++n) {
      t.src[k] += Q * cg * r;
      addMass(t, Q * TimeStep * density * cg * r);
    }
  }
}

// The polynomial coefficients of size s at stimet: constant, or linear in
// time between the levels of the T records, held before the first and after
// the last level.
void inspaceCoefficients(int s, double a[11]) {
  for (int i = 0; i <= 10; ++i) a[i] = 0.0;
  if (s < 1 || s > 19) return;
  const int N = InspaceTimeNo;
  if (N <= 0 || !Tinspace || !TinspaceTime) {
    for (int i = 1; i <= 10; ++i) a[i] = inspace[s][i];
    return;
  }
  if (N == 1) {
    for (int i = 1; i <= 10; ++i) a[i] = Tinspace[0][s][i];
    return;
  }
  int k = -1;
  if (stimet < TinspaceTime[1]) {
    k = 1;
  } else {
    for (int r = 2; r < N; ++r)
      if (TinspaceTime[r] > stimet) {
        k = r;
        break;
      }
  }
  if (k < 0) {
    for (int i = 1; i <= 10; ++i) a[i] = Tinspace[N - 1][s][i];
    return;
  }
  const double w = std::clamp(
      (TinspaceTime[k] - stimet) / (TinspaceTime[k] - TinspaceTime[k - 1] + 1e-20), 0.0, 1.0);
  for (int i = 1; i <= 10; ++i) a[i] = w * Tinspace[k - 1][s][i] + (1.0 - w) * Tinspace[k][s][i];
}

void inspacePolynomial(const Target& t, const DischargeGroup& G, double q) {
  const int faces = groupFaceCount(G);
  double ztop = -100000.0;
  for (int i = 0; i < faces; ++i) {
    const int f = G.face[i];
    if (faceOk(f) && Fpoint3[f] >= 1 && Fpoint3[f] <= NoPoints) ztop = std::max(ztop, Pz[Fpoint3[f]]);
  }
  double a[11];
  inspaceCoefficients(t.size, a);
  for (int i = 0; i < faces; ++i) {
    const int f = G.face[i];
    if (!faceOk(f)) continue;
    const int c = faceCell(f);
    if (!cellOk(c)) continue;
    const double Q = Farea[f] * q;
    t.ap[c] += Q;
    const double x = Cxcenter[c], y = Cycenter[c], d = ztop - Czcenter[c];
    double conc = a[1] + a[2] * x + a[3] * y + a[4] * d + a[5] * x * x + a[6] * y * y + a[7] * d * d + a[8] * x * y +
                  a[9] * x * d + a[10] * y * d;
    if (conc > 1.0 || conc < -1e-7 || std::isnan(conc)) {
      if (t.several)
        logf("Probable error in inspace file. Concentration for size %d is %lg\n", t.size, conc);
      else
        logf("Probable error in inspace file. Concentration for size 1 is %lg\n", conc);
      logf("Location xyz coordinates: (%lf,%lf,%lf)", Cxcenter[c], Cycenter[c], Czcenter[c]);
      fatal(-1, nullptr);
    }
    conc *= inflowMult[t.size];
    t.src[c] += Q * conc;
    addMass(t, Q * TimeStep * conc * density);
    bookBinout(t, c, Q);
  }
}

void bookInflow(const Target& t) {
  if (!t.ap || !t.src || !Cconc || t.size < 1 || t.size > 50) return;
  double cg[kGroups + 1];
  if (FlagInspace == 0) {
    groupConcentrations(t, cg);
  } else {
    for (double& c : cg) c = 0.0;
  }
  recirculate(t, cg);
  const Variant v = variant(t.several);
  if (v == Variant::None) return;
  static thread_local GroupWater W;
  for (int g = 1; g <= kGroups; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    if (G.inflow != 1 || groupFaceCount(G) < 1) continue;
    const double q = DischargeArray[g] / (G.area + 1e-30);
    W.fill(G, DischargeArray[g]);
    switch (v) {
      case Variant::Uniform: uniform(t, G, W, cg[g]); break;
      case Variant::Lowest: lowestCells(t, G, W, q, cg[g]); break;
      case Variant::NearBed: nearBed(t, G, W, q, cg[g]); break;
      case Variant::Inspace: inspacePolynomial(t, G, q); break;
      case Variant::None: break;
    }
    W.clear(G);
  }
}

}  // namespace

void InflowSediment() { bookInflow(Target{false, 1, Cap, Csource, true}); }

void InflowSedimentM(int l) {
  if (l < 1 || l > lnumber || !Capm || !Csourcem || l >= CsourcemRows) return;
  bookInflow(Target{true, l, Capm[l], Csourcem[l], l == 1});
}
