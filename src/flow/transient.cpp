// The time derivative of the cell equations, the pseudo-time terms of the
// stabilisation options, the side damping of block 1 and the raise of the
// diagonal of cells with few lateral neighbours.
#include <algorithm>

#include "flow/cellequations.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

// The pseudo-time term: a_i on the diagonal, a_i times the current value in
// the source, so that a converged field is unchanged by it.
inline void innerTerm(int c) {
  if (!(InnerTimestep > 0.0)) return;
  const double a = 1000.0 * Cvol[c] / InnerTimestep;
  Cap[c] += a;
  Csource[c] += a * Cf[c];
}

inline bool innerAfterTimeTerm() {
  if (FlagInnerTimestep == 1 || FlagInnerTimestep == 5) return !(FlagThixoIsComputing != 1 && FlagPresStability == 2);
  return FlagInnerTimestep == 6 && FlagThixoIsComputing == 1;
}

// Sum over the six sides of a_side (old value of the neighbour - old value of
// the cell): the neighbour terms at the old time level.
inline double oldNeighbourImbalance(int c) {
  const double* o = Cf_old;
  const double p = o[c];
  auto side = [&](double a, int n) { return n > 0 ? a * (o[n] - p) : 0.0; };
  return side(Cae[c], Ccelle[c]) + side(Caw[c], Ccellw[c]) + side(Can[c], Ccelln[c]) + side(Cas[c], Ccells[c]) +
         side(Cat[c], Ccellt[c]) + side(Cab[c], Ccellb[c]);
}

// Multiplies Cap of every cell of column (i, j) by k.
void scaleColumn(int i, int j, double k) {
  if (!zval || i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) return;
  int c = static_cast<int>(zval[i][j][0]);
  for (int guard = 0; cellOk(c) && guard <= NoCells; c = Ccellt[c], ++guard) Cap[c] *= k;
}

}  // namespace

void addTimestepCells(int first, int last) {
  first = std::max(first, 1);
  last = std::min(last, NoCells);
  if (first > last) return;
  const bool timeTerm = !(FlagPresStability == 1 && FlagThixoIsComputing == 0);
  if (timeTerm && !Cf_old) fatal(2, "Error: the time term of equation %d has no field of the previous time step\n", Equation);
  const double* o = Cf_old;
  const bool crank = CrankNicols >= 1e-8;
  // BDF2 when two earlier levels are kept; without the older one it falls
  // back to the first-order form.
  const bool second = FlagTimeOrder > 0 && !crank && Cf_old2;
  // The coefficients are already scaled by (1 - CN); this factor brings
  // back CN times the unscaled neighbour terms of the old level.
  const double cnFactor = crank && CrankNicols < 1.0 ? CrankNicols / (1.0 - CrankNicols) : 0.0;
  for (int c = first; c <= last; ++c) {
    if (timeTerm) {
      const double a = 1000.0 * Cvol[c] / TimeStep;
      if (second) {
        Cap[c] += 1.5 * a;
        Csource[c] += a * (2.0 * o[c] - 0.5 * Cf_old2[c]);
      } else if (crank) {
        Cap[c] += a;
        Csource[c] += a * o[c] + cnFactor * oldNeighbourImbalance(c);
      } else {
        Cap[c] += a;
        Csource[c] += a * o[c];
      }
      if (innerAfterTimeTerm()) innerTerm(c);
    } else if (FlagInnerTimestep == 1 || FlagInnerTimestep == 5) {
      innerTerm(c);
    }
  }
  if (Equation > 3) return;
  const bool tri = Ctrekant != nullptr;
  if (FlagCorrTrekant == 1) {
    if (tri && o)
      for (int c = first; c <= last; ++c)
        if (Ctrekant[c] != 0) {
          const double a = 1000.0 * Cvol[c] / TimeStep;
          Cap[c] += a;
          Csource[c] += a * o[c];
        }
  } else if (FlagCorrTrekant == 5) {
    if (tri)
      for (int c = first; c <= last; ++c)
        if (Ctrekant[c] != 0) Csource[c] = 0.0;
  } else if (FlagInnerTimestep == 2) {
    if (tri)
      for (int c = first; c <= last; ++c)
        if (Ctrekant[c] != 0) innerTerm(c);
  } else if ((FlagInnerTimestep == 3 && Iter > 2) || (FlagInnerTimestep == 4 && FlagThixoIsComputing == 1)) {
    for (int c = first; c <= last; ++c) innerTerm(c);
  }
}

void sideDamping() {
  const bool wanted = (Equation <= 3 && FlagSideDamp == 1) || (Equation == 5 && FlagSideDamp == 2);
  if (!wanted || NoBlocks < 1) return;
  const BlockRecord& b = block[1];
  for (int i = b.i1; i <= b.i2; ++i) {
    scaleColumn(i, b.j1, 4.0);
    scaleColumn(i, b.j2, 4.0);
    scaleColumn(i, b.j1 + 1, 2.0);
    scaleColumn(i, b.j2 - 1, 2.0);
  }
}

void addTimestep(int first, int last) {
  addTimestepCells(first, last);
  sideDamping();
}

void addAp(int first, int last) {
  first = std::max(first, 1);
  last = std::min(last, NoCells);
  for (int c = first; c <= last; ++c) {
    const int nb[4] = {Ccelle[c], Ccellw[c], Ccells[c], Ccelln[c]};
    int count = 0;
    for (int n : nb) count += n > 0;
    if (count > 2) continue;
    for (int n : nb)
      if (cellOk(n) && Ckdist[n] > 0.0) Cap[c] = std::max(Cap[c], Cap[n] * Ckdist[c] / Ckdist[n]);
  }
}

void storeInverseAp(int first, int last, int& firstBad) {
  for (int c = first; c <= last; ++c) {
    if (Cap[c] < 1e-30 || Cap[c] > 1e20) {
      firstBad = std::min(firstBad, c);
      continue;
    }
    CinvAp[c] = 1.0 / Cap[c];
  }
}
