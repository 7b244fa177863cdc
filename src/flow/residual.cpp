// Residuals of the cell equations: the sum over a range of cells of the
// absolute imbalance of the assembled equation of the current field, divided
// by the normalisation of the equation.
//
// Forms, chosen once per call:
//   record form (F 153 = 1): per-cell residual fields, no reports, the
//     quasi-neighbour sides of F 137 taken as in the plain forms; the
//     continuity equation sums its cell mass defects;
//   plain forms: continuity defects, or the first- or second-order stencil,
//     each with the quasi-neighbour sides of F 137 when those exist; cells
//     with a large imbalance are reported in the log (not with the
//     quasi-neighbour stencils).
// Cells whose diagonal is 1e15 or more hold a fixed value and are left out,
// except in the continuity equation.
#include <omp.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "flow/control.h"
#include "flow/residual_hooks.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

constexpr double kFixedCap = 1e15;       // a diagonal at least this large marks a fixed value
constexpr double kMissingNorm = 1e-10;   // a smaller normalisation was never set
constexpr double kReportAlways = 10000;  // an imbalance above this is reported whatever the limit
constexpr double kReportFloor = 0.01;    // the report limit is never lower

// Equation whose missing normalisation a worker thread met; 0 for none.
std::atomic<int> pendingEquation{0};

enum class Stencil { First, Second, QNFirst, QNSecond };

// ---- Imbalance of one cell ----

inline double firstOrderTerms(const double* phi, int c) {
  return Cae[c] * phi[Ccelle[c]] + Caw[c] * phi[Ccellw[c]] + Can[c] * phi[Ccelln[c]] + Cas[c] * phi[Ccells[c]] +
         Cat[c] * phi[Ccellt[c]] + Cab[c] * phi[Ccellb[c]];
}

inline double secondNeighbourTerms(const double* phi, int c) {
  return Caee[c] * phi[Ccelle[Ccelle[c]]] + Caww[c] * phi[Ccellw[Ccellw[c]]] + Cann[c] * phi[Ccelln[Ccelln[c]]] +
         Cass[c] * phi[Ccells[Ccells[c]]] + Catt[c] * phi[Ccellt[Ccellt[c]]] + Cabb[c] * phi[Ccellb[Ccellb[c]]];
}

// Listed neighbours of one horizontal side that can be read: the count,
// bounded by the width of the lists and by the cells that exist after the
// first listed one.
inline int listedCount(int count, int first) {
  if (count <= 0) return 0;
  if (first < 1 || first > NoCells) return 0;
  return std::min({count, znumber, NoCells - first + 1});
}

// One horizontal side of a cell with quasi-neighbours. Without a list the
// ordinary neighbour (and with the second-order stencil the one behind it);
// with a list the consecutive cells from its first entry, each with its own
// coefficient (and its second coefficient for the cell behind it).
template <bool kSecond>
inline double quasiSide(const double* phi, int c, int count, int* const* list, double* const* a, double* const* a2,
                        const double* ad, const double* add, const int* link) {
  if (count <= 0) {
    const int nb = link[c];
    if constexpr (kSecond)
      return ad[c] * phi[nb] + add[c] * phi[link[nb]];
    else
      return ad[c] * phi[nb];
  }
  const int f = list[c][0];
  const int m = listedCount(count, f);
  const double* ac = a[c];
  double s = 0.0;
  for (int k = 0; k < m; ++k) {
    const int q = f + k;
    s += ac[k] * phi[q];
    if constexpr (kSecond) s += a2[c][k] * phi[link[q]];
  }
  return s;
}

template <Stencil S>
inline double imbalance(const double* phi, int c) {
  if constexpr (S == Stencil::First) {
    return firstOrderTerms(phi, c) + Csource[c] - Cap[c] * phi[c];
  } else if constexpr (S == Stencil::Second) {
    return firstOrderTerms(phi, c) + secondNeighbourTerms(phi, c) + Csource[c] - Cap[c] * phi[c];
  } else {
    constexpr bool second = S == Stencil::QNSecond;
    double s = Cat[c] * phi[Ccellt[c]] + Cab[c] * phi[Ccellb[c]];
    // The column's second neighbours count as in the stencil without lists:
    // the diagonal holds their coefficients.
    if constexpr (second) s += Catt[c] * phi[Ccellt[Ccellt[c]]] + Cabb[c] * phi[Ccellb[Ccellb[c]]];
    s += quasiSide<second>(phi, c, Cncelle[c], Cqncelle, Cqnae, Cqnaee, Cae, Caee, Ccelle);
    s += quasiSide<second>(phi, c, Cncellw[c], Cqncellw, Cqnaw, Cqnaww, Caw, Caww, Ccellw);
    s += quasiSide<second>(phi, c, Cncelln[c], Cqncelln, Cqnan, Cqnann, Can, Cann, Ccelln);
    s += quasiSide<second>(phi, c, Cncells[c], Cqncells, Cqnas, Cqnass, Cas, Cass, Ccells);
    return s + Csource[c] - Cap[c] * phi[c];
  }
}

// ---- Report of a large imbalance ----

// The text of one report, written to the log with one append so that the
// lines of one cell stay together when several threads report.
class ReportText {
 public:
  void add(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    if (used_ >= sizeof text_ - 1) return;
    va_list ap;
    va_start(ap, fmt);
    const int n = std::vsnprintf(text_ + used_, sizeof text_ - used_, fmt, ap);
    va_end(ap);
    if (n > 0) used_ = std::min(used_ + static_cast<size_t>(n), sizeof text_ - 1);
  }
  void write() const { logf("%s", text_); }

 private:
  char text_[8192] = {};
  size_t used_ = 0;
};

inline double at(const double* a, int i) { return a ? a[i] : 0.0; }
inline int at(const int* a, int i) { return a ? a[i] : 0; }

// Kinds of report: the first-order, second-order and continuity stencils
// write different dump lines.
enum class DumpKind { First, Second, Continuity };

// A field at c and its neighbours w, e, n, s, b, t (continuity: c, w, e, n, s).
void addNeighbourLine(ReportText& t, const char* label, const double* a, int c, DumpKind kind) {
  const int w = Ccellw[c], e = Ccelle[c], n = Ccelln[c], s = Ccells[c], b = Ccellb[c], tp = Ccellt[c];
  if (kind == DumpKind::Continuity)
    t.add("%s: %lg %lg %lg %lg %lg\n", label, at(a, c), at(a, w), at(a, e), at(a, n), at(a, s));
  else
    t.add("%s: %lg %lg %lg %lg %lg %lg %lg\n", label, at(a, c), at(a, w), at(a, e), at(a, n), at(a, s), at(a, b),
          at(a, tp));
}

void addEpsData(ReportText& t, const char* where, int x, const char* end) {
  const double conc = Cconc && Cconc[0] ? Cconc[0][x] : 0.0;
  t.add("Eps-data %s: %d %d %d %d %d %d %lg %lg %lg %lg\n%s", where, at(Fflagflow, Cflatew[x]),
        at(Fflagflow, Cflatee[x]), at(Fflagflow, Cflaten[x]), at(Fflagflow, Cflates[x]), at(Fflagflow, Cflatet[x]),
        at(Fflagflow, Cflateb[x]), at(Cidist, x), at(Cjdist, x), at(Ckdist, x), conc, end);
}

void addDump(ReportText& t, int c, DumpKind kind) {
  const int w = Ccellw[c], e = Ccelle[c], n = Ccelln[c], s = Ccells[c], b = Ccellb[c], tp = Ccellt[c];
  t.add("Source, ap, anb = %lg %lg %lg %lg %lg %lg %lg %lg\n", Csource[c], Cap[c], Caw[c], Cae[c], Can[c], Cas[c],
        Cat[c], Cab[c]);
  if (kind == DumpKind::Second)
    t.add("anbb = %lg %lg %lg %lg %lg %lg\n", at(Caww, c), at(Caee, c), at(Cann, c), at(Cass, c), at(Catt, c),
          at(Cabb, c));
  t.add("Vol, Ckdist, areas: %lg %lg %lg %lg %lg %lg\n", at(Cvol, c), at(Ckdist, c), at(Farea, Cflatew[c]),
        at(Farea, Cflatee[c]), at(Farea, Cflaten[c]), at(Farea, Cflates[c]));
  addNeighbourLine(t, "InvAp", CinvAp, c, kind);
  t.add("Fluxes: %lg %lg %lg %lg %lg %lg\n", at(Fflux, Cflatew[c]), at(Fflux, Cflatee[c]), at(Fflux, Cflaten[c]),
        at(Fflux, Cflates[c]), at(Fflux, Cflateb[c]), at(Fflux, Cflatet[c]));
  addNeighbourLine(t, "X-velocities", Cxvel, c, kind);
  addNeighbourLine(t, "Y-velocities", Cyvel, c, kind);
  addNeighbourLine(t, "Z-velocities", Czvel, c, kind);
  addNeighbourLine(t, "kinen", Ckinen, c, kind);
  addNeighbourLine(t, "epsilon", Cepsilon, c, kind);
  if (kind == DumpKind::Second)
    t.add("epsilon,nbb: %lg %lg %lg %lg %lg %lg\n", at(Cepsilon, Ccellw[w]), at(Cepsilon, Ccelle[e]),
          at(Cepsilon, Ccelln[n]), at(Cepsilon, Ccells[s]), at(Cepsilon, Ccellb[b]), at(Cepsilon, Ccellt[tp]));
  addNeighbourLine(t, "gamma", Cgamma, c, kind);
  if (kind != DumpKind::Continuity) addNeighbourLine(t, "Pressure", Cpres, c, kind);
  t.add("TurbDensFlag: %d, TurbulenceModel %d, MinGamma %lg, ArtEddyVisc %lg\n", TurbDensFlag, TurbulenceModel,
        MinGamma, ArtEddyVisc);
  addEpsData(t, "central", c, "");
  addEpsData(t, "west", w, "");
  addEpsData(t, "east", e, "");
  addEpsData(t, "north", n, "");
  addEpsData(t, "south", s, "\n");
}

// Logs the report of cell c: its absolute imbalance and value, and with
// debugging 'E' the dump of its neighbourhood.
void report(int c, double size, double value, DumpKind kind) {
  ReportText t;
  t.add("Large residual for f(%d,%d) : %lg, value: %lf\n", c, Equation, size, value);
  if (debugging == 'E') addDump(t, c, kind);
  t.write();
}

// ---- Sums ----

// Record form of a velocity or turbulence equation: the residual field gets
// r / ap of every free cell.
template <Stencil S, bool kStore>
double recordSum(const double* phi, double* field, int first, int last) {
  double sum = 0.0;
  for (int c = first; c <= last; ++c) {
    if (!(Cap[c] < kFixedCap)) continue;
    const double r = imbalance<S>(phi, c);
    if constexpr (kStore) field[c] = r / Cap[c];
    sum += std::fabs(r);
  }
  return sum;
}

// Record form of the continuity equation: the field gets the mass defect of
// every cell.
double recordContinuity(double* field, int first, int last) {
  double sum = 0.0;
  if (field)
    for (int c = first; c <= last; ++c) {
      field[c] = Csource[c];
      sum += std::fabs(Csource[c]);
    }
  else
    for (int c = first; c <= last; ++c) sum += std::fabs(Csource[c]);
  return sum;
}

// Plain form of the continuity equation: every cell counts; a defect above
// the limit is reported.
double plainContinuity(const double* phi, int first, int last, double limit) {
  double sum = 0.0;
  for (int c = first; c <= last; ++c) {
    const double a = std::fabs(Csource[c]);
    if (a > limit) report(c, a, phi[c], DumpKind::Continuity);
    sum += a;
  }
  return sum;
}

// Plain form of the other equations over the free cells.
template <Stencil S, bool kReport>
double plainSum(const double* phi, int first, int last, double limit) {
  double sum = 0.0;
  for (int c = first; c <= last; ++c) {
    if (!(Cap[c] < kFixedCap)) continue;
    const double a = std::fabs(imbalance<S>(phi, c));
    if constexpr (kReport)
      if (a > limit || a > kReportAlways)
        report(c, a, phi[c], S == Stencil::Second ? DumpKind::Second : DumpKind::First);
    sum += a;
  }
  return sum;
}

double* residualField(int eq) {
  switch (eq) {
    case 1: return Cxvel_res;
    case 2: return Cyvel_res;
    case 3: return Czvel_res;
    case 4: return Cpres_res;
    case 5: return Ckinen_res;
    case 6: return Cepsilon_res;
  }
  return nullptr;
}

bool secondOrderArrays() { return Caee && Caww && Cann && Cass && Catt && Cabb; }

bool quasiArrays(bool second) {
  const bool lists = Cncelle && Cncellw && Cncelln && Cncells && Cqncelle && Cqncellw && Cqncelln && Cqncells &&
                     Cqnae && Cqnaw && Cqnan && Cqnas;
  if (!second) return lists;
  return lists && Cqnaee && Cqnaww && Cqnann && Cqnass;
}

// S of the equation in force over first..last, in the form the options ask
// for. `subtractDefect` takes the inflow-outflow defect of the discharge
// groups off the continuity sum of the record form.
double imbalanceSum(int first, int last, bool subtractDefect) {
  const int eq = Equation;
  if (eq < 1 || eq > 6) fatal(2, "Error: no residual for equation %d\n", eq);
  first = std::max(first, 1);
  last = std::min(last, NoCells);
  const double* phi = Cf;
  const bool second = sou[eq] == 1 && secondOrderArrays();
  if (FlagResidual == 1) {
    double* field = residualField(eq);
    if (eq == 4) {
      const double s = recordContinuity(field, first, last);
      return subtractDefect ? s - GlobFluxDefect : s;
    }
    // A side with a quasi-neighbour list has its ordinary coefficient at 0:
    // the imbalance of its cell takes the list terms, else the residual of a
    // solved field would never fall to 0.
    if (QNFlag > 0 && quasiArrays(second)) {
      if (second)
        return field ? recordSum<Stencil::QNSecond, true>(phi, field, first, last)
                     : recordSum<Stencil::QNSecond, false>(phi, field, first, last);
      return field ? recordSum<Stencil::QNFirst, true>(phi, field, first, last)
                   : recordSum<Stencil::QNFirst, false>(phi, field, first, last);
    }
    if (second)
      return field ? recordSum<Stencil::Second, true>(phi, field, first, last)
                   : recordSum<Stencil::Second, false>(phi, field, first, last);
    return field ? recordSum<Stencil::First, true>(phi, field, first, last)
                 : recordSum<Stencil::First, false>(phi, field, first, last);
  }
  const double limit = std::max(InputErrorLimit * NormResidual[eq] / std::max(NoCells, 1), kReportFloor);
  if (eq == 4) return plainContinuity(phi, first, last, limit);
  const bool wantSecond = sou[eq] == 1;
  if (QNFlag <= 0)
    return second ? plainSum<Stencil::Second, true>(phi, first, last, limit)
                  : plainSum<Stencil::First, true>(phi, first, last, limit);
  // Quasi-neighbour sides: no reports.
  if (second && quasiArrays(true)) return plainSum<Stencil::QNSecond, false>(phi, first, last, limit);
  if (!wantSecond && quasiArrays(false)) return plainSum<Stencil::QNFirst, false>(phi, first, last, limit);
  return second ? plainSum<Stencil::Second, false>(phi, first, last, limit)
                : plainSum<Stencil::First, false>(phi, first, last, limit);
}

bool normalisationMissing(int eq) { return NormResidual[eq] < kMissingNorm; }

[[noreturn]] void missingNormalisationN(int eq) {
  fatal(2,
        "Error residual not set for equation %d\n"
        "This error often occurs when the inflow discharge is not set\n"
        "The discharge can be set in the DischargeEditor or on the F 237 data set in the control file\n"
        "Default discharge groups can be set on the F 314 data set in the control file\n\n",
        eq);
}

}  // namespace

double residual(int first, int last) {
  const double S = imbalanceSum(first, last, true);
  const int eq = Equation;
  if (normalisationMissing(eq))
    fatal(2,
          "Error, residual not set for Equation no. %d\nThis error often occur when inflow discharges are not set.\n\n",
          eq);
  MaxResidual[eq] += S / NormResidual[eq];
  return MaxResidual[eq];
}

double residualN(int first, int last) {
  const double S = imbalanceSum(first, last, false);
  const int eq = Equation;
  if (normalisationMissing(eq)) {
    // A worker thread must not end the process: the first equation met is
    // kept for residualNCheck on the main thread after the region.
    if (omp_in_parallel()) {
      int none = 0;
      pendingEquation.compare_exchange_strong(none, eq);
      return 0.0;
    }
    missingNormalisationN(eq);
  }
  return S / NormResidual[eq];
}

void residualNCheck() {
  const int eq = pendingEquation.exchange(0);
  if (eq != 0) missingNormalisationN(eq);
}

int residualNPending() { return pendingEquation.load(); }

void residualNClearPending() { pendingEquation.store(0); }

void chunkResidual(int eq, bool parallel, int first, int last, double& sum) {
  if (parallel) {
    sum = residualN(first, last);
  } else {
    MaxResidual[eq] = 0.0;
    residual(first, last);
  }
}
