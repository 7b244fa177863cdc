// F data sets 200 to 299: defaults, stored values, side effects and refusals.
#include <gtest/gtest.h>
#include <omp.h>

#include <cstdio>
#include <string>

#include "state/options.h"
#include "support/dataset_cases.h"

namespace {

// Every data set with plain values: its defaults, then the values of one line.
const ReadCase kPlain[] = {
    {"F 201 5 6 3\n", nullptr, {EI(VegVars, 1, 5), EI(VegLevels, 4, 6), EI(VegTimes, 1, 3)}},
    {"F 202 2 1.5\n", nullptr, {EI(FlagLogInflow, 0, 2), ED(XksInflow, 0.0, 1.5)}},
    {"F 203 3\n", nullptr, {EI(FlagVertVelStab, 0, 3)}},
    {"F 204 2.5\n", nullptr, {ED(sizeBedCritCorr, 0.0, 2.5)}},
    {"F 205 3 3.5\n", nullptr, {EI(FlagSkewedBedchange, 0, 3), ED(f205param, 2.0, 3.5)}},
    {"F 208 3\n", nullptr, {EI(FlagTimeOrder, 0, 3)}},
    {"F 209 1.5\n", nullptr, {ED(MaxDepth209, -1.0, 1.5)}},
    {"F 210 3\n", nullptr, {EI(FlagBankErosion, 0, 3)}},
    {"F 212 2\n", nullptr, {EI(FlagWriteSpecial, 0, 2)}},
    {"F 213 2 2.5\n", nullptr, {EI(FlagLEA1, 0, 2), ED(CoeffLEA1, 0.0, 2.5)}},
    {"F 214 2 2.5 2.5 2.5 2.5\n", nullptr, {EI(FlagLEA2, 0, 2), ED(CoeffLEA2_teta, 0.0, 2.5), ED(CoeffLEA2_k2, 0.0, 2.5), ED(CoeffLEA2_k3, 0.0, 2.5), ED(CoeffLEA2_k4, 0.0, 2.5)}},
    {"F 215 2 2.5\n", nullptr, {EI(FlagLEA3, 0, 2), ED(CoeffLEA3, 0.0, 2.5)}},
    {"F 216 2 2.5\n", nullptr, {EI(FlagLEA4, 0, 2), ED(CoeffLEA4_teta, 0.0, 2.5)}},
    {"F 217 2 2.5 2.5\n", nullptr, {EI(FlagLEA5, 0, 2), ED(CoeffLEA5_Ub, 0.0, 2.5), ED(CoeffLEA5_teta, 0.0, 2.5)}},
    {"F 219 3\n", nullptr, {EI(FlagFlush, 0, 3)}},
    {"F 221 3\n", nullptr, {EI(FlagStopTime, 0, 3)}},
    {"F 222 4\n", nullptr, {EI(FlagBedDownstream, 1, 4)}},
    {"F 223 3\n", nullptr, {EI(ompbugtrap, 0, 3)}},
    {"F 224 102.5\n", nullptr, {ED(SurfResCrit, 100.0, 102.5)}},
    {"F 225 3.5 2.5\n", nullptr, {ED(ScaleGeodataMult, 1.0, 3.5), ED(ScaleGeodataAdd, 0.0, 2.5)}},
    {"F 226 3\n", nullptr, {EI(FlagSurfFlux, 0, 3)}},
    {"F 227 4\n", nullptr, {EI(TFSfroudeforward, 1, 4)}},
    {"F 229 3\n", nullptr, {EI(FlagPreventDiv, 0, 3)}},
    {"F 230 3\n", nullptr, {EI(FlagTiltSurf, 0, 3)}},
    {"F 231 3\n", nullptr, {EI(FlagGridIter, 0, 3)}},
    {"F 232 4 3 2.5\n", nullptr, {EI(FlagGridCNO, 1, 4), EI(FlagGridQexpand, 0, 3), ED(FlagGridVVANG, 0.0, 2.5)}},
    {"F 233 3\n", nullptr, {EI(FlagNonHydrostaticSurf, 0, 3)}},
    {"F 234 3\n", nullptr, {EI(FlagSurfPresDownstream, 0, 3)}},
    {"F 235 3\n", nullptr, {EI(FlagCorrTrekant, 0, 3)}},
    {"F 236 3 2.5 2.5 3.3\n", nullptr, {EI(FlagThixo, 0, 3), ED(ThixoEddyvisc, 0.0, 2.5), ED(ThixoCritshear, 0.0, 2.5), ED(ThixoMySlope, 0.8, 3.3)}},
    {"F 238 2 -19998.5\n", nullptr, {EI(FlagNestTop, 0, 2), ED(LevelNestTop, -20000.0, -19998.5)}},
    {"F 239 52 352\n", nullptr, {EI(iterSurfSolv1, 50, 52), EI(iterSurfSolv2, 350, 352)}},
    {"F 241 2\n", nullptr, {EI(NestSurf, 0, 2)}},
    {"F 242 103\n", nullptr, {EI(NumMoveBedchange, 100, 103)}},
    {"F 244 0.25 0.5\n", nullptr, {ED(relaxTrekant1, 0.5, 0.25), ED(relaxTrekant2, 0.8, 0.5)}},
    {"F 245 3 3 3\n", nullptr, {EI(FlagCorrTrekant, 0, 3), EI(FlagCorrTrekant2, 0, 3), EI(FlagCorrTrekant3, 0, 3)}},
    {"F 246 3 3 3 102.5\n", nullptr, {EI(FlagSurfLimit1, 0, 3), EI(FlagSurfLimit2, 0, 3), EI(FlagSurfLimit3, 0, 3), ED(Diffslope, 100.0, 102.5)}},
    {"F 247 25000000000.0 0.25\n", nullptr, {ED(EModulus, 65000000.0, 25000000000.0), ED(PoissonRatio, 0.4, 0.25)}},
    {"F 248 3\n", nullptr, {EI(FlagSoilStress, 0, 3)}},
    {"F 249 3\n", nullptr, {EI(FlagAllowNegatveSedimentthickness, 0, 3)}},
    {"F 250 2\n", nullptr, {EI(kSurf2, 0, 2)}},
    {"F 251 2\n", nullptr, {EI(FlagShields, 0, 2)}},
    {"F 252 2.4\n", nullptr, {ED(relaxOutFlux, 0.9, 2.4)}},
    {"F 253 2\n", nullptr, {EI(FlagImplicitSedim, 0, 2)}},
    {"F 254 3.0\n", nullptr, {ED(TFS17WeightPresCorr, 0.5, 3.0)}},
    {"F 255 2\n", nullptr, {EI(FlagBedchangeOption, 0, 2)}},
    {"F 256 1.6\n", nullptr, {ED(MaxBedConc, 0.1, 1.6)}},
    {"F 257 2\n", nullptr, {EI(FlagCrashGrid, 0, 2)}},
    {"F 258 2\n", nullptr, {EI(FlagStressTerm, 0, 2)}},
    {"F 259 11\n", nullptr, {EI(FlagStressStrain, 9, 11)}},
    {"F 260 2\n", [] { FlagTSC = 2; }, {EI(FlagFlocDLL, 0, 2)}},
    {"F 261 2 2.0\n", nullptr, {EI(FlagCoupledNesting, 0, 2), ED(RelaxCoupledNesting, 0.5, 2.0)}},
    {"F 261 11 0.99\n", nullptr, {EI(FlagCoupledNesting, 0, 11), ED(RelaxCoupledNesting, 0.5, 0.99)}},
    {"F 261 16 1.0\n", nullptr, {EI(FlagCoupledNesting, 0, 16), ED(RelaxCoupledNesting, 0.5, 1.0)}},
    {"F 262 2 1.5000053\n", nullptr, {EI(FlagGroundwater, 0, 2), ED(Conductivity, 5.3e-06, 1.5000053)}},
    {"F 264 3\n", nullptr, {EI(FlagDensityAlgo, 0, 3)}},
    {"F 265 0.2505\n", nullptr, {ED(di_graph, 0.5, 0.2505)}},
    {"F 266 2 2.15 1.5\n", nullptr, {EI(FlagGLEA, 0, 2), ED(SlopeGLEA, 0.65, 2.15), ED(CohesionGLEA, 0.0, 1.5)}},
    {"F 267 2\n", nullptr, {EI(FlagNoContour, 0, 2)}},
    {"F 268 2\n", nullptr, {EI(FlagViewNested, 0, 2)}},
    {"F 269 3 3\n", nullptr, {EI(FlagOpenMP[10], 1, 3), EI(FlagOpenMP[11], 1, 3)}},
    {"F 270 2 35.005 35.005\n", nullptr, {EI(IterAvalanche, 0, 2), ED(AngleAvalancheUp, 0.0, 35.005), ED(AngleAvalanche, 1.0, 35.005)}},
    {"F 271 2\n", nullptr, {EI(FlagTFS2, 0, 2)}},
    {"F 272 2\n", nullptr, {EI(FlagKatoLaunder, 0, 2)}},
    {"F 274 2\n", nullptr, {EI(FlagBedAngles, 0, 2)}},
    {"F 275 2.94 3.42\n", nullptr, {ED(EpsilonCs1, 1.44, 2.94), ED(EpsilonCs2, 1.92, 3.42)}},
    {"F 276 3\n", nullptr, {EI(FlagInOutLevels, 1, 3)}},
    {"F 277 2\n", nullptr, {EI(FlagBedDefect, 0, 2)}},
    {"F 278 2\n", nullptr, {EI(FlagTFS3, 0, 2)}},
    {"F 279 2\n", nullptr, {EI(FlagShearNB, 0, 2)}},
    {"F 280 2\n", nullptr, {EI(FlagNestFluxInterpol, 0, 2)}},
    {"F 281 2 2.5\n", nullptr, {EI(FlagDuneEddy, 0, 2), ED(DuneEddyFactor, 1.0, 2.5)}},
    {"F 282 2\n", nullptr, {EI(FlagUpdateDownwind, 0, 2)}},
    {"F 283 2\n", nullptr, {EI(FlagSurfLimit4, 0, 2)}},
    {"F 284 2\n", nullptr, {EI(FlagTFS4, 0, 2)}},
    {"F 285 2 2\n", nullptr, {EI(FlagBedConcentration, 0, 2), EI(FlagBedSlope, 0, 2)}},
    {"F 289 2 2 2 2\n", nullptr, {EI(FlagThixoDamp, 0, 2), EI(FlagThixoGrid, 0, 2), EI(FlagThixoDampAp, 0, 2), EI(FlagThixoDampVel, 0, 2)}},
    {"F 290 1.5 2.5\n", nullptr, {ED(GammaVertCoeff1, 0.0, 1.5), ED(GammaVertCoeff2, 0.0, 2.5)}},
    {"F 291 2 2 2\n", nullptr, {EI(FlagDamp1, 0, 2), EI(FlagDamp2, 0, 2), EI(FlagDamp3, 0, 2)}},
    {"F 292 2 1.5\n", nullptr, {EI(FlagInnerTimestep, 0, 2), ED(InnerTimestep, 0.0, 1.5)}},
    {"F 293 2\n", nullptr, {EI(FlagTrivik, 0, 2)}},
    {"F 294 2\n", nullptr, {EI(InspaceAlloc, 0, 2)}},
    {"F 295 2.5\n", nullptr, {ED(RoughnessFactor, 1.0, 2.5)}},
    {"F 296 2\n", nullptr, {EI(FlagTimeSIMPLE, 0, 2)}},
    {"F 297 2\n", nullptr, {EI(FlagWriteUnstruc, 3, 2)}},
    {"F 298 2 1e+20 1e+20\n", nullptr, {EI(OpenFOAMsides, 0, 2), ED(OpenFOAMinLevel, 1e+20, 1e+20), ED(OpenFOAMoutLevel, 1e+20, 1e+20)}},
    {"F 299 2\n", nullptr, {EI(FlagUnstrucWedge, 0, 2)}},
};

class F200Values : public ::testing::TestWithParam<ReadCase> {};
TEST_P(F200Values, DefaultWhenAbsentValueWhenPresent) { checkReadCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Plain, F200Values, ::testing::ValuesIn(kPlain));


// Data sets that read their values in their own way or have side effects.
const ReadCase kSpecial[] = {
    {"F 200 1 0.25 0.5 0.75 0.125\n", nullptr,
     {EI(FlagNormSet, 0, 1), ED(NormK, 0.0001, 0.25), ED(NormEps, 0.0001, 0.5), ED(NormVel, 0.001, 0.001),
      ED(NormPres, 0.001, 0.001)}},
    {"F 200 2 0.25 0.5\n0.75 0.125\n", nullptr,
     {EI(FlagNormSet, 0, 2), ED(NormK, 0.0001, 0.25), ED(NormEps, 0.0001, 0.5), ED(NormVel, 0.001, 0.75),
      ED(NormPres, 0.001, 0.125)}},
    {"F 218 5\n", nullptr, {EI(StopIter, -10, 5), EI(PrintDebugBoogie, 0, 0)}},
    {"F 218 5 7\n", nullptr, {EI(StopIter, -10, 5), EI(PrintDebugBoogie, 0, 7)}},
    {"F 237 3 5.0\n", nullptr,
     {ED(discharges[3], -1.0, 5.0), ED(discharges[1], -1.0, -1.0), ED(discharges[9], -1.0, -1.0)}},
    {"F 237 3 5.0\nF 237 9 0.5\n", nullptr, {ED(discharges[3], -1.0, 5.0), ED(discharges[9], -1.0, 0.5)}},
    {"F 263 4 2\n", nullptr, {EI(updates[4], -1, 2), EI(updates[1], -1, -1), EI(updates[9], -1, -1)}},
    {"F 273 2 0.5\n", nullptr, {EI(FlagGENMIX, 0, 2), ED(coeffEps, 1.0, 0.5)}},
    {"F 273 1 0.5\n", nullptr, {EI(FlagGENMIX, 0, 1), ED(coeffEps, 1.0, 1.0)}},
    {"F 287 6 0.25 1.5\n", nullptr, {EI(FlagGlobFlux, 0, 6), ED(GlobFluxLim1, 0.5, 0.25), ED(GlobFluxLim2, 2.0, 1.5)}},
    {"F 287 5 0.25 1.5\n", nullptr, {EI(FlagGlobFlux, 0, 5), ED(GlobFluxLim1, 0.5, 0.5), ED(GlobFluxLim2, 2.0, 2.0)}},
    {"F 247 1e7 0.25\n", nullptr,
     {ED(EModulus, 6.5e7, 1e7), ED(PoissonRatio, 0.4, 0.25), ED(GModulus, 6.5e7, 4e6), ED(LModulus, 0, 4e6)}},
    {"F 245 1 0 1\n", nullptr, {EI(FlagCorrTrekant, 0, 1), EI(FlagCorrTrekant3, 0, 1), EI(FlagGridStab6, 0, 1)}},
    {"F 245 1 0 2\n", nullptr, {EI(FlagGridStab6, 0, 0)}},
    {"F 235 10\nF 245 5 0 0\n", nullptr, {EI(FlagCorrTrekant, 0, 5)}},
    {"F 269 0 2\n", nullptr, {EI(FlagOpenMP[10], 1, 0), EI(FlagOpenMP[11], 1, 2)}},
    {"F 270 204 0.5 60\n", nullptr,
     {EI(IterAvalanche, 0, 204), ED(AngleAvalancheUp, 0, 0.5), ED(AngleAvalanche, 1.0, 60)}},
    {"F 297 2\n", nullptr, {EI(FlagWriteUnstruc, 3, 2)}},
    {"F 297 4\n", nullptr, {EI(FlagWriteUnstruc, 3, 4)}},
    {"F 250 4\nF 202 1 0.5\n", nullptr, {EI(kSurf2, 0, 4), ED(XksInflow, 0, 0.5)}},
};

class F200Special : public ::testing::TestWithParam<ReadCase> {};
TEST_P(F200Special, StoresWhatItReads) { checkReadCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Special, F200Special, ::testing::ValuesIn(kSpecial));

TEST(F200Special, InnerTimestepFiveIsAcceptedAfterTheTwoSolverDataSets) {
  {
    InProjectDir dir;
    Flag2DAccSolver = 1;
    FlagMinLevUnstruc = 1;
    readControlText("F 292 5 0.5\n");
    EXPECT_EQ(FlagInnerTimestep, 5);
    EXPECT_DOUBLE_EQ(InnerTimestep, 0.5);
    Flag2DAccSolver = 0;
    FlagMinLevUnstruc = 0;
  }
  InProjectDir dir;
  readControlText("F 292 1 0.5\n");
  EXPECT_EQ(FlagInnerTimestep, 1);
}

// Log lines of data sets that are accepted with a note; the run goes on.
struct NoteCase {
  const char* control;
  const char* note;  // empty: no note at all
};
void PrintTo(const NoteCase& c, std::ostream* os) { *os << '"' << c.control << '"'; }

class F200Notes : public ::testing::TestWithParam<NoteCase> {};
TEST_P(F200Notes, LogTheirNoteAndGoOn) {
  InProjectDir dir;
  readControlText(std::string(GetParam().control) + "F 20 3\n");
  std::string log = dir.dir().boogie();
  if (*GetParam().note)
    EXPECT_NE(log.find(GetParam().note), std::string::npos) << log;
  else
    EXPECT_EQ(log, "") << log;
  EXPECT_EQ(IterF2, 3);  // the data set after the note is read
}
INSTANTIATE_TEST_SUITE_P(
    Notes, F200Notes,
    ::testing::Values(
        NoteCase{"F 235 0\n", "Warning: The F 235 0 data set will only work when\nnot used in combination with the F 206 data set\n\n"},
        NoteCase{"F 235 -3\n", "Warning: The F 235 -3 data set will only work when\n"},
        NoteCase{"F 235 10\n", ""}, NoteCase{"F 235 21\n", ""},
        NoteCase{"F 260 0\n", ""},
        NoteCase{"F 206 1\nF 261 16 0.5\n",
                 "Warning: The combination of F 206 and F 261 data sets in the control file will\ngive incorrect residuals\n"},
        NoteCase{"F 261 18 0.5\n", ""},
        NoteCase{"F 291 0 0 0\n", "Warning: The F 291 data set parameters will mostly only work\nwith F 206 0\n\n"}));

TEST(F200Notes, FlocNoteIsSilentAfterASedimentMethodTwoOrThree) {
  InProjectDir dir;
  FlagTSC = 2;
  readControlText("F 260 1\n");
  EXPECT_EQ(dir.dir().boogie(), "");
  EXPECT_EQ(FlagFlocDLL, 1);
  FlagTSC = 0;
}

// Every refusal of a plain value: the engine ends with its message.
const RefusalCase kRefusals[] = {
    {"F 201 0 6 3\n", 2, "Error for F 201 in control"},
    {"F 201 5 0 3\n", 2, "Error for F 201 in control"},
    {"F 201 5 6 0\n", 2, "Error for F 201 in control"},
    {"F 201 5 6\n", 2, "Error for F 201 in control"},
    {"F 202 -1 1.5\n", 2, "Error for F 202 in control"},
    {"F 202 2 -0.5\n", 2, "Error for F 202 in control"},
    {"F 202 2\n", 2, "Error for F 202 in control"},
    {"F 203\n", 2, "Error for F 203 in control"},
    {"F 204\n", 2, "Error for F 204 in control"},
    {"F 205 3 -0.5\n", 2, "Error for F 205 in control\nTwo parameters are needed, one integer and one float\nThe float should be larger than 0.0\n"},
    {"F 205 3\n", 2, "Error for F 205 in control\nTwo parameters are needed, one integer and one float\nThe float should be larger than 0.0\n"},
    {"F 208\n", 2, "Error for F 208 in control\n"},
    {"F 209\n", 2, "Error for F 209 in control"},
    {"F 210\n", 2, "Error for F 210 in control"},
    {"F 212 -1\n", 2, "Error for F 212 in control\n"},
    {"F 212\n", 2, "Error for F 212 in control\n"},
    {"F 213 -1 2.5\n", 2, "Error for F 213 in control\n"},
    {"F 213 2\n", 2, "Error for F 213 in control\n"},
    {"F 214 -1 2.5 2.5 2.5 2.5\n", 2, "Error for F 214 in control\n"},
    {"F 214 2 2.5 2.5 2.5\n", 2, "Error for F 214 in control\n"},
    {"F 215 -1 2.5\n", 2, "Error for F 215 in control\n"},
    {"F 215 2\n", 2, "Error for F 215 in control\n"},
    {"F 216 -1 2.5\n", 2, "Error for F 216 in control\n"},
    {"F 216 2\n", 2, "Error for F 216 in control\n"},
    {"F 217 -1 2.5 2.5\n", 2, "Error for F 217 in control\n"},
    {"F 217 2 2.5\n", 2, "Error for F 217 in control\n"},
    {"F 219\n", 2, "Error for F 219 in control"},
    {"F 221\n", 2, "Error for F 221 in control"},
    {"F 222\n", 2, "Error for F 222 in control"},
    {"F 223\n", 2, "Error for F 223 in control"},
    {"F 224\n", 2, "Error for F 224 in control"},
    {"F 225 3.5\n", 2, "Error for F 225 in control"},
    {"F 226\n", 2, "Error for F 226 in control"},
    {"F 227\n", 2, "Error for F 227 in control"},
    {"F 229\n", 2, "Error for F 229 in control"},
    {"F 230\n", 2, "Error for F 230 in control"},
    {"F 231\n", 2, "Error for F 231 in control"},
    {"F 232 4 3\n", 2, "Error for F 232 in control"},
    {"F 233\n", 2, "Error for F 233 in control"},
    {"F 234\n", 2, "Error for F 234 in control\n"},
    {"F 235\n", 2, "Error for F 235 in control\n"},
    {"F 236 3 2.5 2.5\n", 2, "Error for F 236 in control\n"},
    {"F 238 -1 -19998.5\n", 2, "Error for F 238 in control\n"},
    {"F 238 2 -20000.5\n", 2, "Error for F 238 in control\n"},
    {"F 238 2\n", 2, "Error for F 238 in control\nYou have to give in two numbers: an integer and a float\n\n"},
    {"F 239 -1 352\n", 2, "Error for F 239 in control\n"},
    {"F 239 52 -1\n", 2, "Error for F 239 in control\n"},
    {"F 239 52\n", 2, "Error for F 239 in control\n"},
    {"F 241 -1\n", 2, "Error for F 241 in control\n"},
    {"F 241\n", 2, "Error for F 241 in control\n"},
    {"F 244 -0.5 0.5\n", 2, "Error for F 244 in control\n"},
    {"F 244 0.25 -0.5\n", 2, "Error for F 244 in control\n"},
    {"F 244 0.25\n", 2, "Error for F 244 in control\n"},
    {"F 245 3 3\n", 2, "Error for F 245 in control\n"},
    {"F 247 25000000000.0 -0.5\n", 2, "Error for F 247 in control\n"},
    {"F 247 99999.5 0.25\n", 2, "Error for F 247 in control\n"},
    {"F 247 25000000000.0\n", 2, "Error for F 247 in control\n"},
    {"F 248\n", 2, "Error for F 248 in control\n"},
    {"F 249\n", 2, "Error for F 249 in control\n"},
    {"F 250 -1\n", 2, "Error for F 250 in control\n"},
    {"F 250\n", 2, "Error for F 250 in control\n"},
    {"F 251 -1\n", 2, "Error for F 251 in control\n"},
    {"F 251\n", 2, "Error for F 251 in control\n"},
    {"F 252 -0.5\n", 2, "Error for F 252 in control\n"},
    {"F 252\n", 2, "Error for F 252 in control\n"},
    {"F 253 -1\n", 2, "Error for F 253 in control\n"},
    {"F 253\n", 2, "Error for F 253 in control\n"},
    {"F 254\n", 2, "Error for F 254 in control\n"},
    {"F 255 -1\n", 2, "Error for F 255 in control\n"},
    {"F 255\n", 2, "Error for F 255 in control\n"},
    {"F 256 -0.5\n", 2, "Error for F 256 in control\n"},
    {"F 257 -1\n", 2, "Error for F 257 in control\n"},
    {"F 257\n", 2, "Error for F 257 in control\n"},
    {"F 258 -1\n", 2, "Error for F 258 in control\n"},
    {"F 258\n", 2, "Error for F 258 in control\n"},
    {"F 259 -1\n", 2, "Error for F 259 in control\n"},
    {"F 259\n", 2, "Error for F 259 in control\n"},
    {"F 260 -1\n", 2, "Error for F 260 in control\n"},
    {"F 260 1\n", 2, "Error in control file. The F 260 data set will only work\nwhen the F 37 data set is set to 2 or 3\n\n"},
    {"F 260\n", 2, "Error for F 260 in control\n"},
    {"F 261 -1 2.0\n", 2, "Error for F 261 in control\n"},
    {"F 261 2 -0.5\n", 2, "Error for F 261 in control\n"},
    {"F 261 2\n", 2, "Error for F 261 in control\n"},
    // The values 11..15 divide by 1 - r.
    {"F 261 11 1.0\n", 2, "Error for F 261 in control\nThe relaxation factor of the values 11..15 must be below 1\n"},
    {"F 261 15 1.5\n", 2, "Error for F 261 in control\nThe relaxation factor of the values 11..15 must be below 1\n"},
    {"F 262 -1 1.5000053\n", 2, "Error for F 262 in control\n"},
    {"F 262 2 -0.5\n", 2, "Error for F 262 in control\n"},
    {"F 262 2\n", 2, "Error for F 262 in control\n"},
    {"F 264\n", 2, "Error for F 264 in control\n"},
    {"F 265 -0.499\n", 2, "Error for F 265 in control\n"},
    {"F 265\n", 2, "Error for F 265 in control\n"},
    {"F 266 -1 2.15 1.5\n", 2, "Error for F 266 in control\n"},
    {"F 266 2 -0.5 1.5\n", 2, "Error for F 266 in control\n"},
    {"F 266 2 2.15 -0.5\n", 2, "Error for F 266 in control\n"},
    {"F 266 2 2.15\n", 2, "Error for F 266 in control\n"},
    {"F 267 -1\n", 2, "Error for F 267 in control\n"},
    {"F 267\n", 2, "Error for F 267 in control\n"},
    {"F 268 -1\n", 2, "Error for F 268 in control\n"},
    {"F 268\n", 2, "Error for F 268 in control\n"},
    {"F 269 -1 3\n", 2, "Error for F 269 in control\n"},
    {"F 269 3 -1\n", 2, "Error for F 269 in control\n"},
    {"F 269 3\n", 2, "Error for F 269 in control\nThe data set needs two integers. Default F 269 1 1\n"},
    {"F 270 -1 35.005 35.005\n", 2, "Error for F 270 in control"},
    {"F 270 2 -0.49 35.005\n", 2, "Error for F 270 in control"},
    {"F 270 2 35.005 -0.49\n", 2, "Error for F 270 in control"},
    {"F 270 2 35.005\n", 2, "Error for F 270 in control"},
    {"F 271 -1\n", 2, "Error for F 271 in control\n"},
    {"F 271\n", 2, "Error for F 271 in control\n"},
    {"F 272 -1\n", 2, "Error for F 272 in control\n"},
    {"F 272\n", 2, "Error for F 272 in control\n"},
    {"F 274 -1\n", 2, "Error for F 274 in control\n"},
    {"F 274\n", 2, "Error for F 274 in control\n"},
    {"F 275 -0.5 3.42\n", 2, "Error for F 275 in control\n"},
    {"F 275 2.94 -0.5\n", 2, "Error for F 275 in control\n"},
    {"F 275 2.94\n", 2, "Error for F 275 in control\n"},
    {"F 276 -1\n", 2, "Error for F 276 in control\n"},
    {"F 276\n", 2, "Error for F 276 in control\n"},
    {"F 277 -1\n", 2, "Error for F 277 in control\n"},
    {"F 277\n", 2, "Error for F 277 in control\n"},
    {"F 278 -1\n", 2, "Error for F 278 in control\n"},
    {"F 278\n", 2, "Error for F 278 in control\n"},
    {"F 278 22\n", 2, "Error for F 278 in control\n"},
    {"F 279 -1\n", 2, "Error for F 279 in control\n"},
    {"F 279\n", 2, "Error for F 279 in control\n"},
    {"F 280 -1\n", 2, "Error for F 280 in control\n"},
    {"F 280\n", 2, "Error for F 280 in control\n"},
    {"F 281 -1 2.5\n", 2, "Error for F 281 in control\n"},
    {"F 281 2 -0.5\n", 2, "Error for F 281 in control\n"},
    {"F 281 2\n", 2, "Error for F 281 in control\n"},
    {"F 282 -1\n", 2, "Error for F 282 in control\n"},
    {"F 282\n", 2, "Error for F 282 in control\n"},
    {"F 283 -1\n", 2, "Error for F 283 in control\n"},
    {"F 283\n", 2, "Error for F 283 in control\n"},
    {"F 284 -1\n", 2, "Error for F 284 in control\n"},
    {"F 284\n", 2, "Error for F 284 in control\n"},
    {"F 285 -1 2\n", 2, "Error for F 285 in control\n"},
    {"F 285 2 -1\n", 2, "Error for F 285 in control\n"},
    {"F 285 2\n", 2, "Error for F 285 in control\n"},
    {"F 289 -1 2 2 2\n", 2, "Error for F 289 in control\n"},
    {"F 289 2 -1 2 2\n", 2, "Error for F 289 in control\n"},
    {"F 289 2 2 -1 2\n", 2, "Error for F 289 in control\n"},
    {"F 289 2 2 2 -1\n", 2, "Error for F 289 in control\n"},
    {"F 289 2 2 2\n", 2, "Error for F 289 in control\nThere should be four integers on the data set. Now there is 3\n"},
    {"F 290 -0.5 2.5\n", 2, "Error for F 290 in control\n"},
    {"F 290 1.5\n", 2, "Error for F 290 in control\n"},
    {"F 291 -1 2 2\n", 2, "Error for F 291 in control\n"},
    {"F 291 2 -1 2\n", 2, "Error for F 291 in control\n"},
    {"F 291 2 2 -1\n", 2, "Error for F 291 in control\n"},
    {"F 291 2 2\n", 2, "Error for F 291 in control\n"},
    {"F 292 -1 1.5\n", 2, "Error for F 292 in control\n"},
    {"F 292 2 -0.5\n", 2, "Error for F 292 in control\n"},
    {"F 292 2\n", 2, "Error for F 292 in control\n"},
    {"F 293 -1\n", 2, "Error for F 293 in control\n"},
    {"F 293\n", 2, "Error for F 293 in control\n"},
    {"F 294 -1\n", 2, "Error for F 294 in control\n"},
    {"F 294\n", 2, "Error for F 294 in control\n"},
    {"F 295 -0.5\n", 2, "Error for F 295 in control\n"},
    {"F 295\n", 2, "Error for F 295 in control\n"},
    {"F 296 -1\n", 2, "Error for F 296 in control\n"},
    {"F 296\n", 2, "Error for F 296 in control\n"},
    {"F 297 1\n", 2, "Error for F 297 in control\n"},
    {"F 297\n", 2, "Error for F 297 in control\n"},
    {"F 298 -1 1e+20 1e+20\n", 2, "Error for F 298 in control\n"},
    {"F 298 2 4e+20 1e+20\n", 2, "Error for F 298 in control\n"},
    {"F 298 2 1e+20 4e+20\n", 2, "Error for F 298 in control\n"},
    {"F 298 2 1e+20\n", 2, "Error for F 298 in control\n"},
    {"F 299 -1\n", 2, "Error for F 299 in control\n"},
    {"F 299\n", 2, "Error for F 299 in control\n"},
    // Data sets with their own reading.
    {"F 200 2 0.1 0.1\n", 2, "Error for F 200 in control"},
    {"F 200 2 0.1 0.1 0.5 -1\n", 2, "Error for F 200 in control"},
    {"F 200 0 0.1 0.1\n", 2, "Error for F 200 in control"},
    {"F 200 1 -0.1 0.1\n", 2, "Error for F 200 in control"},
    {"F 200 1 0.1\n", 2, "Error for F 200 in control"},
    {"F 206 -2\n", 2, "Error for F 206 in control"},
    {"F 206\n", 2, "Error for F 206 in control"},
    {"F 218\n", 2, "Error for F 218 in control"},
    {"F 237 10 5.0\n", 2, "Error for F 237 in control\n"},
    {"F 237 0 5.0\n", 2, "Error for F 237 in control\n"},
    {"F 237 3 -1.0\n", 2, "Error for F 237 in control\n"},
    {"F 237 3\n", 2, "Error for F 237 in control\n"},
    {"F 237 3 0.0\n", 2, "Error for F 237, group 3: discharge is too low\n"},
    {"F 242 0\n", 2, "Error for F 242 in control\nInvalid number on data set: 0\n"},
    {"F 242 x\n", 2, "Error for F 242 in control\nHave not read any integer\n"},
    {"F 263 10 1\n", 2, "Error for F 263 in control\n"},
    {"F 263 3 -1\n", 2, "Error for F 263 in control\n"},
    {"F 263 3\n", 2, "Error for F 263 in control\n"},
    {"F 269\n", 2, "Error for F 269 in control\n"},
    {"F 269 1 -1\n", 2, "Error for F 269 in control\n"},
    {"F 273 -1\n", 2, "Error for F 273 in control\n"},
    {"F 273 2\n", 2, "Error for 2nd parameter on F 273 data set in control file\n"},
    {"F 273 2 -0.5\n", 2, "Error for 2nd parameter on F 273 data set in control file\n"},
    {"F 287 -1\n", 2, "Error for F 287 in control\n"},
    {"F 287 6 1.0 0.5\n", 2, "Error for F 287 6 in control\n"},
    {"F 287 6 -0.5 0.5\n", 2, "Error for F 287 6 in control\n"},
    {"F 287 6 0.3\n", 2, "Error for F 287 6 in control\n"},
    {"F 168 1\nF 102 1\nF 292 1 0.5\n", 2,
     "Warning for F 292 and F 168 and F 102 in control file\n"
     "Combining these three data sets can lead to instabilities\n"
     "If you still want to do this, use an integer 5 instead of 1 on the F 292 data set\n\n"},
    {"F 297 5\n", 2, "Error for F 297 in control\n"},
    {"F 270 1 0.5 71\n", 2, "Error for F 270 in control"},
    {"F 298 0 1e20 3e20\n", 2, "Error for F 298 in control\n"},
};

class F200Refusals : public ::testing::TestWithParam<RefusalCase> {};
TEST_P(F200Refusals, EndWithTheirMessageAndStatus) { checkRefusal(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Refused, F200Refusals, ::testing::ValuesIn(kRefusals));

// Thread count: limited to the machine and handed to the OpenMP runtime.
int threadsInARegion() {
  int n = 0;
#pragma omp parallel
  {
#pragma omp single
    n = omp_get_num_threads();
  }
  return n;
}

TEST(F206Threads, ALargeCountIsLimitedToTheMachineAndUsedByOpenMP) {
  const int before = omp_get_max_threads();
  {
    InProjectDir dir;
    readControlText("F 206 64\n");
    int machine = 0, value = 0;
    std::string log = dir.dir().boogie();
    ASSERT_EQ(std::sscanf(log.c_str(), "Max. number of threads: %d, value F 206: %d\n", &machine, &value), 2) << log;
    EXPECT_EQ(value, 64);
    ASSERT_GE(machine, 1);
    EXPECT_EQ(NoProcessesSolver, machine < 64 ? machine : 64);
    EXPECT_EQ(omp_get_max_threads(), NoProcessesSolver);
    EXPECT_EQ(threadsInARegion(), NoProcessesSolver);

    readControlText("F 206 1\n");
    EXPECT_EQ(NoProcessesSolver, 1);
    EXPECT_EQ(omp_get_max_threads(), 1);
    EXPECT_EQ(threadsInARegion(), 1);
  }
  omp_set_num_threads(before);
}

TEST(F206Threads, ZeroIsLoggedAndLeftForTheCheckAfterTheFile) {
  InProjectDir dir;
  readControlText("F 206 0\n");
  EXPECT_NE(dir.dir().boogie().find(", value F 206: 0\n"), std::string::npos);
  EXPECT_EQ(NoProcessesSolver, 0);
}

TEST(F206Threads, TheEngineLogsTheMachineLimitAndRunsWithIt) {
  CaseDir d;
  d.write("control", "F 206 64\n");
  d.run({"OMP_NUM_THREADS=3"});
  EXPECT_TRUE(d.boogieHas("Max. number of threads: 3, value F 206: 64")) << d.boogie();
  d.write("control", "F 206 2\n");
  d.run({"OMP_NUM_THREADS=3"});
  EXPECT_TRUE(d.boogieHas("Max. number of threads: 3, value F 206: 2")) << d.boogie();
}

// Residual history.
TEST(F293Trivik, IsCreatedWithItsHeaderLineReplacingAnOldFile) {
  for (const char* control : {"F 293 1\n", "F 293 0\n"}) {
    InProjectDir dir;
    dir.dir().write("trivik", "12 0.1 0.1 0.1 0.1 0.1 0.1\n");
    readControlText(control);
    EXPECT_EQ(dir.dir().read("trivik"), "Iteration, Residuals: Ux, Uy, Uz, Continuity, k, epsilon\n") << control;
  }
}

TEST(F293Trivik, IsNotCreatedWithoutTheDataSetOrWhenRefused) {
  InProjectDir dir;
  readControlText("F 20 2\n");
  EXPECT_FALSE(dir.dir().exists("trivik"));
  CaseDir d;
  d.write("control", "F 293 -1\n");
  EXPECT_EQ(d.run(), 2);
  EXPECT_FALSE(d.exists("trivik"));
}

TEST(F293Trivik, AFileThatCannotBeCreatedEndsWithStatus252) {
  CaseDir d;
  d.mkdir("trivik");
  d.write("control", "F 293 1\nF 2 X\n");
  EXPECT_EQ(d.run(), 252);
  EXPECT_TRUE(endsWith(d.boogie(), "Error, cannot open file 'trivik'\n")) << d.boogie();
}

}  // namespace
