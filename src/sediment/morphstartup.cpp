// Start-up of a sediment run: the run totals, the statistics files, the
// refusals of input that cannot give a run, the log lines of the formula and
// the discharges, and the layer stack of every water column, built from the
// grid levels and the N data sets or taken from a bed file and checked
// against the grid.
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "flow/stages.h"
#include "state/outfile.h"
#include "grid/geometry.h"
#include "io/gridfiles.h"
#include "state/log.h"
#include "io/modelfiles.h"
#include "sediment/morphology.h"
#include "sediment/steproutines.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"


namespace {

bool gridPoint(int i, int j) { return i >= 0 && i <= xnumber + 1 && j >= 0 && j <= ynumber + 1; }
bool bedCellOk(int b) { return b >= 1 && b < bedCellCapacity(); }
bool bedFileRead() { return FlagReadFracres > 0 || FlagUseBedres > 0 || FlagReadAlldata > 0; }
int blockCount() { return std::clamp(NoBlocks, 0, 99); }
bool bedBlock(const BlockRecord& B) { return B.kind == 0 && B.gridLevel == 0; }

// A statistics file created anew (with its header line, if any).
void createFile(const char* name, const char* header, const char* failure) {
  std::FILE* f = openWrite(name, "w");
  if (!f) fatal(-1, "%s", failure);
  if (header) std::fputs(header, f);
  closeOutput(f);
}

const char* formulaLine(int flag) {
  switch (flag) {
    case 0: return "Using van Rijns suspended load formula\n\n";
    case 1: return "Using van Rijns bed load formula\n\n";
    case 2: return "Using van Rijns suspended and bed load formulas\n\n";
    case 3: return "Using Wu's sediment transport formula\n\n";
    // The u umlaut as the single byte 0xFC, as the log has always had it.
    case 5: return "Using Mayer-Peter and M\xFCllers sediment transport formula\n\n";
    case 6: return "Using Engelund-Hansens sediment transport formula\n\n";
    case 7: return "Using Hillebrands sediment transport formulas\n\n";
    case 8: return "Using Engelund-Hansens formula modified for critical shear\n\n";
    case 9: return "Using Engelund-Hansens formula modified for d50 and critical shear\n\n";
    case 11: return "Using Engelund-Hansens formula modified for d50\n\n";
    default: return nullptr;
  }
}

// Cross-section lines of block 1 (debug letter L).
void logSections() {
  const BlockRecord& B = block[1];
  for (int i = B.i1; i <= B.i2; ++i) {
    double area = 0.0, width = 0.0;
    for (int j = B.j1; j <= B.j2; ++j) {
      if (!gridPoint(i, j)) continue;
      int c = static_cast<int>(zval[i][j][0]);
      if (c < 1 || c > NoCells) continue;
      int top = c;
      for (int n = 0; c >= 1 && c <= NoCells && n <= NoCells; c = Ccellt[c], ++n) {
        area += 0.5 * (Farea[Cflatee[c]] + Farea[Cflatew[c]]);
        top = c;
      }
      width += 2.0 * Cjdist[top];
    }
    logf("Section %d, Area = %lf, width = %lf, averagedepth = %lf\n", i, area, width, area / width);
  }
}

// F 264 -1: the solid fraction of a layer from the spread of its grain sizes
// (log2 of the diameter): 1 - (0.36 - 0.06 variance), within 0.05..0.99.
double packedSolidFraction(int k, int b) {
  if (lnumber < 1) return 0.64;
  double m = 0.0, s2 = 0.0;
  for (int l = 1; l <= lnumber; ++l) m += BSedDistrib[k][l][b] * std::log(gsize[l]) / 0.6931471805599453;
  for (int l = 1; l <= lnumber; ++l) {
    const double p = std::log(gsize[l]) / 0.6931471805599453;
    s2 += BSedDistrib[k][l][b] * (p - m) * (p - m);
  }
  return std::clamp(1.0 - (0.36 - 0.06 * s2), 0.05, 0.99);
}

// F 310 1: the stack made to fit the sediment thickness T of the grid.
void repairStack(int b, double T, double L) {
  const int N = NoBedLayers;
  if (T > L) {
    BSedDistrib[0][0][b] += T - L;
    return;
  }
  double excess = L - T;
  for (int k = 0; k < N; ++k) {
    double& thick = BSedDistrib[k][0][b];
    if (excess > thick) {
      excess -= thick;
      thick = 0.0;
      double left = 0.0;
      for (int m = 0; m < N; ++m) left += BSedDistrib[m][0][b];
      if (left < 1e-10) return;
    } else {
      thick -= excess;
      return;
    }
  }
}

}  // namespace

void initialiseBedColumn(int i, int j, double a) {
  if (!gridPoint(i, j) || !gridPoint(i - 1, j - 1)) return;
  const int b = pointbed[i][j];
  if (!bedCellOk(b)) return;
  const int N = NoBedLayers;
  const bool bedFile = bedFileRead();
  Bedmove[b] = 0.0;
  if (FlagTSC == 3 && Barmourthick) Barmourthick[b] = 0;
  if (FlagBedDefect > 0 && Bdefect) Bdefect[b] = 0.0;
  BlayerTop[b] = N - 1;
  const int ci[4] = {i - 1, i, i, i - 1}, cj[4] = {j - 1, j - 1, j, j};
  double T = 0.0, A = 0.0, S3 = 0.0, S0 = 0.0, Z = 0.0;
  for (int n = 0; n < 4; ++n) {
    const double d = zval[ci[n]][cj[n]][1] - Surfaces[3][ci[n]][cj[n]];
    T += d;
    A += std::min(a, d);
    S3 += Surfaces[3][ci[n]][cj[n]];
    S0 += Surfaces[0][ci[n]][cj[n]];
    Z += zval[ci[n]][cj[n]][1];
  }
  T /= 4.0;
  A /= 4.0;
  if (FlagCohesion > 4 && BcohesionLevel) BcohesionLevel[b] = Bcellt[b] > 0 ? S3 / 4.0 : S0 / 4.0;
  if (!bedFile) {
    BSedDistrib[1][0][b] = A;
    BSedDistrib[0][0][b] = std::max(0.0, T - A);
    for (int l = 1; l <= lnumber; ++l) BSedDistrib[0][l][b] = BSedDistrib[1][l][b] = SedimentSample[0][l];
    if (FlagBedConcentration == 3 && BfGzeroTime && BfGzeroHeight) BfGzeroTime[b] = BfGzeroHeight[b] = 0.0;
  }
  if (FlagTSC == 3 && Bsolidfraction) {
    for (int k = 0; k <= N; ++k) Bsolidfraction[k][b] = SolidFrac;
    if (FlagDensityAlgo == -1)
      for (int k = N - 1; k >= 0; --k) Bsolidfraction[k][b] = packedSolidFraction(k, b);
  }
  if ((FlagTSC == 3 || FlagBedchangeOption == 3) && Bedlev) Bedlev[b] = Z / 4.0;
  if (N >= 3 && !bedFile) {
    BSedDistrib[N - 1][0][b] = A;
    for (int l = 1; l <= lnumber; ++l) {
      BSedDistrib[N - 1][l][b] = SedimentSample[0][l];
      if (Bvolleft) Bvolleft[l][b] = 0.0;
    }
    for (int k = 0; k <= N - 2; ++k) {
      BSedDistrib[k][0][b] = std::max(0.0, T - A) / (N - 1);
      for (int l = 1; l <= lnumber; ++l) BSedDistrib[k][l][b] = SedimentSample[0][l];
    }
  }
  if (FlagTSC == 3 && FlagReadAlldata > 0) {
    for (int k = N - 1; k >= 1; --k) {
      if (BSedDistrib[k][0][b] >= 1e-20) break;
      BSedDistrib[k][0][b] = 0.0;
      if (k > 1) BlayerTop[b] = k - 1;
    }
  }
  if (FlagTSC == 3 && FlagFracresVersion == 1 && FlagReadFracres > 0) {
    const double S = std::max(0.0, T);
    if (S < a) {
      BlayerTop[b] = 0;
      BSedDistrib[0][0][b] = S;
    } else {
      BlayerTop[b] = N - 1;
      BSedDistrib[N - 1][0][b] = a;
      if (S - a > 0.0)
        for (int k = N - 2; k >= 0; --k) BSedDistrib[k][0][b] = (S - a) / (N - 1);
    }
  }
  if (FlagInitiateBedlayers > 0 && N >= 3)
    for (int k = 0; k <= std::clamp(BlayerTop[b], 0, N); ++k)
      for (int l = 1; l <= lnumber; ++l) BSedDistrib[k][l][b] = SedimentSample[0][l];
  if (FlagReadFracres > 0 && debugging == 'D' && BSedDistrib[N - 1][0][b] > a) {
    logf("Warning in reading fracres file. Top layer larger then coarsest\n");
    logf("grain size at i,j=%d %d\n", i, j);
    logf("Top layer size fracres: %lf, maxgrain: %lf\n\n", BSedDistrib[N - 1][0][b], a);
  }
  if (BSedDistrib[1][0][b] < 0.0) fatal(-44, "Error, startup, negative bed layer at i,j=%d %d\n", i, j);
  if (bedFile) {
    double L = 0.0;
    for (int k = 0; k < N; ++k) L += BSedDistrib[k][0][b];
    const double D = T - L;
    if (std::fabs(D) / (T + L + 0.01) > 0.1) {
      if (FlagFixBed == 0) {
        logf("\nError for cell no. %d, i = %d, j = %d: The sediment thickness computed\n", b, i, j);
        logf("from the difference between the grid bed level and the koordina file\n");
        logf("is %lf meters. The sum of the thickness of the bed sediment layers is %lf meters\n", T, L);
        logf("The reason for the error is lack of correspondence between the information\n");
        logf("in the files: fracres, bedres, koomin and the unstruc/koordina.\n");
        logf("The problem can be solved by using F 310 1 or 2 in the control file\n");
        fatal(-8, "If you are reading an alldata file, a fix in this file was done on the 3rd July 2020\n\n");
      }
      if (FlagFixBed == 1) repairStack(b, T, L);
    }
  }
}

void matchNonErodibleLevel() {
  for (int n = 1; n <= blockCount(); ++n) {
    const BlockRecord& B = block[n];
    if (!bedBlock(B)) continue;
    for (int i = B.i1 - 1; i <= B.i2; ++i)
      for (int j = B.j1 - 1; j <= B.j2; ++j) {
        if (!gridPoint(i, j)) continue;
        double sum = 0.0, count = 0.0;
        for (int di = 0; di <= 1; ++di)
          for (int dj = 0; dj <= 1; ++dj) {
            if (!gridPoint(i + di, j + dj)) continue;
            const int b = pointbed[i + di][j + dj];
            if (!bedCellOk(b)) continue;
            for (int k = 0; k < NoBedLayers; ++k) sum += BSedDistrib[k][0][b];
            count += 1.0;
          }
        Surfaces[3][i][j] = zval[i][j][1] - sum / (count + 1e-10);
      }
  }
}

void computeInitialBedMasses() {
  for (int l = 0; l <= std::min(lnumber, 50); ++l) kLayer1[l] = 0.0;
  for (int b = std::max(WBStart, 1); b <= std::min(WBEnd, bedCellCapacity() - 1); ++b) {
    if (FlagTSC == 3) {
      const int top = std::clamp(BlayerTop[b], 0, NoBedLayers);
      for (int k = 0; k <= top; ++k) {
        const double m = BSedDistrib[k][0][b] * Barea[b] * (Bsolidfraction ? Bsolidfraction[k][b] : SolidFrac) *
                         density * 1000.0;
        kLayer1[0] += m;
        for (int l = 1; l <= lnumber; ++l) kLayer1[l] += m * BSedDistrib[k][l][b];
      }
    } else {
      const double f = Barea[b] * SolidFrac * 1000.0 * density;
      kLayer1[0] += (BSedDistrib[0][0][b] + BSedDistrib[1][0][b]) * f;
      for (int l = 1; l <= lnumber; ++l)
        kLayer1[l] += (BSedDistrib[0][0][b] * BSedDistrib[0][l][b] + BSedDistrib[1][0][b] * BSedDistrib[1][l][b]) * f;
    }
  }
}

void morphologyStartup(MorphologyRun& run) {
  // 1. Totals and ranges.
  if (FlagReadAlldata == 0) stimet = 0.0;
  BedMoveDefectAbs = BedMoveDefectSum = SumBedChange = SumInflow = SumOutflow = SuspVolChangeDef = 0.0;
  WCStart = WFStart = WBStart = 1;
  WCEnd = NoCells;
  WFEnd = NoSurfaces;
  WBEnd = NoBCells;
  // The geometry of a grid just generated or read, for the volumes below.
  if (NoCells > 0) metric();
  // 2.-4. Files and blocks.
  if (FlagBarcelona > 0) {
    createFile("barcelona", nullptr, "Error writing 'barcelona' file\n\n");
    createFile("barcelona_wl", nullptr, "Error writing 'barcelona_wl' file\n\n");
  }
  for (int n = 1; n <= blockCount(); ++n) block[n].active = block[n].gridLevel == 0 ? 1 : 0;
  if (FlagSinkScour > 0)
    createFile("scour", "Time iteration, time (sec), scour depth (m)\n", "Error writing 'scour' file\n\n");
  // 5.-7. Early lines and refusals.
  if (debugging == 'D' && FlagTFS == 9) logf("Manning-Stricklers value of %lf is used\n", ManningInit);
  if (IterAvalanche >= 203 && IterAvalanche <= 206 && NoBlocks >= 1 && block[1].j2 > block[1].j1)
    fatal(1, "Error for F 56 203-206: is only coded for a 2D case\n\n");
  if (TimeStep < 1e-15)
    logf("A time step (F 33) is needed in the control file to compute sediment transport (F 37)\n\n");
  if (FlagTSC != 0) otime[0] = omp_get_wtime();
  // 8. More files.
  if (FlagBraidedIndex > 0) {
    createFile("braided", "Time, BIactive1, BIactive2, BIactive3,   BItotal,  BIcell,  BIdepth, sinuosity, sidesfrac\n\n",
               "Error in opening braided file\n\n");
    if (FlagThalweg > 0) createFile("thalweg", "Thalweg file, time, x, y, z\n\n", "Error in opening thalweg file\n\n");
  }
  if (FlagCyclicS > 1 || FlagCyclicSstart > 0 || FlagOutConc > 0)
    createFile("outconc", nullptr, "Error in opening outconc file\n\n");
  if (debugging == 'D' && FlagInspace > 0)
    createFile("inconc.res", "Time (sec), inflow (kg) for different sizes\n\n", "Error in opening inconc file\n\n");
  if (debugging == 'H') {
    std::FILE* f = openWrite("bootime", "w");
    if (!f) {
      setMessage("cannot open file 'bootime' ");
      fatal(-3, nullptr);
    }
    closeOutput(f);
  }
  // 9. Thickness and passes.
  run.thickness = activeThickness();
  run.passes = 1;
  for (int k = 1; k <= std::min(WorkBlockNo, 99); ++k) run.passes = std::max(run.passes, WorkBlock[k]);
  // 10. Per-size totals.
  for (int l = 1; l <= std::min(lnumber, 50); ++l) {
    kIn[l] = kUt[l] = kBedmove[l] = kSusp[l] = Bvollefttot[l] = kDefectRatio[l] = bedLimDef[l] = suspDef[l] = 0.0;
    deltaErrorA[l] = deltaErrorB[l] = deltaErrorC[l] = deltaErrorD[l] = deltaErrorE[l] = deltaErrorF[l] = 0.0;
    noErrorA[l] = noErrorB[l] = noErrorC[l] = noErrorD[l] = noErrorE[l] = noErrorF[l] = 0;
    double sum = 0.0;
    for (int c = std::max(WCStart, 1); c <= WCEnd; ++c) {
      if (Cconc[l][c] < 0.0) Cconc[l][c] = 0.0;
      if (Cconc_old && Cconc_old[l][c] < 0.0) Cconc_old[l][c] = 0.0;
      sum += Cconc[l][c] * Cvol[c] * 1000.0 * density;
    }
    kSuspo[l] = sum;
  }
  kLimDef = 0.0;
  scaleConcGridMove1();
  BedMake();
  WBEnd = NoBCells;
  // 11. Refusals.
  if (FlagReadNdata < 1 && !bedFileRead()) {
    logf("Error in input data: it is necessary to specify the grain size distribution\n");
    logf("on the bed. This is done with an N data set in the control file or with a \n");
    fatal(-8, "fracres file read with the F 2 O option\n\n");
  }
  if (FlagTSC == 0) {
    logf("In TOVAK 2 you have to specify a value on the F 37 data set \n");
    fatal(-9, "in the control file to compute sediment transport\n\n");
  }
  if (TimePrintNo > 0) truncateTimeo();
  if (TimeStep < 1e-8) {
    logf("Error in control file. To do a transient sediment computation you have\n");
    logf("to include a time step in the control file, for example by using the \n");
    fatal(-7, "F 33 data set\n\n");
  }
  if (lnumber > 49) fatal(1, "Error- Increase nsm in utsc and recompile\n");
  if (FlagBedDefect == 2 && FlagProfiles == 0)
    fatal(-5, "Error in control file: If you use F 277 2, you also have to use F 453 with an integer above zero\n");
  // 12. Log lines.
  logf("Relaxation: %lf %lf %lf %lf\n", relax[1], relax[4], relax[5], relax[6]);
  if (const char* line = formulaLine(BedLoadFlag)) logf("%s", line);
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    if (G.discharge > 1e-20)
      logf("Discharge group %d: Discharge = %lf, Area = %lf, surfaces = %d\n", g, G.discharge, G.area, G.surfno);
  }
  // 13. Cohesion.
  if (FlagCohesion > 0 && setInitialCohesive() == -20)
    fatal(0, "\nError: F 385 2 data set is specified in 'control' file and 'cohesion' file can not be read\n\n");
  // 14. Sections.
  if (debugging == 'L' && NoBlocks >= 1) logSections();
  // 15.-17. The bed.
  for (int n = 1; n <= blockCount(); ++n) {
    const BlockRecord& B = block[n];
    if (!bedBlock(B)) continue;
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2; ++j) initialiseBedColumn(i, j, run.thickness);
  }
  if (FlagPlastics > 0 && BplasticDeposits)
    for (int l = 0; l <= lnumber; ++l)
      for (int b = 0; b <= std::min(NoBCells, bedCellCapacity() - 1); ++b) BplasticDeposits[l][b] = 0.0;
  if (FlagFixBed == 2 && bedFileRead()) matchNonErodibleLevel();
  computeInitialBedMasses();
  // 18. Log lines.
  logf("\n ***** In morphology_tsc **********\n\n");
  logf("FlagTSC = %d, Hydrostatic = %d, NoBlocks = %d, iterGlobalMax = %d\n", FlagTSC, Hydrostatic, NoBlocks,
       iterGlobalMax);
  run.volume0 = 0.0;
  for (int c = std::max(WCStart, 1); c <= WCEnd; ++c) run.volume0 += Cvol[c];
  logf("Volume of geometry: %20.14e qubic meters\n", run.volume0);
  logf("Bed concentration flags: %d %d %d %d %d %d\n", BedFlags[0], BedFlags[1], BedFlags[2], BedFlags[3],
       BedFlags[4], BedFlags[5]);
  if (debugging == 'D' && i1Iff > 0) {
    double sum = 0.0;
    for (int i = i1Iff; i <= i2Iff; ++i)
      for (int j = j1Iff; j <= j2Iff; ++j) {
        if (!gridPoint(i, j) || !gridPoint(i - 1, j - 1)) continue;
        const int b = pointbed[i][j];
        if (!bedCellOk(b)) continue;
        double d = 0.0;
        for (int n = 0; n < 4; ++n) {
          const int ii = i - (n == 0 || n == 3), jj = j - (n < 2);
          d += zval[ii][jj][1] - Surfaces[3][ii][jj];
        }
        sum += d / 4.0 * Barea[b];
      }
    logf("G 29 data set sediment thickness: %lf m3\n", sum);
  }
  // 19. Layer 1 cleared (F 30 2), the old concentrations cleared.
  if (BedFlags[0] == 2)
    for (int b = std::max(WBStart, 1); b <= std::min(WBEnd, bedCellCapacity() - 1); ++b)
      for (int l = 0; l <= lnumber; ++l) BSedDistrib[1][l][b] = 0.0;
  if (Cconc_old)
    for (int l = lnumber == 1 ? 1 : 0; l <= lnumber; ++l)
      for (int c = std::max(WCStart, 1); c <= WCEnd; ++c) Cconc_old[l][c] = 0.0;
  // 20. Hydrostatic start pressure (F 545 2).
  if (FlagGravityInitialize == 2 && FlagGravity > 0)
    for (int b = 1; b <= std::min(NoBCells, bedCellCapacity() - 1); ++b) {
      int top = Bcellt[b];
      if (top < 1 || top > NoCells) continue;
      for (int n = 0; Ccellt[top] >= 1 && Ccellt[top] <= NoCells && n < NoCells; ++n) top = Ccellt[top];
      double depth = 0.0;
      for (int c = top, n = 0; c >= 1 && c <= NoCells && n <= NoCells; c = Ccellb[c], ++n) {
        Cpres[c] = 9810.0 * (depth + Ckdist[c]);
        depth += 2.0 * Ckdist[c];
      }
    }
}
