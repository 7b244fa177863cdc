// F data sets 200 to 299.
#include <omp.h>

#include <cstdio>

#include "io/dataset.h"
#include "state/outfile.h"
#include "io/dataset_convert.h"
#include "state/log.h"
#include "state/options.h"

namespace {

// The machine's thread count, read before any data set changes it.
int machineThreads() {
  static const int n = omp_get_max_threads();
  return n;
}

// Thread count: limited to what the machine offers and handed to OpenMP.
// A negative count is refused; 0 becomes one thread after the file is read.
void setThreads(DataSetRead& d) {
  int maxThreads = machineThreads();
  logf("Max. number of threads: %d, value F 206: %d\n", maxThreads, NoProcessesSolver);
  if (NoProcessesSolver < 0) d.refuse();
  if (NoProcessesSolver > maxThreads) NoProcessesSolver = maxThreads;
  if (NoProcessesSolver > 0) omp_set_num_threads(NoProcessesSolver);
  omp_set_dynamic(0);
}

[[maybe_unused]] const int kMachineThreadsAtStart = machineThreads();

// Residual normalisation: velocity and pressure norms follow for set 2.
void normTail(DataSetRead& d) {
  if (FlagNormSet != 2) return;
  int n = d.s.readDouble(NormVel) ? 1 : 0;
  if (n == 1 && d.s.readDouble(NormPres)) ++n;
  if (n != 2 || NormVel < 0 || NormPres < 0) d.refuse();
}
void normDefaults() {
  NormVel = 0.001;
  NormPres = 0.001;
}

// Debugging dumps: the iteration is required, the switch is optional.
// F 236 3 divides the slide velocities by the viscosity of its 2nd value.
void slideViscosityCheck(DataSetRead& d) {
  if (FlagThixo == 3 && !(ThixoEddyvisc > 0))
    d.refuseWith(1, "Error for F 236 in control: F 236 3 needs a positive viscosity as its 2nd value\n");
}

void readStopIter(DataSetRead& d) {
  if (!d.s.readInt(StopIter)) d.refuse();
  if (!d.s.readInt(PrintDebugBoogie)) PrintDebugBoogie = 0;
}

void warnTrekant(DataSetRead&) {
  if (FlagCorrTrekant != 1 && FlagCorrTrekant != 5 && FlagCorrTrekant != 10 && FlagCorrTrekant != 21)
    logf("Warning: The F 235 %d data set will only work when\nnot used in combination with the F 206 data set\n\n",
         FlagCorrTrekant);
}

// Discharge of one discharge group (groups 1..9).
void readGroupDischarge(DataSetRead& d) {
  int g = 0;
  double q = 0.0;
  int n = d.s.readInt(g) ? 1 : 0;
  if (n == 1 && d.s.readDouble(q)) ++n;
  if (n != 2 || g < 1 || g > 9 || q < 0) d.refuse();
  if (q < 1e-20) d.refuseWith(1, "Error for F 237, group %d: discharge is too low\n", g);
  discharges[g] = q;
}
void dischargesDefault() {
  for (double& q : discharges) q = -1.0;
}

void readNestTop(DataSetRead& d) {
  int n = convertValues(d);
  if (n != 2) d.refuseWith(1, "Error for F 238 in control\nYou have to give in two numbers: an integer and a float\n\n");
  if (!boundsHold(d)) d.refuse();
}

void readMoveBedchange(DataSetRead& d) {
  if (convertValues(d) != 1) d.refuseWith(1, "Error for F 242 in control\nHave not read any integer\n");
  if (NumMoveBedchange < 1)
    d.refuseWith(1, "Error for F 242 in control\nInvalid number on data set: %d\n", NumMoveBedchange);
}

void trekantStab(DataSetRead&) {
  if (FlagCorrTrekant3 == 1) FlagGridStab6 = 1;
}

// Shear and Lame moduli of the soil from its Young's modulus and Poisson ratio.
void deriveModuli(DataSetRead&) {
  GModulus = EModulus / (2.0 * (1.0 + PoissonRatio));
  LModulus = EModulus * PoissonRatio / ((1.0 - 2.0 * PoissonRatio) * (1.0 + PoissonRatio));
}
void moduliDefaults() {
  GModulus = 6.5e7;
  LModulus = 0.0;
}

// Flocculation needs the sediment methods 2 or 3 (an F 37 earlier in the file).
void flocNeedsSediment(DataSetRead& d) {
  if (FlagFlocDLL != 0 && FlagTSC <= 1)
    d.refuseWith(1, "Error in control file. The F 260 data set will only work\nwhen the F 37 data set is set to 2 or 3\n\n");
}

void coupledNestingNote(DataSetRead& d) {
  // The values 11..15 divide the coarse coefficients by 1 - r.
  if (FlagCoupledNesting >= 11 && FlagCoupledNesting <= 15 && !(RelaxCoupledNesting < 1.0))
    d.refuseWith(2, "Error for F 261 in control\nThe relaxation factor of the values 11..15 must be below 1\n");
  if (NoProcessesSolver >= 1 && (FlagCoupledNesting == 16 || FlagCoupledNesting == 18))
    logf("Warning: The combination of F 206 and F 261 data sets in the control file will\ngive incorrect residuals\n");
}

// Update mode imposed on one discharge group (groups 1..9).
void readGroupUpdate(DataSetRead& d) {
  int g = 0, u = 0;
  int n = d.s.readInt(g) ? 1 : 0;
  if (n == 1 && d.s.readInt(u)) ++n;
  if (n != 2 || g < 1 || g > 9 || u < 0) d.refuse();
  updates[g] = u;
}
void updatesDefault() {
  for (int& u : updates) u = -1;
}

void readOpenMPSwitches(DataSetRead& d) {
  int n = convertValues(d);
  if (n == 1) d.refuseWith(1, "Error for F 269 in control\nThe data set needs two integers. Default F 269 1 1\n");
  if (n != 2 || !boundsHold(d)) d.refuse();
}

void readGENMIX(DataSetRead& d) {
  if (!d.s.readInt(FlagGENMIX) || FlagGENMIX < 0) d.refuse();
  if (FlagGENMIX != 2) return;
  if (!d.s.readDouble(coeffEps) || coeffEps < 0)
    d.refuseWith(1, "Error for 2nd parameter on F 273 data set in control file\n");
}

void readGlobFlux(DataSetRead& d) {
  if (!d.s.readInt(FlagGlobFlux) || FlagGlobFlux < 0) d.refuse();
  if (FlagGlobFlux != 6) return;
  int n = d.s.readDouble(GlobFluxLim1) ? 1 : 0;
  if (n == 1 && d.s.readDouble(GlobFluxLim2)) ++n;
  if (n != 2 || GlobFluxLim1 < 0 || GlobFluxLim1 > GlobFluxLim2) d.refuseWith(1, "Error for F 287 6 in control\n");
}

void readThixoModes(DataSetRead& d) {
  int n = convertValues(d);
  if (n < 4)
    d.refuseWith(1, "Error for F 289 in control\nThere should be four integers on the data set. Now there is %d\n", n);
  if (!boundsHold(d)) d.refuse();
}

void dampNote(DataSetRead&) { logf("Warning: The F 291 data set parameters will mostly only work\nwith F 206 0\n\n"); }

void innerTimestepCheck(DataSetRead& d) {
  if (FlagInnerTimestep == 1 && Flag2DAccSolver >= 1 && FlagMinLevUnstruc >= 1)
    d.refuseWith(1,
                 "Warning for F 292 and F 168 and F 102 in control file\n"
                 "Combining these three data sets can lead to instabilities\n"
                 "If you still want to do this, use an integer 5 instead of 1 on the F 292 data set\n\n");
}

// Residual history: a new `trivik` with its header line.
void createTrivik(DataSetRead&) {
  FILE* f = openWrite("trivik", "w");
  if (!f) fatal(-4, "Error, cannot open file 'trivik'\n");
  std::fputs("Iteration, Residuals: Ux, Uy, Uz, Continuity, k, epsilon\n", f);
  closeOutput(f);
}

}  // namespace

std::vector<DataSet> datasetsF200() {
  return {
      {.letter = 'F', .number = 200, .values = {I(FlagNormSet, 0), D(NormK, 0.0001), D(NormEps, 0.0001)},
       .bounds = {atLeast(0, 1), atLeast(1, 0), atLeast(2, 0)}, .required = 3,
       .message = "Error for F 200 in control", .after = normTail, .defaults = normDefaults},
      {.letter = 'F', .number = 201, .values = {I(VegVars, 1), I(VegLevels, 4), I(VegTimes, 1)}, .bounds = {range(0, 1, 5), atLeast(1, 1), atLeast(2, 1), countFits(2, 1)}, .required = 3,
       .message = "Error for F 201 in control"},
      {.letter = 'F', .number = 202, .values = {I(FlagLogInflow, 0), D(XksInflow, 0)}, .bounds = {atLeast(0, 0), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 202 in control"},
      {.letter = 'F', .number = 203, .values = {I(FlagVertVelStab, 0)}, .required = 1,
       .message = "Error for F 203 in control"},
      {.letter = 'F', .number = 204, .values = {D(sizeBedCritCorr, 0)}, .required = 1,
       .message = "Error for F 204 in control"},
      {.letter = 'F', .number = 205, .values = {I(FlagSkewedBedchange, 0), D(f205param, 2.0)}, .bounds = {atLeast(1, 0)}, .required = 2,
       .message = "Error for F 205 in control\nTwo parameters are needed, one integer and one float\nThe float should be larger than 0.0\n"},
      {.letter = 'F', .number = 206, .values = {I(NoProcessesSolver, 0)}, .required = 1,
       .message = "Error for F 206 in control", .after = setThreads},
      {.letter = 'F', .number = 208, .values = {I(FlagTimeOrder, 0)}, .required = 1,
       .message = "Error for F 208 in control\n"},
      {.letter = 'F', .number = 209, .values = {D(MaxDepth209, -1.0)}, .required = 1,
       .message = "Error for F 209 in control"},
      {.letter = 'F', .number = 210, .values = {I(FlagBankErosion, 0)}, .required = 1,
       .message = "Error for F 210 in control"},
      {.letter = 'F', .number = 212, .values = {I(FlagWriteSpecial, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 212 in control\n"},
      {.letter = 'F', .number = 213, .values = {I(FlagLEA1, 0), D(CoeffLEA1, 0)}, .bounds = {atLeast(0, 0)}, .required = 2,
       .message = "Error for F 213 in control\n"},
      {.letter = 'F', .number = 214, .values = {I(FlagLEA2, 0), D(CoeffLEA2_teta, 0), D(CoeffLEA2_k2, 0), D(CoeffLEA2_k3, 0), D(CoeffLEA2_k4, 0)}, .bounds = {atLeast(0, 0)}, .required = 5,
       .message = "Error for F 214 in control\n"},
      {.letter = 'F', .number = 215, .values = {I(FlagLEA3, 0), D(CoeffLEA3, 0)}, .bounds = {atLeast(0, 0)}, .required = 2,
       .message = "Error for F 215 in control\n"},
      {.letter = 'F', .number = 216, .values = {I(FlagLEA4, 0), D(CoeffLEA4_teta, 0)}, .bounds = {atLeast(0, 0)}, .required = 2,
       .message = "Error for F 216 in control\n"},
      {.letter = 'F', .number = 217, .values = {I(FlagLEA5, 0), D(CoeffLEA5_Ub, 0), D(CoeffLEA5_teta, 0)}, .bounds = {atLeast(0, 0)}, .required = 3,
       .message = "Error for F 217 in control\n"},
      {.letter = 'F', .number = 218, .values = {I(StopIter, -10), I(PrintDebugBoogie, 0)},
       .message = "Error for F 218 in control", .reader = readStopIter},
      {.letter = 'F', .number = 219, .values = {I(FlagFlush, 0)}, .required = 1,
       .message = "Error for F 219 in control"},
      {.letter = 'F', .number = 221, .values = {I(FlagStopTime, 0)}, .required = 1,
       .message = "Error for F 221 in control"},
      {.letter = 'F', .number = 222, .values = {I(FlagBedDownstream, 1)}, .required = 1,
       .message = "Error for F 222 in control"},
      {.letter = 'F', .number = 223, .values = {I(ompbugtrap, 0)}, .required = 1,
       .message = "Error for F 223 in control"},
      {.letter = 'F', .number = 224, .values = {D(SurfResCrit, 100.0)}, .required = 1,
       .message = "Error for F 224 in control"},
      {.letter = 'F', .number = 225, .values = {D(ScaleGeodataMult, 1.0), D(ScaleGeodataAdd, 0)}, .required = 2,
       .message = "Error for F 225 in control"},
      {.letter = 'F', .number = 226, .values = {I(FlagSurfFlux, 0)}, .required = 1,
       .message = "Error for F 226 in control"},
      {.letter = 'F', .number = 227, .values = {I(TFSfroudeforward, 1)}, .required = 1,
       .message = "Error for F 227 in control"},
      {.letter = 'F', .number = 229, .values = {I(FlagPreventDiv, 0)}, .required = 1,
       .message = "Error for F 229 in control"},
      {.letter = 'F', .number = 230, .values = {I(FlagTiltSurf, 0)}, .required = 1,
       .message = "Error for F 230 in control"},
      {.letter = 'F', .number = 231, .values = {I(FlagGridIter, 0)}, .required = 1,
       .message = "Error for F 231 in control"},
      {.letter = 'F', .number = 232, .values = {I(FlagGridCNO, 1), I(FlagGridQexpand, 0), D(FlagGridVVANG, 0)}, .required = 3,
       .message = "Error for F 232 in control"},
      {.letter = 'F', .number = 233, .values = {I(FlagNonHydrostaticSurf, 0)}, .required = 1,
       .message = "Error for F 233 in control"},
      {.letter = 'F', .number = 234, .values = {I(FlagSurfPresDownstream, 0)}, .required = 1,
       .message = "Error for F 234 in control\n"},
      {.letter = 'F', .number = 235, .values = {I(FlagCorrTrekant, 0)}, .required = 1,
       .message = "Error for F 235 in control\n", .after = warnTrekant},
      {.letter = 'F', .number = 236, .values = {I(FlagThixo, 0), D(ThixoEddyvisc, 0), D(ThixoCritshear, 0), D(ThixoMySlope, 0.8)}, .required = 4,
       .message = "Error for F 236 in control\n", .after = slideViscosityCheck},
      {.letter = 'F', .number = 237, .message = "Error for F 237 in control\n", .reader = readGroupDischarge,
       .defaults = dischargesDefault},
      {.letter = 'F', .number = 238, .values = {I(FlagNestTop, 0), D(LevelNestTop, -20000)}, .bounds = {atLeast(0, 0), atLeast(1, -20000)}, .required = 2,
       .message = "Error for F 238 in control\n", .reader = readNestTop},
      {.letter = 'F', .number = 239, .values = {I(iterSurfSolv1, 50), I(iterSurfSolv2, 350)}, .bounds = {atLeast(0, 0), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 239 in control\n"},
      {.letter = 'F', .number = 241, .values = {I(NestSurf, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 241 in control\n"},
      {.letter = 'F', .number = 242, .values = {I(NumMoveBedchange, 100)}, .required = 1,
       .message = "Error for F 242 in control\n", .reader = readMoveBedchange},
      {.letter = 'F', .number = 244, .values = {D(relaxTrekant1, 0.5), D(relaxTrekant2, 0.8)}, .bounds = {range(0, 0, 1), range(1, 0, 1)}, .required = 2,
       .message = "Error for F 244 in control\n"},
      {.letter = 'F', .number = 245, .values = {I(FlagCorrTrekant, 0), I(FlagCorrTrekant2, 0), I(FlagCorrTrekant3, 0)}, .required = 3,
       .message = "Error for F 245 in control\n", .after = trekantStab},
      {.letter = 'F', .number = 246, .values = {I(FlagSurfLimit1, 0), I(FlagSurfLimit2, 0), I(FlagSurfLimit3, 0), D(Diffslope, 100.0)}, .required = 4,
       .message = "Error for F 246 in control, not correct number of parameters\n"},
      {.letter = 'F', .number = 247, .values = {D(EModulus, 6.5e7), D(PoissonRatio, 0.4)}, .bounds = {Bound{1, 0, 0.5, false, true}, range(0, 1e5, 5e10)}, .required = 2,
       .message = "Error for F 247 in control\n", .after = deriveModuli, .defaults = moduliDefaults},
      {.letter = 'F', .number = 248, .values = {I(FlagSoilStress, 0)}, .required = 1,
       .message = "Error for F 248 in control\n"},
      {.letter = 'F', .number = 249, .values = {I(FlagAllowNegatveSedimentthickness, 0)}, .required = 1,
       .message = "Error for F 249 in control\n"},
      {.letter = 'F', .number = 250, .values = {I(kSurf2, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 250 in control\n"},
      {.letter = 'F', .number = 251, .values = {I(FlagShields, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 251 in control\n"},
      {.letter = 'F', .number = 252, .values = {D(relaxOutFlux, 0.9)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 252 in control\n"},
      {.letter = 'F', .number = 253, .values = {I(FlagImplicitSedim, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 253 in control\n"},
      {.letter = 'F', .number = 254, .values = {D(TFS17WeightPresCorr, 0.5)}, .required = 1,
       .message = "Error for F 254 in control\n"},
      {.letter = 'F', .number = 255, .values = {I(FlagBedchangeOption, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 255 in control\n"},
      {.letter = 'F', .number = 256, .values = {D(MaxBedConc, 0.1)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 256 in control\n", .countMessage = "Error for F 256 in control\nHave not read any floating point number\n"},
      {.letter = 'F', .number = 257, .values = {I(FlagCrashGrid, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 257 in control\n"},
      {.letter = 'F', .number = 258, .values = {I(FlagStressTerm, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 258 in control\n"},
      {.letter = 'F', .number = 259, .values = {I(FlagStressStrain, 9)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 259 in control\n"},
      {.letter = 'F', .number = 260, .values = {I(FlagFlocDLL, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 260 in control\n", .after = flocNeedsSediment},
      {.letter = 'F', .number = 261, .values = {I(FlagCoupledNesting, 0), D(RelaxCoupledNesting, 0.5)}, .bounds = {atLeast(0, 0), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 261 in control\n", .after = coupledNestingNote},
      {.letter = 'F', .number = 262, .values = {I(FlagGroundwater, 0), D(Conductivity, 5.3e-6)}, .bounds = {atLeast(0, 0), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 262 in control\n"},
      {.letter = 'F', .number = 263, .message = "Error for F 263 in control\n", .reader = readGroupUpdate,
       .defaults = updatesDefault},
      {.letter = 'F', .number = 264, .values = {I(FlagDensityAlgo, 0)}, .required = 1,
       .message = "Error for F 264 in control\n"},
      {.letter = 'F', .number = 265, .values = {D(di_graph, 0.5)}, .bounds = {range(0, 0.001, 0.999)}, .required = 1,
       .message = "Error for F 265 in control\n"},
      {.letter = 'F', .number = 266, .values = {I(FlagGLEA, 0), D(SlopeGLEA, 0.65), D(CohesionGLEA, 0)}, .bounds = {atLeast(0, 0), atLeast(1, 0), atLeast(2, 0)}, .required = 3,
       .message = "Error for F 266 in control\n"},
      {.letter = 'F', .number = 267, .values = {I(FlagNoContour, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 267 in control\n"},
      {.letter = 'F', .number = 268, .values = {I(FlagViewNested, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 268 in control\n"},
      {.letter = 'F', .number = 269, .values = {I(FlagOpenMP[10], 1), I(FlagOpenMP[11], 1)}, .bounds = {atLeast(0, 0), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 269 in control\n", .reader = readOpenMPSwitches},
      {.letter = 'F', .number = 270, .values = {I(IterAvalanche, 0), D(AngleAvalancheUp, 0), D(AngleAvalanche, 1.0)},
       .bounds = {atLeast(0, 0), range(1, 0.01, 70), range(2, 0.01, 70)}, .required = 3,
       .message = "Error for F 270 in control"},
      {.letter = 'F', .number = 271, .values = {I(FlagTFS2, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 271 in control\n"},
      {.letter = 'F', .number = 272, .values = {I(FlagKatoLaunder, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 272 in control\n"},
      {.letter = 'F', .number = 273, .values = {I(FlagGENMIX, 0), D(coeffEps, 1.0)},
       .message = "Error for F 273 in control\n", .reader = readGENMIX},
      {.letter = 'F', .number = 274, .values = {I(FlagBedAngles, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 274 in control\n"},
      {.letter = 'F', .number = 275, .values = {D(EpsilonCs1, 1.44), D(EpsilonCs2, 1.92)}, .bounds = {atLeast(0, 0), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 275 in control\n"},
      {.letter = 'F', .number = 276, .values = {I(FlagInOutLevels, 1)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 276 in control\n"},
      {.letter = 'F', .number = 277, .values = {I(FlagBedDefect, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 277 in control\n"},
      {.letter = 'F', .number = 278, .values = {I(FlagTFS3, 0)}, .bounds = {range(0, 0, 21)}, .required = 1,
       .message = "Error for F 278 in control\n"},
      {.letter = 'F', .number = 279, .values = {I(FlagShearNB, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 279 in control\n"},
      {.letter = 'F', .number = 280, .values = {I(FlagNestFluxInterpol, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 280 in control\n"},
      {.letter = 'F', .number = 281, .values = {I(FlagDuneEddy, 0), D(DuneEddyFactor, 1.0)}, .bounds = {atLeast(0, 0), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 281 in control\n"},
      {.letter = 'F', .number = 282, .values = {I(FlagUpdateDownwind, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 282 in control\n"},
      {.letter = 'F', .number = 283, .values = {I(FlagSurfLimit4, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 283 in control\n"},
      {.letter = 'F', .number = 284, .values = {I(FlagTFS4, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 284 in control\n"},
      {.letter = 'F', .number = 285, .values = {I(FlagBedConcentration, 0), I(FlagBedSlope, 0)}, .bounds = {atLeast(0, 0), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 285 in control\n"},
      {.letter = 'F', .number = 287, .values = {I(FlagGlobFlux, 0), D(GlobFluxLim1, 0.5), D(GlobFluxLim2, 2.0)},
       .message = "Error for F 287 in control\n", .reader = readGlobFlux},
      {.letter = 'F', .number = 289, .values = {I(FlagThixoDamp, 0), I(FlagThixoGrid, 0), I(FlagThixoDampAp, 0), I(FlagThixoDampVel, 0)}, .bounds = {atLeast(0, 0), atLeast(1, 0), atLeast(2, 0), atLeast(3, 0)}, .required = 4,
       .message = "Error for F 289 in control\n", .reader = readThixoModes},
      {.letter = 'F', .number = 290, .values = {D(GammaVertCoeff1, 0), D(GammaVertCoeff2, 0)}, .bounds = {atLeast(0, 0)}, .required = 2,
       .message = "Error for F 290 in control\n"},
      {.letter = 'F', .number = 291, .values = {I(FlagDamp1, 0), I(FlagDamp2, 0), I(FlagDamp3, 0)}, .bounds = {atLeast(0, 0), atLeast(1, 0), atLeast(2, 0)}, .required = 3,
       .message = "Error for F 291 in control\n", .after = dampNote},
      {.letter = 'F', .number = 292, .values = {I(FlagInnerTimestep, 0), D(InnerTimestep, 0)}, .bounds = {atLeast(0, 0), atLeast(1, 1e-20)}, .required = 2,
       .message = "Error for F 292 in control\n", .after = innerTimestepCheck},
      {.letter = 'F', .number = 293, .values = {I(FlagTrivik, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 293 in control\n", .after = createTrivik},
      {.letter = 'F', .number = 294, .values = {I(InspaceAlloc, 0)}, .bounds = {atLeast(0, 0), countFits(0, 2)}, .required = 1,
       .message = "Error for F 294 in control\n"},
      {.letter = 'F', .number = 295, .values = {D(RoughnessFactor, 1.0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 295 in control\n"},
      {.letter = 'F', .number = 296, .values = {I(FlagTimeSIMPLE, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 296 in control\n"},
      {.letter = 'F', .number = 297, .values = {I(FlagWriteUnstruc, 3)}, .bounds = {range(0, 2, 4)}, .required = 1,
       .message = "Error for F 297 in control\n"},
      {.letter = 'F', .number = 298, .values = {I(OpenFOAMsides, 0), D(OpenFOAMinLevel, 1e20), D(OpenFOAMoutLevel, 1e20)}, .bounds = {atLeast(0, 0), atMost(1, 2e20), atMost(2, 2e20)}, .required = 3,
       .message = "Error for F 298 in control\n"},
      {.letter = 'F', .number = 299, .values = {I(FlagUnstrucWedge, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 299 in control\n"},
  };
}
