#include "runcontrol.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "bed/bed.h"
#include "flow/flow.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "io/kread.h"
#include "state/log.h"
#include "state/outfile.h"
#include "io/modelfiles.h"
#include "output/output.h"
#include "physics/physics.h"
#include "sediment/sediment.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/startup.h"
#include "surface/surface.h"

int runEndStatus = 1;

namespace {

int currentPass = 0;

bool transient() { return TimeStep > 1e-8; }

// In a transient run the boundary time series is read before the letter; an
// error there (logged by the reader) ends the run control.
bool timeSeriesFirst() {
  if (transient() && ReadTimes() > 0) {
    runEndStatus = 2;
    return true;
  }
  return false;
}

bool letterA() { writeMPIkoosurf(); return false; }
bool letterB() { ReadAllData(); return false; }
bool letterC() {
  if (timeSeriesFirst()) return true;
  gFlagComp = 1;
  Components();
  gFlagComp = 0;
  return false;
}
// A slide step that fails ends the run with status 2 after the remaining
// letters, as a flow failure does.
bool letterD() {
  if (computeSlidemovement() == -1) RunErrorReported = 1;
  return false;
}
// A restart file that cannot be written has been reported by its writer; the
// run must not end as if it had been saved.
bool letterE() {
  gFlagWriteR = 1;
  if (NoComponents != 0 && writeConqRes() == 1) fatal(2, nullptr);
  gFlagWriteR = 0;
  return false;
}
bool letterF() {
  gFlagWriteR = 1;
  if (writeConcRes() == 1) fatal(2, nullptr);
  gFlagWriteR = 0;
  return false;
}
bool letterG() {
  if (timeSeriesFirst()) return true;
  if (FlagGroundwater == 1) groundwater();
  return false;
}
bool letterH() {
  gFlagWriteR = 1;
  // A grid file that cannot be created has been reported by the writer; the
  // run must not end as if the grid had been saved.
  if (WriteUnstructure() < 0) fatal(-4, nullptr);
  gFlagWriteR = 0;
  return false;
}
bool letterI() {
  concRijn();
  if (FlagTSC > 0 && Cconc_old)
    for (int l = 1; l <= lnumber; ++l)
      for (int c = 1; c <= NoCells; ++c) Cconc_old[l][c] = Cconc[l][c];
  return false;
}
bool letterJ() { WriteAllData(); return false; }
bool letterK() { computeRoughness(); return false; }
bool letterL() { shallowWater(); return false; }
bool letterM() {
  gFlagWriteR = 1;
  setV1("Written from initial");
  sprintflow();
  gFlagWriteR = 0;
  return false;
}
// The face areas of a grid just built come first: startup measures the
// inflow areas of the discharge groups with them.
bool letterN() {
  if (FlagSoilStress == 1 || FlagSoilStress == 2) {
    if (FlagHaveDoneMetric == 0) metric();
    startup();
  }
  if (FlagSoilStress == 1)
    computeSoilStress();
  else if (FlagSoilStress == 2) {
    // With F 262 2 the groundwater table belongs to the slide computation:
    // the slides are located on a table computed for this grid.
    if (FlagGroundwater == 2) groundwater();
    computeSlideLocation();
  }
  return false;
}
bool letterO() {
  gFlagRead = 1;
  // A record outside the grid has been reported; a bed restored in part is
  // no start for a computation.
  if (readConRes() == 88) fatal(2, nullptr);
  gFlagRead = 0;
  return false;
}
bool letterP() {
  // Nothing converted (no triangle, no memory): the converter has logged why.
  if (computeVegdataFromSTL() >= 0) return false;
  runEndStatus = 2;
  return true;
}
bool letterQ() { backwater(); return false; }
bool letterR() {
  gFlagRead = 1;
  readres();
  gFlagRead = 0;
  return false;
}
bool letterS() {
  if (timeSeriesFirst()) return true;
  gFlagSedim = 1;
  FlagWhatsRunning = 2;
  morphology_tsc();
  FlagWhatsRunning = 0;
  gFlagSedim = 0;
  return false;
}
bool letterT() { return false; }
bool letterU() {
  if (currentPass != 1) return false;
  gFlagRead = 1;
  int r = ReadUnstructure();
  FlagInitialFinished = 1;
  if (r == 1) {
    // No grid file: the reader has logged it. The letters after U would work
    // on a grid that was asked for and never read.
    runEndStatus = 2;
    return true;
  }
  if (r >= 0) {
    gFlagRead = 0;
    return false;
  }
  const char* text = r == -58   ? "Error in x or y values in koomin file"
                     : r == -54 ? "Error on 2nd integer, G 1 data set "
                     : r == -55 ? "Error on 1st integer, G 1 data set "
                                : "Error reading unstruc file";
  logf("%s\n\n", text);
  char status[200];
  std::snprintf(status, sizeof status, " %s", text);
  setMessage(status);
  runEndStatus = 2;
  return true;
}
bool letterV() { bedinter(); return false; }
bool letterW() {
  if (timeSeriesFirst()) return true;
  if (FlagTSC > 0)
    fatal(-5, "Error in control file. The F 37 data set should not be used\nwhen computing only water flow (F 2 W)\n\n");
  if (FlagTSC < 0) fatal(-7, "Error in control file: Remove the F 37 data set when computing the water flow only\n");
  gFlagFlow = 1;
  computeWCStart();
  FlagWhatsRunning = 1;
  if (FlagThixo > 0) FlagThixoIsComputing = 1;
  if (FlagWaterSolveNew == 1)
    WaterSolveNew();
  else if (FlagFastWatersolve > 0)
    WaterSolveFast();
  else if (Hydrostatic != 0 && MGSNo > 0)
    MGSsolver();
  else if (Hydrostatic == 1)
    WaterSolveHydrostatic();
  else if (Hydrostatic == 3)
    WaterSolve2D();
  else if (Hydrostatic != 0)
    logf("Warning: F 68 %d selects no flow computation; run letter W computed nothing\n", Hydrostatic);
  else if (MGSNo == 0)
    WaterSolve();
  else if (MGSNo > 0)
    MGSsolver();
  else
    logf("Warning: F 152 %d selects no flow computation; run letter W computed nothing\n", MGSNo);
  gFlagFlow = 0;
  FlagWhatsRunning = 0;
  return false;
}
// A computation that wrote an Error line and went on must not end the run as
// a success.
bool letterX() { endProcess(RunErrorReported ? 2 : 0); }
bool letterY() {
  readKoosurf();
  Unstructure();
  // koosurf held grid lines (a file without any is refused), so a grid
  // without cells cannot be what the user asked for.
  if (NoCells == 0)
    fatal(-4, "Error: the grid generated from the koosurf file has no cells. Check its levels and coordinates\n");
  FlagInitialFinished = 1;
  return false;
}
bool letterZ() { makeWeirSTL(); return false; }

}  // namespace

RunLetterAction runLetterTable[26] = {letterA, letterB, letterC, letterD, letterE, letterF, letterG, letterH, letterI,
                                      letterJ, letterK, letterL, letterM, letterN, letterO, letterP, letterQ, letterR,
                                      letterS, letterT, letterU, letterV, letterW, letterX, letterY, letterZ};

void computeWCStart() {
  if (MGSNo != 0) return;
  const int L = NoBlocks;
  const int subBedLast = (L >= 0 && L < 100) ? block[L].subBed : 0;
  auto all = [] {
    WCStart = 1;
    WCEnd = NoCells;
    WFStart = 1;
    WFEnd = NoSurfaces;
  };
  auto allButLast = [L] {
    WCStart = 1;
    WFStart = 1;
    WCEnd = L >= 2 ? block[L - 1].lastCell : 0;
    WFEnd = L >= 2 ? block[L - 1].lastSurface : 0;
  };
  if (WorkBlockNo == 0) {
    if (FlagTSC == 0 || subBedLast == 0)
      all();
    else if (subBedLast > 0)
      allButLast();
    return;
  }
  if (subBedLast > 0) {
    allButLast();
    return;
  }
  if (WorkBlockNo < 1) return;
  WCStart = NoCells;
  WCEnd = 1;
  WFStart = NoSurfaces;
  WFEnd = 1;
  // Only blocks that exist count: an unused record would bring cell 0 in.
  for (int k = 1; k <= WorkBlockNo && k < 100; ++k) {
    if (WorkBlock[k] <= 0 || k > NoBlocks) continue;
    WCStart = std::min(WCStart, block[k].firstCell);
    WCEnd = std::max(WCEnd, block[k].lastCell);
    WFStart = std::min(WFStart, block[k].firstSurface);
    WFEnd = std::max(WFEnd, block[k].lastSurface);
  }
}

void InitialFunction() {
  FlagInitialFinished = 0;
  kread();
  gFlagInit = 1;
  if (AllocateArrays(1, 1, 1) < -0.01) {
    logf("Error in allocation of arrays. The array size is probably\n");
    logf("larger than what is available of memory on your computer\n\n");
    setMessage(" Error in array allocation");
    runEndStatus = 2;
    return;
  }
  FlagMPIkoosurf = 0;
  for (int i = 0; i < 10; ++i)
    if (run[i] == 'A') FlagMPIkoosurf = 1;
  for (currentPass = 1; currentPass <= IterF2; ++currentPass) {
    for (int i = 0; i < 10; ++i) {
      char c = run[i];
      if (c < 'A' || c > 'Z') continue;
      if (runLetterTable[c - 'A']()) return;
    }
  }
  setMessage(" Initial run finished");
  FlagInitialFinished = 1;
  if (FlagTSC > 0 && FlagDischargeTime > 0 && CompInflowNo > 0)
    fatal(-6, "Error: Sediment inflow can not be specified in both the timei file and\non the M data sets in the control file\n\n");
}

int tovakMain() {
  FlagStart = 0;
  gFlagInit = gFlagRead = gFlagWriteR = gFlagFlow = gFlagSedim = gFlagComp = 0;
  gFlagWriteX = gFlagMap = gFlagContour = gFlagLong = gFlagVerifyProfile = gFlagVerifyMap = gFlagDischarge =
      gFlagAnim = gFlag3D = gFlagColorMap = gFlagVectorColorMap = 0;
  FlagGridChange = 0;
  SetArraysZero();
  FlagStart = 1;
  FILE* f = std::fopen("control", "r");
  if (!f) {
    f = openWrite("control", "w");
    if (!f) {
      // Neither readable nor creatable: nothing can be run, and no log can be
      // written here either (the directory is not writable).
      std::fprintf(stderr, "tovak: cannot open or create the file 'control'\n");
      return -4;
    }
    std::fputs("no values given\n", f);
  }
  closeOutput(f);
  // One run per project directory: a second one would interleave its log
  // with the first one's and overwrite its files. The lock lives as long as
  // the process, so every end releases it.
  // A second start in one process (tests) gives back the lock of the first.
  static int here = -1;
  if (here >= 0) close(here);
  here = open(".", O_RDONLY | O_DIRECTORY);
  if (here >= 0 && flock(here, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    std::fprintf(stderr,
                 "tovak: another run is working in this project directory; this one ends without touching its "
                 "files\n");
    return kDirectoryBusy;
  }
  runEndStatus = 1;
  InitialFunction();
  if (runEndStatus == 1 && RunErrorReported) runEndStatus = 2;
  return runEndStatus;
}
