// Transport of the water-quality components in a given flow field: run letter
// C carries them through a frozen flow (one steady solution or a whole
// transient run), and the hydrostatic driver calls one pass of all components
// after each of its outer iterations. Each component n is Equation 8 + n and
// is solved with the convection-diffusion coefficients of Equation 8, its
// sources, a transient term, and two solver calls; no residual, relaxation
// or convergence test.
#include <cstdio>

#include "flow/cellequations.h"
#include "flow/components.h"
#include "flow/components_hooks.h"
#include "flow/flow.h"
#include "flow/stages.h"
#include "grid/fieldmap.h"
#include "grid/geometry.h"
#include "state/log.h"
#include "physics/physics.h"
#include "solvers/solver.h"
#include "solvers/stencils.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "state/startup.h"

ComponentDriverCalls defaultComponentDriverCalls() {
  ComponentDriverCalls t{};
  t.compSource = CompSource;
  t.solver = solver;
  return t;
}

ComponentDriverCalls componentDriverCalls = defaultComponentDriverCalls();

namespace {

bool transient() { return TimeStep > 1e-8; }

// The second-neighbour coefficients take part when the scheme of Equation 8
// (with which the coefficients were built) is the second-order one and the
// arrays exist.
bool secondNeighbours() { return sou[8] == 1 && Caee && Caww && Cann && Cass && Catt && Cabb; }

// The components the arrays hold.
int componentCount() { return Ccomp ? NoComponents : 0; }

// Cap := the sum of the neighbour coefficients on first..last. Built afresh
// for every component, so that the inflow and fixed-value terms one
// component adds to Cap never reach the next one.
void neighbourDiagonal(int first, int last) { componentDiagonal(first, last, secondNeighbours()); }

// Csource := the old-time part of the transient term of component n (0 when
// steady), Cap += its diagonal part.
void timeTerm(int n, int first, int last) {
  if (!transient() || !Ccomp_old) {
    for (int c = first; c <= last; ++c) Csource[c] = 0.0;
    return;
  }
  const double* old = Ccomp_old[n];
  for (int c = first; c <= last; ++c) {
    const double a = 1000.0 * Cvol[c] / TimeStep;
    Cap[c] += a;
    Csource[c] = a * old[c];
  }
}

// Sources of component n, the nesting terms, and the two solver calls on its
// field.
void solveComponent(int n, bool nestAfter) {
  Equation = 8 + n;
  if (!nestAfter && NoNestflater > 0) nestsource();
  componentDriverCalls.compSource();
  if (nestAfter && NoNestflater > 0) nestsource();
  Cf = Ccomp[n];
  componentDriverCalls.solver();
  componentDriverCalls.solver();
}

}  // namespace

void componentDiagonal(int first, int last, bool second) {
  if (qnListsExist()) {
    // The solver reads the lists in place of the listed sides' own terms.
    for (int c = first; c <= last; ++c) {
      Cap[c] = horizontalCoefficientSum(c, second) + Cat[c] + Cab[c];
      if (second) Cap[c] += Catt[c] + Cabb[c];
    }
    return;
  }
  for (int c = first; c <= last; ++c) {
    Cap[c] = Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c];
    if (second) Cap[c] += Caee[c] + Caww[c] + Cann[c] + Cass[c] + Catt[c] + Cabb[c];
  }
}

void Components() {
  logf("Started components\n");
  metric();
  startup();
  // The work ranges of the run control, as a flow computation sets them: the
  // letter may come straight after the grid.
  computeWCStart();

  // A flow that was never computed or read: the discharges and inflow marks
  // of the groups, and the face fluxes of the start velocities.
  if (FlagInitialized == 0) {
    Equation = 1;
    boundary();
    waterflow(WFStart, WFEnd);
    FlagInitialized = 1;
  }

  // One set of convection-diffusion coefficients serves every component and
  // every pass. The top cells exchange nothing through the water surface.
  Equation = 8;
  GammaCalc(WCStart, WCEnd);
  for (int c = WCStart < 1 ? 1 : WCStart; c <= WCEnd && c <= NoCells; ++c) Cap[c] = 0.0;
  stimet = 0.0;
  coeff_make(WFStart, WFEnd);
  for (int c = 1; c <= NoCells; ++c)
    if (Ccellt[c] == 0) Cat[c] = 0.0;

  // A transient computation starts from the component fields present: the
  // zeros of new arrays, or the fields a restart file or an initial
  // distribution gave.
  if (transient() && TimePrintNo > 0) truncateTimeo();

  const int components = componentCount();
  const int passes = transient() ? iterGlobalMax : 1;
  double* const entryCf = Cf;
  char text[200];
  for (int p = 0; p < passes; ++p) {
    if (transient()) {
      if (Ccomp_old)
        for (int n = 0; n < components; ++n)
          for (int c = 1; c <= NoCells; ++c) Ccomp_old[n][c] = Ccomp[n][c];
      stimet += TimeStep;
    }
    for (int q = 0; q < TransInnerIter; ++q)
      for (int n = 0; n < components; ++n) {
        std::snprintf(text, sizeof text, "Loop0 %d %d %d", p, q, n);
        setMessage(text);
        neighbourDiagonal(1, NoCells);
        timeTerm(n, 1, NoCells);
        solveComponent(n, true);
        Cf = entryCf;
      }
  }
}

void SimpleComponents() {
  Equation = 8;
  GammaCalc(WCStart, WCEnd);
  waterflow(WFStart, WFEnd);
  coeff_make(WFStart, WFEnd);

  double* const entryCf = Cf;
  double* const entryCfOld = Cf_old;
  const int first = WCStart < 1 ? 1 : WCStart, last = WCEnd > NoCells ? NoCells : WCEnd;
  const int components = componentCount();
  for (int n = 0; n < components; ++n) {
    neighbourDiagonal(first, last);
    if (transient() && Ccomp_old) Cf_old = Ccomp_old[n];
    timeTerm(n, first, last);
    solveComponent(n, false);
  }
  Cf = entryCf;
  Cf_old = entryCfOld;
}
