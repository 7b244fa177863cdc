// End of an inner iteration of the flow drivers: the largest residual, the
// iteration lines of `boogie` and `trivik`, and the stop rules in their fixed
// order (convergence, flush, divergence, continuity, debug stop). A flush
// resets the fields and makes the next remedy of its ladder; a divergence
// writes the crash report and the emergency output.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <utility>

#include <omp.h>

#include "flow/control.h"
#include "state/outfile.h"
#include "flow/endcontrol.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "io/gridfiles.h"
#include "state/log.h"
#include "io/modelfiles.h"
#include "output/output.h"
#include "solvers/share.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/surface.h"

namespace {

// The largest residual of the current call and of the one before; they live
// for the whole process, so the first call of a computation compares with the
// last one of the previous computation.
double Max = 0.0;
double MaxLast = 0.0;

bool transient() { return TimeStep > 1e-8; }

// Checked reads for the report lines: an index outside its array, or an
// array that does not exist, reads 0 (the value of element 0, which belongs
// to nothing).
double cellValue(const double* a, int c) { return a && c >= 0 && c <= NoCells ? a[c] : 0.0; }
int cellIndex(const int* a, int c) { return a && c >= 0 && c <= NoCells ? a[c] : 0; }
double faceValue(const double* a, int f) { return a && f >= 0 && f <= NoSurfaces ? a[f] : 0.0; }
double pointZ(int p) { return Pz && p >= 0 && p <= NoPoints ? Pz[p] : 0.0; }
int bedIndex(const int* a, int b) { return a && b >= 0 && b < bedCellCapacity() ? a[b] : 0; }
bool gridLine(int i, int j) { return i >= 0 && i <= xnumber + 1 && j >= 0 && j <= ynumber + 1; }
double level(int i, int j, int k) {
  return zval && gridLine(i, j) && k >= 0 && k <= znumber + 1 ? zval[i][j][k] : 0.0;
}
double surfaceLevel(int s, int i, int j) {
  return Surfaces && s < surfaceCount() && gridLine(i, j) ? Surfaces[s][i][j] : 0.0;
}

// The cells of the work range that exist.
int firstCell() { return std::max(WCStart, 1); }
int lastCell() { return std::min(WCEnd, NoCells); }

void iterationLine() {
  logf("Iter: %d, Resid: %8.2le %8.2le %8.2le %8.2le %8.2le %8.2le\n", Iter, MaxResidual[1], MaxResidual[2],
       MaxResidual[3], MaxResidual[4], MaxResidual[5], MaxResidual[6]);
}

// The continuity record of the last pressure correction and the velocities of
// the cell with the largest mass defect.
void continuityLine() {
  const int c = Glob_dmI;
  logf("Cont: %14.8e, DefMax: %4.8e, U,V,W(%d): %14.8e %14.8e %14.8e\n", GlobContinuity, GlobDefMax, c,
       cellValue(Cxvel, c), cellValue(Cyvel, c), cellValue(Czvel, c));
}

void timeLine() {
  if (stimet < 10000.0)
    logf("Time: %lf seconds\n", stimet);
  else if (stimet < 5e6)
    logf("Time: %lf hours\n", stimet / 3600.0);
  else
    logf("Time: %lf days\n", stimet / 86400.0);
}

void trivikLine() {
  std::FILE* f = openWrite("trivik", "a");
  if (!f) return;  // the history is a convenience: no line, no message
  std::fprintf(f, "%d %lf %lf %lf %lf %lf %lf\n", Iter, MaxResidual[1], MaxResidual[2], MaxResidual[3],
               MaxResidual[4], MaxResidual[5], MaxResidual[6]);
  closeOutput(f);
}

bool topCell(int c) { return Ccellt && Ccellt[c] == 0; }

// Lines gathered and appended to the log a block at a time, so that a list
// with one line per column does not open the log once per line.
class LogBlock {
 public:
  LogBlock() = default;
  LogBlock(const LogBlock&) = delete;
  LogBlock& operator=(const LogBlock&) = delete;
  ~LogBlock() { flush(); }

  void line(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    va_list ap;
    va_start(ap, fmt);
    for (int attempt = 0; attempt < 2; ++attempt) {
      va_list copy;
      va_copy(copy, ap);
      const int n = std::vsnprintf(text_ + used_, sizeof text_ - used_, fmt, copy);
      va_end(copy);
      if (n < 0) break;
      if (static_cast<size_t>(n) < sizeof text_ - used_) {
        used_ += static_cast<size_t>(n);
        va_end(ap);
        return;
      }
      text_[used_] = 0;  // drop the part that did not fit, then try again empty
      flush();
    }
    logv(fmt, ap);  // longer than the whole block
    va_end(ap);
  }
  void flush() {
    if (used_ > 0) logf("%s", text_);
    used_ = 0;
    text_[0] = 0;
  }

 private:
  char text_[8192] = {};
  size_t used_ = 0;
};

void specialLines() {
  const int first = firstCell(), last = lastCell();
  switch (PrintSpecials) {
    case 1:
      if (NoComponents > 1 && Ccomp && Ccomp[1] && Cvol) {
        double amount = 0.0;
        for (int c = first; c <= last; ++c) amount += Ccomp[1][c] * Cvol[c];
        logf("Amount: %e\n", amount);
      }
      break;
    case 2:
      if (NoComponents > 0 && Ccomp && Ccomp[0] && Cvol) {
        double sum = 0.0, volume = 0.0;
        for (int c = first; c <= last; ++c)
          if (topCell(c)) {
            sum += Ccomp[0][c] * Cvol[c];
            volume += Cvol[c];
          }
        logf("Average surface conc.: %e\n", volume > 0.0 ? sum / volume : 0.0);
      }
      break;
    case 3: {
      double u = 0.0, v = 0.0;
      int n = 0;
      for (int c = first; c <= last; ++c)
        if (topCell(c)) {
          u += Cxvel[c];
          v += Cyvel[c];
          ++n;
        }
      if (n > 0) u /= n, v /= n;
      logf("Average top velocity: %e\n", std::sqrt(u * u + v * v));
      break;
    }
    case 4:
      logf("Number of cells: %d, surfaces: %d, points: %d\n", NoCells, NoSurfaces, NoPoints);
      break;
    case 5: {
      logf("x,z_bed,z_surf,shear\n");
      if (!Ccellb || !Ccellt) break;
      LogBlock out;
      for (int c = first; c <= last; ++c) {
        if (Ccellb[c] != 0) continue;
        // The top of the column; the walk is bounded so that a broken link
        // cannot keep it going.
        int t = c;
        for (int steps = 0; steps < NoCells && Ccellt[t] >= 1 && Ccellt[t] <= NoCells; ++steps) t = Ccellt[t];
        out.line("%lf %lf %lf %lf\n", Cxcenter[c], Czcenter[c] - Ckdist[c], Czcenter[t] + Ckdist[t],
                 300.0 * Ckinen[c]);
      }
      break;
    }
    default:
      break;
  }
}

// The lines of an iteration whose line is wanted, in their fixed order.
void iterationLines(int InnerIter) {
  iterationLine();
  if (debugging == 'D') {
    continuityLine();
    if (transient() && TimeInNo > 0) {
      timeLine();
      for (int g = 1; g <= 2; ++g)
        logf("Water discharge (l/s), group %d: %lf, surfno: %d\n", g, DischargeArray[g], DischargeStruct[g].surfno);
      for (int g = 3; g <= 9 && DischargeArray[g] > 1e-20; ++g)
        logf("Water discharge (l/s), group %d: %lf\n", g, DischargeArray[g]);
    }
  }
  if (FlagTrivik == 1) trivikLine();
  if (debugging == 'D')
    logf("NoCells = %d, NoSurfaces = %d, NoPoints = %d, InnerIter = %d\n", NoCells, NoSurfaces, NoPoints, InnerIter);
  if (debugging == 'P' && FlagThixoIsComputing == 0)
    for (int i = 1; i <= 32; ++i)
      logf("OpenMP %d = %.16g, %16lf\n", i, otime[i] - otime[0], otime[i] - otime[i - 1]);
  specialLines();
}

// The cell of the largest mass defect with its column corners, for a
// diverged computation with 'D' debugging.
void divergedCellLines() {
  const int c = Glob_dmI;
  const int b = cellIndex(Cbed, c);
  const int i = bedIndex(Bkooi, b), j = bedIndex(Bkooj, b);
  const int zn = znumber;
  const int corner[4][2] = {{i - 1, j - 1}, {i, j - 1}, {i, j}, {i - 1, j}};
  logf("Max. water defect in cell %d\n", c);
  logf("Corner heights Pz(1-4): %lf %lf %lf %lf\n\n", pointZ(cellIndex(Cpoint5, c)) - pointZ(cellIndex(Cpoint1, c)),
       pointZ(cellIndex(Cpoint6, c)) - pointZ(cellIndex(Cpoint2, c)),
       pointZ(cellIndex(Cpoint7, c)) - pointZ(cellIndex(Cpoint3, c)),
       pointZ(cellIndex(Cpoint8, c)) - pointZ(cellIndex(Cpoint4, c)));
  double bed[4], water[4], fixed[4];
  for (int n = 0; n < 4; ++n) {
    bed[n] = level(corner[n][0], corner[n][1], 1);
    water[n] = level(corner[n][0], corner[n][1], zn);
    fixed[n] = surfaceLevel(3, corner[n][0], corner[n][1]);
  }
  logf("Corner zval[1]:       %lf %lf %lf %lf\n", bed[0], bed[1], bed[2], bed[3]);
  logf("Corner zval[znumber]: %lf %lf %lf %lf\n", water[0], water[1], water[2], water[3]);
  logf("Corner Surfaces[LB]:  %lf %lf %lf %lf\n", fixed[0], fixed[1], fixed[2], fixed[3]);
  const double source = cellValue(Csource, c), cap = cellValue(Cap, c);
  logf("Epsilon = %lf, Source = %lf, Cap = %lf, S/Cap = %lf\n", cellValue(Cepsilon, c), source, cap, source / cap);
}

// A failed computation: the time loops stop on FlagErrorBreak, and the run
// ends with a failure status.
// The fastest cell of the work range: its speed and number (0 when none). A
// speed that is not a number counts as infinite.
std::pair<double, int> fastestCell() {
  const int first = firstCell(), last = lastCell();
  // Each thread takes the first fastest cell of its share; the shares are
  // then joined in order, so the cell found is the first fastest one on any
  // thread count.
  constexpr int kMaxShares = 256;
  double top[kMaxShares];
  int at[kMaxShares];
  int shares = 1;
#pragma omp parallel if (NoProcessesSolver > 0 && last - first > 10000)
  {
#pragma omp single
    shares = std::min(omp_get_num_threads(), kMaxShares);
    const int t = omp_get_thread_num();
    if (t < shares) {
      int begin, end;
      staticShare(last - first + 1, shares, t, begin, end);
      double best = 0.0;
      int where = 0;
      for (int c = first + begin; c < first + end; ++c) {
        const double u = Cxvel[c], v = Cyvel[c], w = Czvel[c];
        double speed = std::sqrt(u * u + v * v + w * w);
        if (std::isnan(speed)) speed = INFINITY;
        if (speed > best) best = speed, where = c;
      }
      top[t] = best;
      at[t] = where;
    }
  }
  double best = 0.0;
  int where = 0;
  for (int t = 0; t < shares; ++t)
    if (top[t] > best) best = top[t], where = at[t];
  return {best, where};
}

void markFailed() {
  FlagErrorBreak = 1;
  RunErrorReported = 1;
}

// A velocity limited to [-limit, limit]; a value that is not a number becomes
// the lower limit.
double limited(double v, double limit) {
  if (std::isnan(v)) return -limit;
  return std::clamp(v, -limit, limit);
}

// A turbulence value taken over from the current field: it must be a
// positive number.
double positiveOrSmall(double v) { return std::isnan(v) || !(v > 0.0) ? 1e-4 : v; }

// The fields start again from the previous time step. A steady computation
// has no previous-step fields: the current ones stand in for them.
void resetFields() {
  const int first = firstCell(), last = lastCell();
  if (Flag2DAccSolver <= 1) {
    const double* u = Cxvel_old ? Cxvel_old : Cxvel;
    const double* v = Cyvel_old ? Cyvel_old : Cyvel;
    const double* w = Czvel_old ? Czvel_old : Czvel;
    for (int c = first; c <= last; ++c) {
      Cxvel[c] = limited(u[c], 1.0);
      Cyvel[c] = limited(v[c], 1.0);
      Czvel[c] = limited(w[c], 0.1);
      Ckinen[c] = Ckinen_old ? Ckinen_old[c] : positiveOrSmall(Ckinen[c]);
      Cepsilon[c] = Cepsilon_old ? Cepsilon_old[c] : positiveOrSmall(Cepsilon[c]);
      Cpres[c] = 0.0;
    }
    return;
  }
  for (int c = first; c <= last; ++c) {
    Cpres[c] = Cxvel[c] = Cyvel[c] = Czvel[c] = 0.0;
    Ckinen[c] = Cepsilon[c] = 1e-4;
  }
  for (double* a : {Cxvel_old, Cyvel_old, Czvel_old})
    if (a)
      for (int c = first; c <= last; ++c) a[c] = 0.0;
  for (double* a : {Ckinen_old, Cepsilon_old})
    if (a)
      for (int c = first; c <= last; ++c) a[c] = 1e-4;
}

void halveRelaxation() {
  relaxPressure *= 0.5;
  relaxVelocity *= 0.5;
  relaxK *= 0.5;
  relaxEpsilon *= 0.5;
  invRelaxVelocity *= 2.0;
}

}  // namespace

void setEndControlMax(double max) { Max = max; }
double endControlMax() { return Max; }

int printEndWaterSolve(int InnerIter) {
  MaxLast = Max;
  Max = 0.0;
  int E = 0;
  for (int i = 1; i <= 6; ++i) {
    if (MaxResidual[i] < 1e-90) MaxResidual[i] = 0.0;
    if (std::isnan(MaxResidual[i])) {
      if (!std::isnan(Max)) {
        Max = MaxResidual[i];
        E = i;
      }
    } else if (!std::isnan(Max) && MaxResidual[i] > Max) {
      Max = MaxResidual[i];
      E = i;
    }
  }

  if (FlagPrint == 0 &&
      (InnerIter == TransInnerIter || (transient() && Max < TimeBreakLimit && FlagMPI == 0)))
    iterationLines(InnerIter);

  char text[200];
  std::snprintf(text, sizeof text, "%d ResMax: %8.2e for eq: %d", Iter, Max, E);
  setMessage(text);

  if (Max < 0.001 && (TimeStep < 1e-8 || FlagStopTime == 1) && FlagMPI == 0) {
    logf("Solution converged\n");
    setMessage("Solution converged  ");
    gFlagFlow = 0;
    setV1("Written from watersolver due to convergence");
    sprintflow();
    return 1;
  }

  if (FlagFlush >= 1 && Max > 5e8 && Max > MaxLast && FlagFlushIter < FlagFlush) {
    ++FlagFlushIter;
    ++FlushedNo;
    logf("Solution flushed at Iter=%d, InnerIter=%d, Residual=%lf, relax=%lf, TotalFlushings = %d\n", Iter,
         InnerIter, Max, relaxPressure, FlushedNo);
    flushFunction(FlagFlushIter);
  } else if (const auto fastest = fastestCell();
             std::isnan(Max) || (Max > MaxCrashDef && FlagFlushIter >= FlagFlush) ||
             fastest.first > kDivergedSpeed) {
    // The residual alone can stay below its bound while the velocities run
    // away (and whether it does depends on the thread timing): a speed no
    // flow in a river or flume reaches is a divergence as well.
    logf("Solution diverged after %d inner and %d outer iterations\n", InnerIter, Iter);
    logf("Max residual is %le\n", Max);
    if (fastest.first > kDivergedSpeed)
      logf("The velocity of cell %d is %le m/s, above the bound of %g m/s\n", fastest.second, fastest.first,
           kDivergedSpeed);
    if (debugging == 'D') divergedCellLines();
    if (FlagReadUnstruc < 2)
      logf("A possible reason is that an older version of the unstruc file is used\n"
           "and the corresponding koordina file is not read or the G 1 data set is changed\n\n");
    setMessage("Solution diverged  ");
    markFailed();
    gFlagFlow = 0;
    printAtCrash();
    return 1;
  }

  if (std::fabs(GlobContinuity) / NormResidual[4] > 1e-6 && FlagTFS == 0 && ContinuityFlag == 0) {
    logf("Error in continuity, WaterSolve. Defect = %lf l/s\n", GlobContinuity);
    setMessage("Error in continuity  ");
    gFlagFlow = 0;
    markFailed();
    return 1;
  }

  if (FlagPresDebug == 99) {
    setMessage("Stopped for debug info    ");
    sprintflow();
    gFlagFlow = 0;
    markFailed();
    return 1;
  }
  return 0;
}

void flushFunction(int n) {
  resetFields();

  if (n == 2) {
    if (FlagGridStab5 != 2)
      FlagGridStab5 = 2;  // the other corner-level rule
    else
      FlagGridStab2 = 9;  // cut the side connections to too shallow columns
    regenerateGrid();
  } else if (n == 3) {
    if (FlagGridStab2 == 0) FlagGridStab2 = 9;
    regenerateGrid();
  } else if (n == 4) {
    FlagRhieChow = FlagRhieChow == 0 ? 7 : 0;
  } else if (n == 5 && Flag2DAccSolver > 1) {
    Flag2DAccSolver = 1;  // two-dimensional multigrid acceleration off
  } else {
    halveRelaxation();
  }

  if (FlagPresCrash == 1) {
    const int kept = FlagPresSetZero;
    FlagPresSetZero = 3;  // hydrostatic below the new water surface
    computeSetPresZero();
    FlagPresSetZero = kept;
  }

  // A cut of the side connections serves the one regeneration only.
  if (FlagGridStab2 != FlagGridStab2ori) {
    FlagGridStab2 = FlagGridStab2ori;
    FlagGridStab5 = FlagGridStab5ori;
  }
}

void printAtCrash() {
  const int c = Glob_dmI;
  iterationLine();
  continuityLine();
  if (Cbed && Bkooi && Bkooj) {
    const int b = cellIndex(Cbed, c);
    logf("Largest residual is in cell b=%d, c=%d, i=%d, j=%d\n", b, c, bedIndex(Bkooi, b), bedIndex(Bkooj, b));
  }
  logf("Please look at the ParaView2.vtk file to find out where the problem is\n\n");
  if (transient()) {
    logf("Time: %lf seconds\n", stimet);
    for (int g = 1; g <= 9 && DischargeArray[g] > 0.0; ++g)
      logf("Water discharge (l/s), group %d: %lf\n", g, DischargeArray[g]);
  }
  logf("Debugging information: Cell height: %lf meters\n", 2.0 * cellValue(Ckdist, c));
  logf("Horizontal cell distances: %lf %lf meters\n", 2.0 * cellValue(Cidist, c), 2.0 * cellValue(Cjdist, c));
  logf("Roughness %lf meters, Neighbour cells (wsentb): %d %d %d %d %d %d\n", cellValue(Croughness, c),
       cellIndex(Ccellw, c), cellIndex(Ccells, c), cellIndex(Ccelle, c), cellIndex(Ccelln, c), cellIndex(Ccellt, c),
       cellIndex(Ccellb, c));
  logf("Neighbour areas (wsen): %lf %lf %lf %lf\n", faceValue(Farea, cellIndex(Cflatew, c)),
       faceValue(Farea, cellIndex(Cflates, c)), faceValue(Farea, cellIndex(Cflatee, c)),
       faceValue(Farea, cellIndex(Cflaten, c)));
  const int bottom = cellIndex(Cflateb, c);
  logf("Bed surface vector components: %lf %lf %lf\n", faceValue(Fvx, bottom), faceValue(Fvy, bottom),
       faceValue(Fvz, bottom));
  logf("Bed area components: %lf %lf %lf\n", faceValue(Fax, bottom), faceValue(Fay, bottom), faceValue(Faz, bottom));

  if (FlagCrashGrid > 0) {
    FlagCrashGrid = 2;  // the writers take their crash file names
    WriteUnstructure();
    WriteAllData();
    sprintflow();
  }

  // The variables of the plan-view file: the default list when none was
  // given, and the residual and its cell level with F 153.
  if (TecStrucNo == 0) {
    int n = 0;
    for (char letter : {'y', 'v', 'm', 'p', 's', 'u', 'w', 'i', 'z'}) TecStruc[n++] = TecVariable{0, 0, 0, letter};
    if (FlagResidual == 1) {
      TecStruc[n++] = TecVariable{1, 0, 0, 'R'};
      TecStruc[n++] = TecVariable{1, 0, 0, 'K'};
    }
    TecStrucNo = n;
  } else if (FlagResidual == 1 && TecStrucNo <= 294) {
    TecStruc[TecStrucNo++] = TecVariable{1, 0, 0, 'R'};
    TecStruc[TecStrucNo++] = TecVariable{1, 0, 0, 'K'};
  }

  FlagInterpolVal = 91;  // the plan-view ParaView file
  sprintflow();

  if (UMethod2 <= 0) CheckFparam();
}
